// Event dispatch: units raise events by number; the runtime finds the handler bound in the
// unit's record and calls it with the event's arguments.
#pragma once

#include <cstdint>

#include "runtime/units/unit_type.h"

// The handler bound to the event, or 0 (no handler, or events are blocked).
uintptr_t FindEventHandler(uint32_t windowId, uint32_t unitId, int32_t event);
// 1 when a handler ran.
uint32_t RaiseEvent(EventRecord* record);
uint32_t RaiseEventTyped(TypedEventRecord* record);

extern "C" uint64_t CallHandlerWords(uintptr_t handler, const uint32_t* words, int32_t count);

// RuntimeCallback requests.
uint32_t RaiseEventRequest(uint32_t record, uint32_t);
uint32_t RaiseEventTypedRequest(uint32_t record, uint32_t);
uint32_t EventSourceRequest(uint32_t words, uint32_t);
