// In-memory file layer; see mem_file_io.h.
#include "runtime/database/mem_file_io.h"

#include <algorithm>
#include <cstring>

namespace {

bool Overlap(const MemFileIo::Range& a, uint32_t offset, uint32_t length)
{
    const uint64_t aEnd = uint64_t{a.offset} + a.length;
    const uint64_t bEnd = uint64_t{offset} + length;
    return a.offset < bEnd && offset < aEnd;
}

}  // namespace

int MemFileIo::Seek(uint32_t offset)
{
    if (offset > kMaxFileOffset)
        return kFileBadSeek;
    position_ = offset;
    return kFileOk;
}

int MemFileIo::Read(void* data, uint32_t size, uint32_t* got)
{
    *got = 0;
    if (position_ < bytes_.size()) {
        *got = static_cast<uint32_t>(std::min<size_t>(size, bytes_.size() - position_));
        std::memcpy(data, bytes_.data() + position_, *got);
        position_ += *got;
    }
    return kFileOk;
}

int MemFileIo::Write(const void* data, uint32_t size)
{
    uint64_t end = uint64_t{position_} + size;
    if (end > maxLength)
        return kFileDiskFull;
    const bool fail = ++writeCalls == failWrite;
    if (fail) {
        size /= 2;
        end = uint64_t{position_} + size;
    }
    if (end > bytes_.size())
        bytes_.resize(static_cast<size_t>(end));
    if (size)
        std::memcpy(bytes_.data() + position_, data, size);
    position_ = static_cast<uint32_t>(end);
    if (fail)
        return kFileHardIo;
    writes.push_back({position_ - size, size});
    return kFileOk;
}

int MemFileIo::SetLength(uint32_t length)
{
    if (length > maxLength)
        return kFileDiskFull;
    if (++setLengthCalls == failSetLength)
        return kFileHardIo;
    bytes_.resize(length);
    return kFileOk;
}

int MemFileIo::GetLength(uint32_t* length)
{
    *length = static_cast<uint32_t>(bytes_.size());
    return kFileOk;
}

bool MemFileIo::IsLocked(uint32_t offset, uint32_t length) const
{
    return std::any_of(held_.begin(), held_.end(),
                       [&](const Range& r) { return r.offset == offset && r.length == length; });
}

int MemFileIo::Lock(uint32_t offset, uint32_t length)
{
    ++lockCalls;
    for (const Range& r : held_) {
        if (Overlap(r, offset, length))
            return kFileLockViolation;
    }
    held_.push_back({offset, length});
    return kFileOk;
}

int MemFileIo::Unlock(uint32_t offset, uint32_t length)
{
    ++unlockCalls;
    for (size_t i = 0; i < held_.size(); ++i) {
        if (held_[i].offset == offset && held_[i].length == length) {
            held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(i));
            return kFileOk;
        }
    }
    return kFileLockViolation;
}
