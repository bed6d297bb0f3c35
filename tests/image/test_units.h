// Two small unit types for the window-loading and property tests: a top-level window type and
// a child type with one own property of each value form, both in one support library record.
// They follow the unit contract exactly, so loading, property access and event dispatch can be
// tested without the real unit kinds.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/framework/wnd.h"
#include "runtime/image/image_records.h"
#include "runtime/units/unit_base.h"

// ---- Test unit types ----------------------------------------------------------------------

constexpr char kTestWindowClass[] = "TestUnitWindow";
constexpr char kTestChildClass[] = "TestUnitChild";

// Both types write version 1 and refuse anything newer.
constexpr uint32_t kTestUnitsStoredVersion = 1;

// Type numbers in the library's type list (a type id is library << 16 | type number).
constexpr int32_t kTestWindowTypeNumber = 1;
constexpr int32_t kTestChildTypeNumber = 2;

constexpr uint32_t kTestWindowState = 0x800000D0;
constexpr uint32_t kTestChildState = 0x00000040;

// Defaults of an empty stored-data block; chosen unlike zero so that a missing reset shows.
constexpr char kTestWindowDefaultCaption[] = "Test window";
constexpr char kTestChildDefaultCaption[] = "Test child";
constexpr int32_t kTestChildDefaultNumber = 100;
constexpr bool kTestChildDefaultFlag = true;
constexpr int32_t kTestChildDefaultChoice = 1;
constexpr int32_t kTestChildChoiceCount = 3;  // a choice outside 0..2 is ignored

// Own properties of the child (numbers from 0; the runtime's numbers are these plus 8).
enum TestChildProperty : int32_t {
    kChildCaption = 0,  // text, 1005; also the window text
    kChildNumber = 1,   // integer, 1001
    kChildFlag = 2,     // logical, 1003
    kChildFont = 3,     // font block, 1013
    kChildChoice = 4,   // choice, 1006
    kChildData = 5,     // byte block, 1009
    kChildStyle = 6,    // integer, 1001; a change asks for re-creation; not stored
    kChildFree = 7,     // integer, 1001; any value is kept; not stored
};
constexpr int32_t kTestChildOwnPropertyCount = 8;

// Own property of the window.
enum TestWindowProperty : int32_t {
    kWindowCaption = 0,  // text, 1005; also the window text
};
constexpr int32_t kTestWindowOwnPropertyCount = 1;

// Own event raised by both types on WM_LBUTTONDOWN, with the client x and y; both also raise
// GotFocus (-7) and LostFocus (-8) from WM_SETFOCUS and WM_KILLFOCUS.
constexpr int32_t kTestUnitClickEvent = 0;

// Stored data of the window, version 1: version, caption.
class TestWindowData : public UnitData {
public:
    std::string caption;

    void Reset() override;
    int Serialize(CArchive& archive) override;
    void ForEachText(UnitTextVisitor& visitor) override;
};

// Stored data of the child, version 1: version, caption, number, flag (4 bytes), font block,
// choice, byte block.
class TestChildData : public UnitData {
public:
    std::string caption;
    int32_t number = 0;
    bool flag = false;
    std::vector<uint8_t> font;
    int32_t choice = 0;
    std::vector<uint8_t> data;

    void Reset() override;
    int Serialize(CArchive& archive) override;
    void ForEachText(UnitTextVisitor& visitor) override;
};

class TestWindowUnit : public Unit<CWnd, TestWindowData> {
public:
    explicit TestWindowUnit(const UnitIds& ids);
    ~TestWindowUnit() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Counts the objects alive, so tests can see that a destroyed unit deleted itself.
    static int liveCount;
};

class TestChildUnit : public Unit<CWnd, TestChildData> {
public:
    explicit TestChildUnit(const UnitIds& ids);
    ~TestChildUnit() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UnitFont unitFont;
    int32_t style = 0;
    int32_t freeNumber = 0;

    static int liveCount;
};

// The type entry functions: operations 1, 4, 5, 6 and 9; null for any other number.
void* TestWindowEntry(int32_t operation);
void* TestChildEntry(int32_t operation);

// The eight common descriptors, then the type's own.
extern const PropertyDescriptor kTestWindowProperties[8 + kTestWindowOwnPropertyCount];
extern const PropertyDescriptor kTestChildProperties[8 + kTestChildOwnPropertyCount];
// Type 1 the window, type 2 the child.
extern const UnitTypeRecord kTestUnitTypes[2];
// "test units library": both types; its notification keeps the RuntimeCallback for the units.
extern const LibraryRecord kTestUnitsLibrary;

// Stored-data blocks written field by field from the layouts above, independently of the
// records' Serialize, for tests that hand the runtime an image.
std::vector<uint8_t> TestWindowStoredData(const std::string& caption,
                                          uint32_t version = kTestUnitsStoredVersion);
std::vector<uint8_t> TestChildStoredData(const TestChildData& fields,
                                         uint32_t version = kTestUnitsStoredVersion);

// ---- End of the test unit types -----------------------------------------------------------
