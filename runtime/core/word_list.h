// A list of 32-bit words on the runtime's growable buffer, searched linearly: the shape of
// every runtime list. Pointers are stored as words, which the 32-bit target allows.
#pragma once

#include <cstdint>
#include <cstring>

#include "runtime/core/byte_buffer.h"

class WordList {
public:
    int32_t Count() const { return buffer_.WordCount(); }
    uint32_t At(int32_t index) const { return buffer_.WordAt(index); }
    template <typename T>
    T* PointerAt(int32_t index) const
    {
        return reinterpret_cast<T*>(static_cast<uintptr_t>(At(index)));
    }
    void Set(int32_t index, uint32_t value)
    {
        if (index >= 0 && index < Count())
            std::memcpy(buffer_.data() + index * 4, &value, 4);
    }
    bool Append(uint32_t value) { return buffer_.AppendWord(value); }
    bool AppendPointer(const void* p) { return Append(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p))); }
    bool RemoveAt(int32_t index) { return buffer_.RemoveWordAt(index); }
    int32_t Find(uint32_t value) const { return buffer_.FindWord(value); }
    bool Contains(uint32_t value) const { return Find(value) >= 0; }
    // Sizes the list to `count` zero words.
    bool Zeroed(int32_t count)
    {
        buffer_.Clear();
        return count <= 0 || buffer_.Append(nullptr, count * 4);
    }
    void Clear() { buffer_.Clear(); }
    // Hands the content over and leaves this list empty.
    WordList Take()
    {
        WordList taken;
        taken.buffer_ = static_cast<ByteBuffer&&>(buffer_);
        buffer_.Clear();
        return taken;
    }

private:
    ByteBuffer buffer_;
};
