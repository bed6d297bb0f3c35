// Where a program's event handlers live. The form compiler gives every handler named by a form
// a slot in the program's handler area and stores the slot's offset from HandlerBase in the
// binding; the runtime adds HandlerBase back at start-up, so no handler reference depends on
// where the linker puts code. A slot is twelve bytes: a flag word, then a jump to the handler
// (five bytes, padded to eight). HandlerBase is the area's start plus 4, the first jump:
//
//                   .long kHandlerAreaMagic ; .long slot count
//     HandlerArea:  slot 0: .long flags ; jmp Handler0 ; 3 bytes padding   (offset 0)
//                   slot 1: .long flags ; jmp Handler1 ; 3 bytes padding   (offset 12)
//
// The two words in front of the area tell the runtime how many slots there are, so that a
// binding leading anywhere else is refused before anything jumps there.
// A binding leads to the jump; the word in front of it says whether the handler produces a
// value. Handlers are cdecl and take the event's argument words in order; one that produces a
// value returns it in EAX (EDX:EAX for 64 bits).
#pragma once

#include <cstdint>

constexpr uint32_t kHandlerSlotSize = 12;
constexpr uint32_t kHandlerProducesValue = 1;  // flag word bit
constexpr uint32_t kHandlerAreaMagic = 0x41484156;  // "VAHA"

// The slot count of the area whose HandlerBase is `handlerBase`; 0 when the area does not
// announce itself (no binding can then be trusted).
inline uint32_t HandlerSlotCount(uintptr_t handlerBase)
{
    const auto* words = reinterpret_cast<const uint32_t*>(handlerBase - 4 - 8);
    return words[0] == kHandlerAreaMagic ? words[1] : 0;
}

// The flag word of the slot whose jump is at `handler`.
inline uint32_t HandlerFlags(uintptr_t handler) { return *reinterpret_cast<const uint32_t*>(handler - 4); }
