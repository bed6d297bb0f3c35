// The contract between a unit type and the runtime: the operations a type's entry function
// hands out by number, the records with which units raise events, and the private messages
// window loading sends. Every unit object is a framework window (CWnd) first; the runtime
// passes it around as CWnd*.
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/image/image_records.h"

class CWnd;

enum UnitOperation : int32_t {
    kOpCreateUnit = 1,
    kOpPropertyChanged = 4,
    kOpGetStoredData = 5,
    kOpGetProperty = 6,
    kOpGetIconData = 7,
    kOpWantsKey = 8,
    kOpConvertTexts = 9,
    kOpIsDefaultButton = 10,
};

// 1: the new unit, or null on failure (no window is left behind then).
using CreateUnitFn = CWnd* (*)(const uint8_t* data, int32_t size, uint32_t style, HWND parent,
                               uint32_t controlId, HMENU menu, int32_t x, int32_t y, int32_t width,
                               int32_t height, uint32_t windowId, uint32_t unitId, HWND designHost,
                               int32_t designMode);
// 4: own property `number` (from 0) got `value` (one or two words, or a text pointer, or data
// pointer + length); *result is cleared first. Answers 1 when the unit must be re-created.
using PropertyChangedFn = int32_t (*)(CWnd* unit, int32_t number, const uint32_t* value, uint32_t* result);
// 5: the unit's current stored data in a new movable global block, its size in *size.
using GetStoredDataFn = HGLOBAL (*)(CWnd* unit, int32_t* size);
// 6: fills value[0..1] with own property `number`; 0 when the number is unknown.
using GetPropertyFn = int32_t (*)(CWnd* unit, int32_t number, uint32_t* value);
// 7: the window unit's icon data read from a stored-data block.
using GetIconDataFn = HGLOBAL (*)(const uint8_t* data, int32_t size, int32_t* iconSize);
// 8: 1 when the unit handles the key itself instead of the window's keyboard navigation.
using WantsKeyFn = int32_t (*)(CWnd* unit, uint32_t key);
// 9: a new stored-data block in which every text went through `convert`.
using ConvertTextCallback = void (*)(char* text, int32_t isFaceName, uint32_t word);
using ConvertTextsFn = HGLOBAL (*)(const uint8_t* data, int32_t* size, ConvertTextCallback convert, uint32_t word);
// 10: 1 when the unit is a default push button.
using IsDefaultButtonFn = int32_t (*)(CWnd* unit);

// The event record of RaiseEvent (RuntimeCallback 2008): eleven words.
struct EventRecord {
    uint32_t windowId;
    uint32_t unitId;     // 0 or the window's entry-0 identifier for the window itself
    int32_t event;
    int32_t argumentCount;  // 0 to 5
    uint32_t arguments[5];
    uint32_t hasResult;  // set by dispatch when the handler produced a value
    uint32_t result;
};
static_assert(sizeof(EventRecord) == 11 * 4, "an event record is eleven words");

// One argument of RaiseEventTyped (RuntimeCallback 2031).
struct TypedEventArgument {
    uint32_t value;
    uint32_t second;
    uint32_t tag;
    uint32_t flags;  // bit 0: pass the value word alone; bit 1: pass both words
};

struct TypedEventRecord {
    uint32_t windowId;
    uint32_t unitId;
    int32_t event;
    int32_t argumentCount;  // 0 to 12
    TypedEventArgument arguments[12];
    uint32_t hasResult;
    uint32_t resultLow;
    uint32_t resultHigh;
};

// RuntimeCallback request codes units and libraries use.
enum RuntimeRequest : int32_t {
    kRequestDefaultIcons = 1000,
    kRequestWindowList = 1001,
    kRequestUnitType = 1002,
    kRequestUnitDestroyed = 2000,
    kRequestLoadWindow = 2005,
    kRequestFindObject = 2006,
    kRequestFindObjectOrFail = 2007,
    kRequestRaiseEvent = 2008,
    kRequestBlockEvents = 2009,
    kRequestUnblockEvents = 2010,
    kRequestEventSource = 2017,
    kRequestAllocate = 2024,
    kRequestFree = 2025,
    kRequestReallocate = 2026,
    kRequestEndProgram = 2028,
    kRequestRaiseEventTyped = 2031,
};

// Private window messages of window loading.
constexpr UINT UnitsCreatedMessage = WM_APP + 0x6F;   // every unit exists, parents and stacking set
constexpr UINT WindowCreatedMessage = WM_APP + 0x04;  // the window's units are complete
constexpr UINT LoadFinishedMessage = WM_APP + 0x76;   // loading is over and the window is shown
