// Growable little/big-endian byte writer; see byte_writer.h.
#include "runtime/core/byte_writer.h"

#include <cassert>
#include <cstring>

static void PutLittleEndian(uint8_t* p, uint64_t v, int n) {
    for (int i = 0; i < n; ++i, v >>= 8)
        p[i] = static_cast<uint8_t>(v);
}

static void PutBigEndian(uint8_t* p, uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i, v >>= 8)
        p[i] = static_cast<uint8_t>(v);
}

void ByteWriter::u8(uint8_t v) {
    buf_.push_back(v);
}

void ByteWriter::u16(uint16_t v) {
    uint8_t b[2];
    PutLittleEndian(b, v, 2);
    bytes(b, 2);
}

void ByteWriter::u32(uint32_t v) {
    uint8_t b[4];
    PutLittleEndian(b, v, 4);
    bytes(b, 4);
}

void ByteWriter::i32(int32_t v) {
    u32(static_cast<uint32_t>(v));
}

void ByteWriter::u64(uint64_t v) {
    uint8_t b[8];
    PutLittleEndian(b, v, 8);
    bytes(b, 8);
}

void ByteWriter::f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
}

void ByteWriter::f64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u64(bits);
}

void ByteWriter::u16be(uint16_t v) {
    uint8_t b[2];
    PutBigEndian(b, v, 2);
    bytes(b, 2);
}

void ByteWriter::u32be(uint32_t v) {
    uint8_t b[4];
    PutBigEndian(b, v, 4);
    bytes(b, 4);
}

void ByteWriter::bytes(const void* data, size_t n) {
    assert(data || n == 0);
    if (n == 0)
        return;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    buf_.insert(buf_.end(), p, p + n);
}

void ByteWriter::zeros(size_t n) {
    buf_.resize(buf_.size() + n, 0);
}

void ByteWriter::patchU16(size_t offset, uint16_t v) {
    assert(offset <= buf_.size() && buf_.size() - offset >= 2);
    if (offset > buf_.size() || buf_.size() - offset < 2)
        return;  // release builds drop a misplaced patch rather than write outside
    PutLittleEndian(buf_.data() + offset, v, 2);
}

void ByteWriter::patchU32(size_t offset, uint32_t v) {
    assert(offset <= buf_.size() && buf_.size() - offset >= 4);
    if (offset > buf_.size() || buf_.size() - offset < 4)
        return;  // release builds drop a misplaced patch rather than write outside
    PutLittleEndian(buf_.data() + offset, v, 4);
}

void ByteWriter::patchU32be(size_t offset, uint32_t v) {
    assert(offset <= buf_.size() && buf_.size() - offset >= 4);
    if (offset > buf_.size() || buf_.size() - offset < 4)
        return;  // release builds drop a misplaced patch rather than write outside
    PutBigEndian(buf_.data() + offset, v, 4);
}

std::vector<uint8_t> ByteWriter::take() {
    std::vector<uint8_t> out;
    out.swap(buf_);
    return out;
}
