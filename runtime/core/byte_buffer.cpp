// ByteBuffer: growth, insertion and removal over blocks of the installed block allocator.
#include "runtime/core/byte_buffer.h"

#include <cassert>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t kSlack = 128;       // allocated past the requested size on every (re)allocation
constexpr int32_t kMaxUnused = 256;   // more unused bytes than this and the block is shrunk

void* HeapAllocate(size_t size) { return std::malloc(size); }
void* HeapReallocate(void* block, size_t size) { return std::realloc(block, size); }
void HeapFree(void* block) { std::free(block); }

BlockAllocator g_allocator = {HeapAllocate, HeapReallocate, HeapFree};

// A size computed in 64 bits, or -1 when it does not fit a buffer.
int32_t CheckedSize(int64_t n)
{
    return n >= 0 && n <= ByteBuffer::kMaxSize ? static_cast<int32_t>(n) : -1;
}

// Copies `length` bytes to `to`, or zeros when there is no source. The source may overlap.
void Fill(uint8_t* to, const void* source, int32_t length)
{
    if (source)
        std::memmove(to, source, static_cast<size_t>(length));
    else
        std::memset(to, 0, static_cast<size_t>(length));
}

// A source that lies inside the buffer's own block (a list appending part of itself) would move
// with a reallocation or be shifted by the tail; such a source is copied aside first.
class StableSource {
public:
    StableSource(const uint8_t* block, int32_t capacity, const void* source, int32_t length)
        : source_(source)
    {
        auto b = reinterpret_cast<uintptr_t>(block);
        auto s = reinterpret_cast<uintptr_t>(source);
        if (!block || !source || length <= 0 || s >= b + static_cast<uintptr_t>(capacity) ||
            s + static_cast<uintptr_t>(length) <= b)
            return;
        copy_ = g_allocator.allocate(static_cast<size_t>(length));
        if (copy_)
            std::memcpy(copy_, source, static_cast<size_t>(length));
        source_ = copy_;
        failed_ = !copy_;
    }
    ~StableSource()
    {
        if (copy_)
            g_allocator.free(copy_);
    }
    StableSource(const StableSource&) = delete;
    StableSource& operator=(const StableSource&) = delete;

    bool ok() const { return !failed_; }
    const void* get() const { return source_; }

private:
    const void* source_;
    void* copy_ = nullptr;
    bool failed_ = false;
};

}  // namespace

void SetByteBufferAllocator(const BlockAllocator& allocator)
{
    assert(allocator.allocate && allocator.reallocate && allocator.free);
    g_allocator = allocator;
}

const BlockAllocator& ByteBufferAllocator()
{
    return g_allocator;
}

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(other.data_), capacity_(other.capacity_), size_(other.size_)
{
    other.data_ = nullptr;
    other.capacity_ = 0;
    other.size_ = 0;
}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept
{
    if (this != &other) {
        Clear();
        data_ = other.data_;
        capacity_ = other.capacity_;
        size_ = other.size_;
        other.data_ = nullptr;
        other.capacity_ = 0;
        other.size_ = 0;
    }
    return *this;
}

bool ByteBuffer::Resize(int32_t n)
{
    if (n < 0 || n > kMaxSize)
        return false;
    if (n == 0) {
        Clear();
        return true;
    }
    if (data_ && capacity_ >= n && capacity_ - n <= kMaxUnused) {
        size_ = n;
        return true;
    }
    const int32_t capacity = n + kSlack;
    void* block = data_ ? g_allocator.reallocate(data_, static_cast<size_t>(capacity))
                        : g_allocator.allocate(static_cast<size_t>(capacity));
    if (!block)
        return false;
    data_ = static_cast<uint8_t*>(block);
    capacity_ = capacity;
    size_ = n;
    return true;
}

// Removing bytes must not fail for want of memory once they have been moved out of the way, so a
// heap that refuses to shrink the block simply leaves it larger than the rule would.
void ByteBuffer::ShrinkTo(int32_t n)
{
    assert(n > 0 && n <= size_);
    if (!Resize(n))
        size_ = n;
}

