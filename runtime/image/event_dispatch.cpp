#include "runtime/image/event_dispatch.h"

#include <vector>

#include "runtime/core/error_report.h"
#include "runtime/core/error_texts.h"
#include "runtime/core/runtime_app.h"
#include "runtime/image/handler_area.h"
#include "runtime/image/window_store.h"

namespace {

constexpr uint32_t kStateRaisesEvents = 0x40 | 0x04;
constexpr uint32_t kMenuItemType = 0x00010003;

bool ReadEntryEvents(const WindowObject& window, int index, UnitEventFields* fields)
{
    uint32_t size = 0;
    const uint8_t* bytes = window.live.Record(static_cast<uint32_t>(index), &size);
    return bytes && ReadUnitEvents(bytes, size, fields);
}

uintptr_t MenuItemHandler(const WindowObject& window, int index)
{
    uint32_t size = 0;
    const uint8_t* bytes = window.live.Record(static_cast<uint32_t>(index), &size);
    MenuItemFields item;
    size_t offset = 0;
    return bytes && ParseMenuItemRecord(bytes, size, &item, &offset) ? item.handler : 0;
}

// Follows the event source chain: a unit may use the bindings of another unit of its type.
UnitEventFields FollowEventSource(const WindowObject& window, UnitEventFields record)
{
    for (uint32_t steps = 0; record.eventSource != 0 && steps < window.live.Count(); ++steps) {
        const int next = window.live.Find(record.eventSource);
        UnitEventFields source;
        if (next < 0 || window.live.IsMenuItem(static_cast<uint32_t>(next)) ||
            !ReadEntryEvents(window, next, &source) || source.typeId != record.typeId)
            break;
        record = std::move(source);
    }
    return record;
}

void PushTypedArgument(const TypedEventArgument& a, std::vector<uint32_t>& words)
{
    if (a.flags & 1) {
        words.push_back(a.value);
    } else if ((a.flags & 2) || a.tag == 0x00010003) {
        words.push_back(a.value);
        words.push_back(a.second);
    } else {
        switch (a.tag) {
        case 0x80000101: words.push_back(a.value & 0xFF); break;
        case 0x80000201: words.push_back(static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(a.value)))); break;
        case 0x80000003:
        case 0x80000008:
        case 0x80000401:
        case 0x80000601:
            words.push_back(a.value);
            words.push_back(a.second);
            break;
        default: words.push_back(a.value); break;
        }
    }
}

}  // namespace

uintptr_t FindEventHandler(uint32_t windowId, uint32_t unitId, int32_t event)
{
    RuntimeApp& app = Runtime();
    if (app.eventSuppressionCount >= 1)
        return 0;
    WindowObject* window = FindWindowObject(windowId);
    if (!window)
        ReportRuntimeError(kTextEventWindowNotFound, 0);
    const int index = unitId ? window->live.Find(unitId) : 0;
    if (index < 0 || window->live.Count() == 0)
        ReportRuntimeError(kTextEventUnitNotFound, 0);

    uintptr_t handler = 0;
    if (window->live.IsMenuItem(static_cast<uint32_t>(index))) {
        const UnitTypeRecord* type = FindUnitType(kMenuItemType);
        if (!type || !(type->state & kStateRaisesEvents))
            ReportRuntimeError(kTextEventUnitInvalid, 0);
        handler = MenuItemHandler(*window, index);
    } else {
        UnitEventFields record;
        if (!ReadEntryEvents(*window, index, &record))
            ReportRuntimeError(kTextEventUnitInvalid, 0);
        record = FollowEventSource(*window, std::move(record));
        const UnitTypeRecord* type = FindUnitType(record.typeId);
        if (!type || !(type->state & kStateRaisesEvents))
            ReportRuntimeError(kTextEventUnitInvalid, 0);
        for (const EventBinding& binding : record.bindings) {
            if (binding.event == event) {
                handler = binding.handler;
                break;
            }
        }
    }
    if (!handler)
        return 0;
    app.currentEventSource[0] = windowId;
    app.currentEventSource[1] = unitId ? unitId : window->live.IdAt(0);
    return handler;
}

uint32_t RaiseEvent(EventRecord* record)
{
    const uintptr_t handler = FindEventHandler(record->windowId, record->unitId, record->event);
    if (!handler)
        return 0;
    int32_t count = record->argumentCount;
    count = count < 0 ? 0 : count > 5 ? 5 : count;
    const uint64_t value = CallHandlerWords(handler, record->arguments, count);
    Runtime().currentEventSource[0] = 0;
    if (HandlerFlags(handler) & kHandlerProducesValue) {
        record->hasResult = 1;
        record->result = static_cast<uint32_t>(value);
    }
    return 1;
}

uint32_t RaiseEventTyped(TypedEventRecord* record)
{
    const uintptr_t handler = FindEventHandler(record->windowId, record->unitId, record->event);
    if (!handler)
        return 0;
    int32_t count = record->argumentCount;
    count = count < 0 ? 0 : count > 12 ? 12 : count;
    std::vector<uint32_t> words;
    for (int32_t i = 0; i < count; ++i)
        PushTypedArgument(record->arguments[i], words);
    const uint64_t value = CallHandlerWords(handler, words.data(), static_cast<int32_t>(words.size()));
    Runtime().currentEventSource[0] = 0;
    if (HandlerFlags(handler) & kHandlerProducesValue) {
        record->hasResult = 1;
        record->resultLow = static_cast<uint32_t>(value);
        record->resultHigh = static_cast<uint32_t>(value >> 32);
    }
    return 1;
}

uint32_t RaiseEventRequest(uint32_t record, uint32_t)
{
    return RaiseEvent(reinterpret_cast<EventRecord*>(static_cast<uintptr_t>(record)));
}

uint32_t RaiseEventTypedRequest(uint32_t record, uint32_t)
{
    return RaiseEventTyped(reinterpret_cast<TypedEventRecord*>(static_cast<uintptr_t>(record)));
}

uint32_t EventSourceRequest(uint32_t words, uint32_t)
{
    const RuntimeApp& app = Runtime();
    if (app.currentEventSource[0] == 0)
        return 0;
    uint32_t* out = reinterpret_cast<uint32_t*>(static_cast<uintptr_t>(words));
    out[0] = app.currentEventSource[0];
    out[1] = app.currentEventSource[1];
    return 1;
}
