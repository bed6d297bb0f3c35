// The test unit types and their library record; see test_units.h.
#include "tests/image/test_units.h"

#include <windowsx.h>

#include "runtime/core/byte_writer.h"

// ---- Test unit types ----------------------------------------------------------------------

namespace {

uint32_t Word(const void* pointer) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}

std::string TextValue(uint32_t word) {
    const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(word));
    return text ? std::string(text) : std::string();
}

std::vector<uint8_t> BlockValue(const uint32_t* value) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(value[0]));
    int32_t length = static_cast<int32_t>(value[1]);
    if (!data || length <= 0)
        return {};
    return std::vector<uint8_t>(data, data + length);
}

void PutBlock(const std::vector<uint8_t>& block, uint32_t* value) {
    value[0] = block.empty() ? 0 : Word(block.data());
    value[1] = static_cast<uint32_t>(block.size());
}

void RegisterTestClasses() {
    HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    RegisterWndClass(kTestWindowClass, CS_DBLCLKS, arrow, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    RegisterWndClass(kTestChildClass, CS_DBLCLKS, arrow, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
}

// The events both types raise for tests to drive dispatch with.
bool RaiseTestEvent(UnitCore& unit, UINT message, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
        RaiseUnitEvent(unit, kTestUnitClickEvent,
                       {static_cast<uint32_t>(GET_X_LPARAM(lParam)), static_cast<uint32_t>(GET_Y_LPARAM(lParam))});
        return true;
    case WM_SETFOCUS: RaiseUnitEvent(unit, kEventGotFocus); return true;
    case WM_KILLFOCUS: RaiseUnitEvent(unit, kEventLostFocus); return true;
    default: return false;
    }
}

// ---- Window type operations ----

CWnd* CreateTestWindow(const uint8_t* data, int32_t size, uint32_t style, HWND parent, uint32_t,
                       HMENU menu, int32_t x, int32_t y, int32_t width, int32_t height,
                       uint32_t windowId, uint32_t unitId, HWND, int32_t designMode) {
    RegisterTestClasses();
    return CreateUnitFromStoredData<TestWindowUnit>(
        data, size, UnitIds{windowId, unitId, designMode}, [&](TestWindowUnit& unit) {
            DWORD windowStyle = (style & ~WS_VISIBLE) | WS_OVERLAPPEDWINDOW;
            return unit.CreateEx(0, kTestWindowClass, unit.caption.c_str(), windowStyle, x, y,
                                 width, height, parent, menu) != FALSE;
        });
}

int32_t TestWindowPropertyChanged(CWnd* wnd, int32_t number, const uint32_t* value, uint32_t* result) {
    if (result)
        *result = 0;
    auto& unit = static_cast<TestWindowUnit&>(*wnd);
    if (number != kWindowCaption || !value)
        return 0;
    unit.caption = TextValue(value[0]);
    unit.SetWindowText(unit.caption);
    return 0;
}

HGLOBAL GetTestWindowData(CWnd* wnd, int32_t* size) {
    return SaveStoredData(static_cast<TestWindowUnit&>(*wnd), size);
}

int32_t TestWindowGetProperty(CWnd* wnd, int32_t number, uint32_t* value) {
    auto& unit = static_cast<TestWindowUnit&>(*wnd);
    if (number != kWindowCaption)
        return 0;
    value[0] = Word(unit.caption.c_str());
    return 1;
}

// ---- Child type operations ----

CWnd* CreateTestChild(const uint8_t* data, int32_t size, uint32_t style, HWND parent,
                      uint32_t controlId, HMENU, int32_t x, int32_t y, int32_t width, int32_t height,
                      uint32_t windowId, uint32_t unitId, HWND, int32_t designMode) {
    RegisterTestClasses();
    return CreateUnitFromStoredData<TestChildUnit>(
        data, size, UnitIds{windowId, unitId, designMode}, [&](TestChildUnit& unit) {
            DWORD windowStyle = (style & ~WS_VISIBLE) | WS_CHILD;
            HMENU id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlId));
            if (!unit.CreateEx(0, kTestChildClass, unit.caption.c_str(), windowStyle, x, y, width,
                               height, parent, id))
                return false;
            unit.unitFont.Apply(unit.m_hWnd, unit.font);
            return true;
        });
}

int32_t TestChildPropertyChanged(CWnd* wnd, int32_t number, const uint32_t* value, uint32_t* result) {
    if (result)
        *result = 0;
    if (!value)
        return 0;
    auto& unit = static_cast<TestChildUnit&>(*wnd);
    switch (number) {
    case kChildCaption:
        unit.caption = TextValue(value[0]);
        unit.SetWindowText(unit.caption);
        return 0;
    case kChildNumber: unit.number = static_cast<int32_t>(value[0]); return 0;
    case kChildFlag: unit.flag = value[0] != 0; return 0;
    case kChildFont:
        unit.font = BlockValue(value);
        unit.unitFont.Apply(unit.m_hWnd, unit.font);
        return 0;
    case kChildChoice:
        if (static_cast<int32_t>(value[0]) >= 0 && static_cast<int32_t>(value[0]) < kTestChildChoiceCount)
            unit.choice = static_cast<int32_t>(value[0]);
        return 0;
    case kChildData: unit.data = BlockValue(value); return 0;
    case kChildStyle: unit.style = static_cast<int32_t>(value[0]); return 1;
    case kChildFree: unit.freeNumber = static_cast<int32_t>(value[0]); return 0;
    default: return 0;
    }
}

