// ByteWriter: the one writer for every binary format the runtime produces. Appends to a growable
// byte vector, little-endian unless the name ends in "be"; a word already written can be patched
// at its offset once its value is known (a length written ahead of its block).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ByteWriter {
public:
    ByteWriter() = default;

    void u8(uint8_t v);
    void u16(uint16_t v);
    void u32(uint32_t v);
    void i32(int32_t v);
    void u64(uint64_t v);
    void f32(float v);
    void f64(double v);
    void u16be(uint16_t v);
    void u32be(uint32_t v);
    void bytes(const void* data, size_t n);
    // n zero bytes (padding, reserved words).
    void zeros(size_t n);

    // Overwrite a word written earlier; offset + size must lie inside what was written.
    void patchU16(size_t offset, uint16_t v);
    void patchU32(size_t offset, uint32_t v);
    void patchU32be(size_t offset, uint32_t v);

    size_t size() const { return buf_.size(); }
    const uint8_t* data() const { return buf_.data(); }
    const std::vector<uint8_t>& buffer() const { return buf_; }
    // Hands the bytes over and leaves the writer empty.
    std::vector<uint8_t> take();
    void clear() { buf_.clear(); }

private:
    std::vector<uint8_t> buf_;
};
