// A file layer over bytes in memory, with the locking rules of a Win32 file handle (a range that
// overlaps a held one cannot be locked; only a held range, exactly, can be unlocked). It counts
// what reaches it, so callers can see which locks and writes an operation made. Used by tests
// and fuzzing.
#pragma once

#include "runtime/database/db_file_io.h"

#include <cstdint>
#include <vector>

class MemFileIo : public DbFileIo {
public:
    MemFileIo() = default;
    explicit MemFileIo(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    int Seek(uint32_t offset) override;
    int Read(void* data, uint32_t size, uint32_t* got) override;
    int Write(const void* data, uint32_t size) override;
    int SetLength(uint32_t length) override;
    int GetLength(uint32_t* length) override;
    int Lock(uint32_t offset, uint32_t length) override;
    int Unlock(uint32_t offset, uint32_t length) override;

    struct Range {
        uint32_t offset;
        uint32_t length;
    };

    std::vector<uint8_t>& bytes() { return bytes_; }
    const std::vector<Range>& held() const { return held_; }
    bool IsLocked(uint32_t offset, uint32_t length) const;

    // Counters of the calls that reached the file.
    int lockCalls = 0;
    int unlockCalls = 0;
    std::vector<Range> writes;   // every write, in order
    // Refuse writes that would make the file longer than this (a full disk).
    uint32_t maxLength = kMaxFileOffset;
    // Fault injection: the write (or size change) with this number, counted from 1 in
    // writeCalls (setLengthCalls), fails with a hardware error; a failing write stores the first
    // half of its bytes, as a torn write would. 0: none fails.
    int failWrite = 0;
    int failSetLength = 0;
    int writeCalls = 0;
    int setLengthCalls = 0;

private:
    std::vector<uint8_t> bytes_;
    std::vector<Range> held_;
    uint32_t position_ = 0;
};
