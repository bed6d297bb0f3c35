// A host for unit kinds inside a test process: a framework window that reflects notifications
// to its children, a RuntimeCallback that records the events units raise, unit creation
// through a type's entry function, and a message pump.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "runtime/framework/wnd.h"
#include "runtime/image/image_records.h"
#include "runtime/units/stored_schema.h"
#include "runtime/units/unit_type.h"

namespace harness {

struct Raised {
    uint32_t unitId;
    int32_t event;
    std::vector<uint32_t> arguments;
};

// Installs the recording callback; Events() holds what was raised since the last Clear().
void InstallRuntime();
std::vector<Raised>& Events();
void ClearEvents();
// The events raised by one unit, by number only.
std::vector<int32_t> EventNumbers(uint32_t unitId);
int CountEvent(uint32_t unitId, int32_t event);

// A visible top-level window that reflects notifications like every container of units.
class Host : public CWnd {
public:
    bool Make(int width = 420, int height = 300);
};

// One host for the whole test process (a top-level window costs seconds under Wine); every
// child left from the previous test is destroyed first.
Host& SharedHost();

// Dispatches every waiting message of this thread, then waits `ms` and does it again.
void Pump(DWORD ms = 50);

// Creates a unit through the type's entry function (operation 1).
CWnd* Create(const UnitTypeRecord& type, const std::vector<uint8_t>& data, HWND parent, uint32_t unitId,
             int x, int y, int width, int height, uint32_t style = WS_VISIBLE, uint32_t controlId = 0);
// Operations 4, 6 and 5 through the entry function.
int32_t Change(const UnitTypeRecord& type, CWnd* unit, int32_t number, uint32_t word, uint32_t second = 0);
int32_t ChangeText(const UnitTypeRecord& type, CWnd* unit, int32_t number, const char* text);
uint32_t Read(const UnitTypeRecord& type, CWnd* unit, int32_t number, uint32_t* second = nullptr);
std::string ReadText(const UnitTypeRecord& type, CWnd* unit, int32_t number);
std::vector<uint8_t> StoredData(const UnitTypeRecord& type, CWnd* unit);

// A stored-data block of the kind: its defaults with the named fields set.
using Numbers = std::initializer_list<std::pair<const char*, int32_t>>;
using Texts = std::initializer_list<std::pair<const char*, std::string>>;
std::vector<uint8_t> SchemaBlock(const StoredKind& kind, Numbers numbers, Texts texts = {});

// A 60-byte font block of the face and point size (on the screen's resolution).
std::vector<uint8_t> FontBlock(const char* face, int points);

// Pixels of a window's rectangle as the screen shows them, as 0x00RRGGBB, row by row.
std::vector<uint32_t> ScreenPixels(HWND window);

}  // namespace harness