bool ByteBuffer::Append(const void* source, int32_t length)
{
    if (length <= 0)
        return true;
    const int32_t old_size = size_;
    const int32_t new_size = CheckedSize(int64_t{size_} + length);
    if (new_size < 0)
        return false;
    StableSource stable(data_, capacity_, source, length);
    if (!stable.ok() || !Resize(new_size))
        return false;
    Fill(data_ + old_size, stable.get(), length);
    return true;
}

bool ByteBuffer::AppendValue(const void* value, int32_t width)
{
    if (!data_ || capacity_ - size_ < width)
        return Append(value, width);
    std::memcpy(data_ + size_, value, static_cast<size_t>(width));
    size_ += width;
    return true;
}

bool ByteBuffer::AppendU8(uint8_t value)
{
    return AppendValue(&value, 1);
}

bool ByteBuffer::AppendU16(uint16_t value)
{
    return AppendValue(&value, 2);
}

bool ByteBuffer::AppendU32(uint32_t value)
{
    return AppendValue(&value, 4);
}

bool ByteBuffer::Insert(int32_t position, const void* source, int32_t length)
{
    if (position < 0 || length < 0)
        return false;
    if (length == 0)
        return true;
    if (position == size_)
        return Append(source, length);
    const int32_t old_size = size_;
    const int32_t new_size =
        CheckedSize(position < old_size ? int64_t{old_size} + length : int64_t{position} + length);
    if (new_size < 0)
        return false;
    StableSource stable(data_, capacity_, source, length);
    if (!stable.ok() || !Resize(new_size))
        return false;
    if (position < old_size)
        std::memmove(data_ + position + length, data_ + position,
                     static_cast<size_t>(old_size - position));
    Fill(data_ + position, stable.get(), length);
    return true;
}

bool ByteBuffer::Replace(int32_t position, int32_t count, const void* source, int32_t length)
{
    if (position < 0 || count < 0 || length < 0)
        return false;
    if (count == 0 || position >= size_)
        return Insert(position, source, length);
    const int32_t cut = count < size_ - position ? count : size_ - position;
    const int32_t tail = size_ - position - cut;
    const int32_t new_size = CheckedSize(int64_t{size_} - cut + length);
    if (new_size < 0)
        return false;
    StableSource stable(data_, capacity_, source, length);
    if (!stable.ok())
        return false;
    if (length > cut) {
        if (!Resize(new_size))
            return false;
        std::memmove(data_ + position + length, data_ + position + cut, static_cast<size_t>(tail));
        Fill(data_ + position, stable.get(), length);
        return true;
    }
    Fill(data_ + position, stable.get(), length);
    std::memmove(data_ + position + length, data_ + position + cut, static_cast<size_t>(tail));
    if (new_size == 0)
        Clear();
    else
        ShrinkTo(new_size);
    return true;
}

bool ByteBuffer::Remove(int32_t position, int32_t count)
{
    if (count < 0 || position < -1 || position >= size_ || (position == -1 && size_ == 0))
        return false;
    if (count == 0)
        return true;
    if (position == -1)
        position = count < size_ ? size_ - count : 0;
    const int32_t cut = count < size_ - position ? count : size_ - position;
    if (cut == size_) {
        Clear();
        return true;
    }
    std::memmove(data_ + position, data_ + position + cut,
                 static_cast<size_t>(size_ - position - cut));
    ShrinkTo(size_ - cut);
    return true;
}

void ByteBuffer::Clear()
{
    if (data_)
        g_allocator.free(data_);
    data_ = nullptr;
    capacity_ = 0;
    size_ = 0;
}

uint32_t ByteBuffer::WordAt(int32_t index) const
{
    if (index < 0 || index >= WordCount())
        return 0;
    uint32_t word;
    std::memcpy(&word, data_ + static_cast<size_t>(index) * 4, sizeof(word));
    return word;
}

bool ByteBuffer::RemoveWordAt(int32_t index)
{
    if (index < 0 || index >= WordCount())
        return false;
    return Remove(index * 4, 4);
}

int32_t ByteBuffer::FindWordIn(const void* words, int32_t count, uint32_t value)
{
    const auto* bytes = static_cast<const uint8_t*>(words);
    for (int32_t i = 0; i < count; ++i) {
        uint32_t word;
        std::memcpy(&word, bytes + static_cast<size_t>(i) * 4, sizeof(word));
        if (word == value)
            return i;
    }
    return -1;
}
