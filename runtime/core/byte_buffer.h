// ByteBuffer: the runtime's one growable container. Every runtime-wide list (exit routines, idle
// callbacks, libraries, declared DLL commands) and the window store is a ByteBuffer; a list is a
// buffer of 32-bit words, searched linearly.
//
// Growth keeps a slack of 128 bytes past the requested size and gives memory back only when more
// than 256 bytes would lie unused; blocks come from the process-wide block allocator, not from the
// runtime's allocation service, so a buffer that cannot grow answers false and keeps its content
// instead of ending the program.
//
// Sizes, positions and lengths are signed 32-bit values, as the rest of the runtime passes them.
#pragma once

#include <cstddef>
#include <cstdint>

// Where buffer blocks come from. Each function answers null on failure; none of them is null.
struct BlockAllocator {
    void* (*allocate)(size_t size);
    void* (*reallocate)(void* block, size_t size);
    void (*free)(void* block);
};

// Installs the allocator for all buffers (malloc/realloc/free until then; the Windows runtime
// installs the process heap at start). Install it before any buffer holds a block: a block is
// always handed back to the allocator that is current at that moment.
void SetByteBufferAllocator(const BlockAllocator& allocator);
const BlockAllocator& ByteBufferAllocator();

class ByteBuffer {
public:
    // Never more than this many bytes, so that size + slack stays a valid 32-bit size.
    static constexpr int32_t kMaxSize = INT32_MAX - 128;

    ByteBuffer() = default;
    ~ByteBuffer() { Clear(); }
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ByteBuffer(ByteBuffer&& other) noexcept;
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    int32_t size() const { return size_; }
    int32_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }

    // Sets the size to n bytes. 0 frees the block. Content up to the smaller of the old and the
    // new size is kept; bytes gained are not initialised.
    bool Resize(int32_t n);

    // Appends `length` bytes from `source`, or zeros when `source` is null. A length <= 0 succeeds
    // without change.
    bool Append(const void* source, int32_t length);
    bool AppendU8(uint8_t value);
    bool AppendU16(uint16_t value);
    bool AppendU32(uint32_t value);

    // Inserts `length` bytes (zeros for a null source) at `position`. At the size this appends;
    // below it the tail moves up; past it the buffer grows to position + length and the bytes
    // between the old size and the position are left as the block held them.
    bool Insert(int32_t position, const void* source, int32_t length);

    // Replaces `count` bytes at `position` (the range is cut at the size) with `length` bytes of
    // `source` (zeros for null). With count 0, or a position at or past the size, this inserts.
    bool Replace(int32_t position, int32_t count, const void* source, int32_t length);

    // Removes `count` bytes at `position` (the range is cut at the size); position -1 removes the
    // last `count` bytes. Fails for a position at or past the size. Removing everything frees the
    // block.
    bool Remove(int32_t position, int32_t count);

    // Frees the block; the buffer is empty.
    void Clear();

    // --- Lists of 32-bit words ----------------------------------------------------------------
    int32_t WordCount() const { return size_ / 4; }
    // The word at `index`; 0 for an index outside the list.
    uint32_t WordAt(int32_t index) const;
    bool AppendWord(uint32_t value) { return AppendU32(value); }
    bool RemoveWordAt(int32_t index);
    // Index of the first word equal to `value`, or -1.
    int32_t FindWord(uint32_t value) const { return FindWordIn(data_, WordCount(), value); }

    // The search over any word list of `count` words; -1 when absent or count <= 0.
    static int32_t FindWordIn(const void* words, int32_t count, uint32_t value);

private:
    // Stores `width` bytes of a value without the growth rule when the slack already holds them.
    bool AppendValue(const void* value, int32_t width);
    // Shrinks after bytes were moved out of the way; never fails, see the definition.
    void ShrinkTo(int32_t n);

    uint8_t* data_ = nullptr;
    int32_t capacity_ = 0;
    int32_t size_ = 0;
};