HGLOBAL GetTestChildData(CWnd* wnd, int32_t* size) {
    return SaveStoredData(static_cast<TestChildUnit&>(*wnd), size);
}

int32_t TestChildGetProperty(CWnd* wnd, int32_t number, uint32_t* value) {
    auto& unit = static_cast<TestChildUnit&>(*wnd);
    switch (number) {
    case kChildCaption: value[0] = Word(unit.caption.c_str()); return 1;
    case kChildNumber: value[0] = static_cast<uint32_t>(unit.number); return 1;
    case kChildFlag: value[0] = unit.flag ? 1 : 0; return 1;
    case kChildFont: PutBlock(unit.font, value); return 1;
    case kChildChoice: value[0] = static_cast<uint32_t>(unit.choice); return 1;
    case kChildData: PutBlock(unit.data, value); return 1;
    case kChildStyle: value[0] = static_cast<uint32_t>(unit.style); return 1;
    case kChildFree: value[0] = static_cast<uint32_t>(unit.freeNumber); return 1;
    default: return 0;
    }
}

// ---- Entry tables ----

struct OperationRow {
    int32_t operation;
    void* entry;
};

void* FindOperation(const OperationRow* rows, size_t count, int32_t operation) {
    for (size_t i = 0; i < count; ++i) {
        if (rows[i].operation == operation)
            return rows[i].entry;
    }
    return nullptr;
}

template <class Fn>
void* Entry(Fn fn) {
    return reinterpret_cast<void*>(fn);
}

const OperationRow kWindowOperations[] = {
    {kOpCreateUnit, Entry<CreateUnitFn>(CreateTestWindow)},
    {kOpPropertyChanged, Entry<PropertyChangedFn>(TestWindowPropertyChanged)},
    {kOpGetStoredData, Entry<GetStoredDataFn>(GetTestWindowData)},
    {kOpGetProperty, Entry<GetPropertyFn>(TestWindowGetProperty)},
    {kOpConvertTexts, Entry<ConvertTextsFn>(ConvertTextsOf<TestWindowData>)},
};

const OperationRow kChildOperations[] = {
    {kOpCreateUnit, Entry<CreateUnitFn>(CreateTestChild)},
    {kOpPropertyChanged, Entry<PropertyChangedFn>(TestChildPropertyChanged)},
    {kOpGetStoredData, Entry<GetStoredDataFn>(GetTestChildData)},
    {kOpGetProperty, Entry<GetPropertyFn>(TestChildGetProperty)},
    {kOpConvertTexts, Entry<ConvertTextsFn>(ConvertTextsOf<TestChildData>)},
};

uint32_t NotifyTestUnits(int32_t message, uint32_t word1, uint32_t) {
    if (message == kLibraryStart)
        SetUnitCallback(reinterpret_cast<RuntimeCallbackFn>(static_cast<uintptr_t>(word1)));
    return 0;
}

}  // namespace

// ---- Data records ----

void TestWindowData::Reset() {
    caption = kTestWindowDefaultCaption;
}

int TestWindowData::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        archive.WriteDWord(kTestUnitsStoredVersion);
        archive.WriteText(caption);
        return 1;
    }
    UnitData::Serialize(archive);
    if (!ReadStoredVersion(archive, kTestUnitsStoredVersion, nullptr))
        return 0;
    archive.ReadText(caption);
    return archive.IsOk() ? 1 : 0;
}

void TestWindowData::ForEachText(UnitTextVisitor& visitor) {
    visitor.VisitText(caption);
}

void TestChildData::Reset() {
    caption = kTestChildDefaultCaption;
    number = kTestChildDefaultNumber;
    flag = kTestChildDefaultFlag;
    font.clear();
    choice = kTestChildDefaultChoice;
    data.clear();
}

int TestChildData::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        archive.WriteDWord(kTestUnitsStoredVersion);
        archive.WriteText(caption);
        archive.WriteInt(number);
        archive.WriteInt(flag ? 1 : 0);
        archive.WriteBlock(font.data(), font.size());
        archive.WriteInt(choice);
        archive.WriteBlock(data.data(), data.size());
        return 1;
    }
    UnitData::Serialize(archive);
    if (!ReadStoredVersion(archive, kTestUnitsStoredVersion, nullptr))
        return 0;
    archive.ReadText(caption);
    number = archive.ReadInt();
    flag = archive.ReadInt() != 0;
    archive.ReadBlock(font);
    choice = archive.ReadInt();
    archive.ReadBlock(data);
    return archive.IsOk() ? 1 : 0;
}

void TestChildData::ForEachText(UnitTextVisitor& visitor) {
    visitor.VisitText(caption);
    visitor.VisitFontBlock(font);
}

