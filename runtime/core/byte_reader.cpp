// Bounds-checked byte reader; see byte_reader.h.
#include "runtime/core/byte_reader.h"

#include <cassert>
#include <cstring>

ByteReader::ByteReader(const void* data, size_t size)
    : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {
    assert(data || size == 0);
}

const uint8_t* ByteReader::take(size_t n) {
    if (failed_ || n > size_ - pos_) {
        failed_ = true;
        return nullptr;
    }
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
}

// Assembling from bytes keeps the reader independent of the host's byte order and alignment.
static uint64_t LittleEndian(const uint8_t* p, int n) {
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

static uint64_t BigEndian(const uint8_t* p, int n) {
    uint64_t v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

uint8_t ByteReader::u8() {
    const uint8_t* p = take(1);
    return p ? p[0] : 0;
}

uint16_t ByteReader::u16() {
    const uint8_t* p = take(2);
    return p ? static_cast<uint16_t>(LittleEndian(p, 2)) : 0;
}

uint32_t ByteReader::u32() {
    const uint8_t* p = take(4);
    return p ? static_cast<uint32_t>(LittleEndian(p, 4)) : 0;
}

int32_t ByteReader::i32() {
    return static_cast<int32_t>(u32());
}

uint64_t ByteReader::u64() {
    const uint8_t* p = take(8);
    return p ? LittleEndian(p, 8) : 0;
}

float ByteReader::f32() {
    uint32_t bits = u32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

double ByteReader::f64() {
    uint64_t bits = u64();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

uint16_t ByteReader::u16be() {
    const uint8_t* p = take(2);
    return p ? static_cast<uint16_t>(BigEndian(p, 2)) : 0;
}

uint32_t ByteReader::u32be() {
    const uint8_t* p = take(4);
    return p ? static_cast<uint32_t>(BigEndian(p, 4)) : 0;
}

bool ByteReader::bytes(void* out, size_t n) {
    assert(out || n == 0);
    const uint8_t* p = take(n);
    if (n == 0)
        return ok();
    if (p)
        std::memcpy(out, p, n);
    else
        std::memset(out, 0, n);
    return p != nullptr;
}

const uint8_t* ByteReader::view(size_t n) {
    return take(n);
}

bool ByteReader::skip(size_t n) {
    take(n);
    return ok();
}

bool ByteReader::seek(size_t pos) {
    if (failed_ || pos > size_) {
        failed_ = true;
        return false;
    }
    pos_ = pos;
    return true;
}
