// The runtime's heap services. Texts and blocks handed between compiled code, the runtime and
// the library commands all come from the process heap and follow one ownership rule: whoever
// receives a block frees it with FreeMemory; blocks inside the program's constant area are
// never freed or resized in place.
#pragma once

#include <cstdint>

extern "C" {
void* AllocMemory(int32_t size);               // never null: failure is a fatal error
void* ReallocMemory(void* block, int32_t size);
void FreeMemory(void* block);
}

// The heap allocation without the failure report; null when the heap is exhausted.
void* PlainAlloc(int32_t size);
// True when the pointer lies inside the program's constant area.
bool InConstantArea(const void* p);
// Points the runtime's growable buffers at the process heap.
void UseProcessHeapForBuffers();