// ---- Unit objects ----

int TestWindowUnit::liveCount = 0;
int TestChildUnit::liveCount = 0;

TestWindowUnit::TestWindowUnit(const UnitIds& ids) : Unit(ids) {
    ++liveCount;
}

TestWindowUnit::~TestWindowUnit() {
    --liveCount;
}

LRESULT TestWindowUnit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    RaiseTestEvent(*this, message, lParam);
    return CWnd::WindowProc(message, wParam, lParam);
}

TestChildUnit::TestChildUnit(const UnitIds& ids) : Unit(ids) {
    ++liveCount;
}

TestChildUnit::~TestChildUnit() {
    --liveCount;
}

LRESULT TestChildUnit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETFONT)
        return reinterpret_cast<LRESULT>(unitFont.Handle());
    RaiseTestEvent(*this, message, lParam);
    return CWnd::WindowProc(message, wParam, lParam);
}

// ---- Records ----

void* TestWindowEntry(int32_t operation) {
    return FindOperation(kWindowOperations, sizeof kWindowOperations / sizeof kWindowOperations[0], operation);
}

void* TestChildEntry(int32_t operation) {
    return FindOperation(kChildOperations, sizeof kChildOperations / sizeof kChildOperations[0], operation);
}

#define TEST_COMMON_PROPERTIES                                         \
    {"左边", "Left", nullptr, 1001, 0xE000, nullptr},                   \
    {"顶边", "Top", nullptr, 1001, 0xE000, nullptr},                    \
    {"宽度", "Width", nullptr, 1001, 0xE000, nullptr},                  \
    {"高度", "Height", nullptr, 1001, 0xE000, nullptr},                 \
    {"标记", "Tag", nullptr, 1005, 0xE000, nullptr},                    \
    {"可视", "Visible", nullptr, 1003, 0xE000, nullptr},                \
    {"禁止", "Disabled", nullptr, 1003, 0xE000, nullptr},               \
    {"鼠标指针", "MousePointer", nullptr, 1011, 0xE000, nullptr}

const PropertyDescriptor kTestWindowProperties[8 + kTestWindowOwnPropertyCount] = {
    TEST_COMMON_PROPERTIES,
    {"标题", "Caption", nullptr, 1005, 0, nullptr},
};

const PropertyDescriptor kTestChildProperties[8 + kTestChildOwnPropertyCount] = {
    TEST_COMMON_PROPERTIES,
    {"标题", "Caption", nullptr, 1005, 0, nullptr},
    {"数值", "Number", nullptr, 1001, 0, nullptr},
    {"标志", "Flag", nullptr, 1003, 0, nullptr},
    {"字体", "Font", nullptr, 1013, 0, nullptr},
    {"选择", "Choice", nullptr, 1006, 0, nullptr},
    {"数据", "Data", nullptr, 1009, 0, nullptr},
    {"风格", "Style", nullptr, 1001, 0, nullptr},
    {"自由数值", "Free", nullptr, 1001, 0, nullptr},
};

#undef TEST_COMMON_PROPERTIES

const UnitTypeRecord kTestUnitTypes[2] = {
    {"测试窗口", "TestWindow", nullptr, 0, nullptr, kTestWindowState, 0, 0, nullptr,
     8 + kTestWindowOwnPropertyCount, kTestWindowProperties, TestWindowEntry, 0, nullptr},
    {"测试组件", "TestChild", nullptr, 0, nullptr, kTestChildState, 0, 0, nullptr,
     8 + kTestChildOwnPropertyCount, kTestChildProperties, TestChildEntry, 0, nullptr},
};

const LibraryRecord kTestUnitsLibrary = {
    kLibraryFormat, "544156523054455354554E4954530001", 1, 0, 1, 1, 0, 1, 0,
    "test units library", 1, "Unit types for the window-loading and property tests", 0, {},
    2, kTestUnitTypes, 0, nullptr,
    0, nullptr, nullptr,
    nullptr, nullptr, NotifyTestUnits, nullptr, nullptr, 0, nullptr, nullptr};

// ---- Stored-data blocks ----

std::vector<uint8_t> TestWindowStoredData(const std::string& caption, uint32_t version) {
    ByteWriter out;
    out.u32(version);
    out.u32(static_cast<uint32_t>(caption.size()));
    out.bytes(caption.data(), caption.size());
    return out.take();
}

std::vector<uint8_t> TestChildStoredData(const TestChildData& fields, uint32_t version) {
    ByteWriter out;
    out.u32(version);
    out.u32(static_cast<uint32_t>(fields.caption.size()));
    out.bytes(fields.caption.data(), fields.caption.size());
    out.i32(fields.number);
    out.u32(fields.flag ? 1 : 0);
    out.u32(static_cast<uint32_t>(fields.font.size()));
    out.bytes(fields.font.data(), fields.font.size());
    out.i32(fields.choice);
    out.u32(static_cast<uint32_t>(fields.data.size()));
    out.bytes(fields.data.data(), fields.data.size());
    return out.take();
}

// ---- End of the test unit types -----------------------------------------------------------
