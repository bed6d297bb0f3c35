// ByteReader: the one bounds-checked reader over a block of bytes (pointer + length) used by
// every binary format of the runtime. Reads are little-endian unless the name ends in "be".
// A read past the end fails: it yields zeros, consumes nothing, and the failure is sticky, so a
// decoder may read a whole record and check ok() once at the end.
#pragma once

#include <cstddef>
#include <cstdint>

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const void* data, size_t size);

    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    int32_t i32();
    uint64_t u64();
    float f32();
    double f64();
    uint16_t u16be();
    uint32_t u32be();

    // Copies n bytes into out; on failure out is zero-filled.
    bool bytes(void* out, size_t n);
    // The next n bytes in place (and consumes them), or nullptr on failure.
    const uint8_t* view(size_t n);
    bool skip(size_t n);
    // Absolute position; the end itself is a valid position.
    bool seek(size_t pos);

    size_t position() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    size_t size() const { return size_; }
    const uint8_t* data() const { return data_; }

    bool ok() const { return !failed_; }
    bool failed() const { return failed_; }
    // Lets a decoder report a format error (a bad tag, a length that makes no sense) through
    // the same sticky flag as a short read.
    void fail() { failed_ = true; }

private:
    // The n bytes at the position, consumed; nullptr (and the flag set) when they are not there.
    const uint8_t* take(size_t n);

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool failed_ = false;
};
