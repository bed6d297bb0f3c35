#include "runtime/core/memory.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "runtime/core/byte_buffer.h"
#include "runtime/core/error_report.h"
#include "runtime/core/error_texts.h"
#include "runtime/core/runtime_app.h"

namespace {

HANDLE Heap()
{
    // Services may be reached before RuntimeInit stored the handle (a program that allocates
    // first); the process heap is the same either way.
    HANDLE heap = Runtime().heap;
    return heap ? heap : GetProcessHeap();
}

[[noreturn]] void OutOfMemory(int32_t size)
{
    ReportRuntimeError(OutOfMemoryText(size).c_str(), 0);
}

void* HeapBlockAlloc(size_t size) { return HeapAlloc(GetProcessHeap(), 0, size); }
void* HeapBlockRealloc(void* p, size_t size) { return HeapReAlloc(GetProcessHeap(), 0, p, size); }
void HeapBlockFree(void* p) { HeapFree(GetProcessHeap(), 0, p); }

}  // namespace

bool InConstantArea(const void* p)
{
    const RuntimeApp& app = Runtime();
    const char* c = static_cast<const char*>(p);
    return app.constantStart && c >= app.constantStart && c < app.constantEnd;
}

void* PlainAlloc(int32_t size)
{
    // A negative size is a request no heap can satisfy, not a huge unsigned one.
    return size < 0 ? nullptr : HeapAlloc(Heap(), 0, static_cast<SIZE_T>(size));
}

extern "C" void* AllocMemory(int32_t size)
{
    void* block = PlainAlloc(size);
    if (!block)
        OutOfMemory(size);
    return block;
}

extern "C" void* ReallocMemory(void* block, int32_t size)
{
    if (!block)
        return AllocMemory(size);
    if (InConstantArea(block)) {
        // Constant data is copied out, never resized; the copy stops at the area's end.
        void* copy = AllocMemory(size);
        const int32_t available = static_cast<int32_t>(Runtime().constantEnd - static_cast<char*>(block));
        const int32_t count = std::min(size, available);
        if (count > 0)
            std::memcpy(copy, block, static_cast<size_t>(count));
        return copy;
    }
    void* moved = size < 0 ? nullptr : HeapReAlloc(Heap(), 0, block, static_cast<SIZE_T>(size));
    if (!moved)
        OutOfMemory(size);
    return moved;
}

extern "C" void FreeMemory(void* block)
{
    if (block && !InConstantArea(block))
        HeapFree(Heap(), 0, block);
}

void UseProcessHeapForBuffers()
{
    SetByteBufferAllocator(BlockAllocator{HeapBlockAlloc, HeapBlockRealloc, HeapBlockFree});
}
