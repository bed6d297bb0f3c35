#include "runtime/image/property_access.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/error_report.h"
#include "runtime/core/error_texts.h"
#include "runtime/core/memory.h"
#include "runtime/core/runtime_app.h"
#include "runtime/core/services.h"
#include "runtime/framework/wnd.h"
#include "runtime/image/mouse_pointer.h"
#include "runtime/image/window_menu.h"
#include "runtime/image/window_store.h"
#include "runtime/units/unit_type.h"

namespace {

constexpr int32_t kCoordinateLimit = 32627;
constexpr uint32_t kStateNeverShown = 0x8000;
constexpr uint32_t kStateNoRecreation = 0x10;
constexpr uint32_t kStateMovesChildren = 0x80;
constexpr uint32_t kStateAnnouncesToParent = 0x100000;
const char kDefaultFace[] = "宋体";

enum ValueForm { kOneWord, kTwoWords, kLogical, kChoice, kBlock, kCursor, kFont, kText };

// How a type code's value travels between compiled code and units.
ValueForm FormOf(uint16_t typeCode)
{
    switch (typeCode) {
    case 1000: case 1001: case 1014: case 1015: case 1017: return kOneWord;
    case 1006: return kChoice;
    case 1002: case 1004: return kTwoWords;
    case 1003: return kLogical;
    case 1009: case 1010: case 1012: case 1023: case 1024: return kBlock;
    case 1011: return kCursor;
    case 1013: return kFont;
    default: return kText;
    }
}

uint32_t Word(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }
template <typename T>
T* Ptr(uint32_t word) { return reinterpret_cast<T*>(static_cast<uintptr_t>(word)); }

// A new text for compiled code, or null for the empty text.
char* NewText(const char* text, size_t length)
{
    if (!text || length == 0)
        return nullptr;
    char* copy = static_cast<char*>(AllocMemory(static_cast<int32_t>(length + 1)));
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

char* NewText(const std::string& text) { return NewText(text.data(), text.size()); }

// A byte block value for compiled code: the word 1, the length, the bytes; null when empty.
uint32_t* NewBlockValue(const uint8_t* data, int32_t length)
{
    if (!data || length <= 0)
        return nullptr;
    // The two header words must fit beside the bytes in one block: asking for the largest
    // block there is fails as a full heap does.
    const int32_t size = length <= INT32_MAX - 8 ? 8 + length : INT32_MAX;
    auto* block = static_cast<uint32_t*>(AllocMemory(size));
    block[0] = 1;
    block[1] = static_cast<uint32_t>(length);
    std::memcpy(block + 2, data, static_cast<size_t>(length));
    return block;
}

std::vector<uint8_t> BlockFromValue(uint32_t value)
{
    const uint32_t* block = Ptr<const uint32_t>(value);
    if (!block || static_cast<int32_t>(block[1]) <= 0)
        return {};
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(block + 2);
    return std::vector<uint8_t>(bytes, bytes + block[1]);
}

struct Target {
    WindowObject* window = nullptr;
    int index = -1;
    UnitRecordFields fields;
    const UnitTypeRecord* type = nullptr;
    CWnd* unit = nullptr;  // live unit with a window, or null
};

Target Locate(uint32_t windowId, uint32_t unitId)
{
    Target t;
    t.window = FindWindowObject(windowId);
    if (!t.window)
        ReportRuntimeError(kTextUnitWindowNotLoaded, 0);
    t.index = t.window->live.Find(unitId);
    if (t.index < 0 && unitId == 0)
        t.index = 0;
    // An identifier the window does not hold is reported as the window not being there.
    if (t.index < 0)
        ReportRuntimeError(kTextUnitWindowNotLoaded, 0);
    return t;
}

bool ReadRecord(Target& t)
{
    uint32_t size = 0;
    const uint8_t* bytes = t.window->live.Record(static_cast<uint32_t>(t.index), &size);
    UnitRecordLayout layout;
    if (!bytes || !ParseUnitRecord(bytes, size, &t.fields, &layout))
        return false;
    t.type = FindUnitType(t.fields.typeId);
    t.unit = t.window->LiveUnit(t.index);
    return true;
}

const PropertyDescriptor& Descriptor(const UnitTypeRecord* type, int32_t number)
{
    if (!type || number < 0 || number >= type->propertyCount || !type->properties)
        ReportRuntimeError(kTextNoSuchProperty, 0);
    return type->properties[number];
}

// Rewrites the record after a change of its fields; later entries move with it.
void StoreRecord(Target& t)
{
    const std::vector<uint8_t> bytes = EncodeUnitRecord(t.fields);
    t.window->live.ReplaceRecord(static_cast<uint32_t>(t.index), bytes.data(), bytes.size());
}

RECT RectInParent(HWND window)
{
    RECT r;
    ::GetWindowRect(window, &r);
    if (!(::GetWindowLongA(window, GWL_STYLE) & WS_POPUP) && ::GetParent(window))
        ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int32_t ClampCoordinate(int32_t v) { return std::min(std::max(v, -kCoordinateLimit), kCoordinateLimit); }
int32_t ClampSize(int32_t v) { return std::min(std::max(v, 0), kCoordinateLimit); }

// --- Fonts ----------------------------------------------------------------------------------------

LOGFONTA FontOf(const uint32_t value[2])
{
    LOGFONTA font = {};
    if (value[1] == sizeof(LOGFONTA) && value[0])
        std::memcpy(&font, Ptr<const void>(value[0]), sizeof(font));
    else
        ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    return font;
}

int32_t PointsOf(const LOGFONTA& font)
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return ::MulDiv(std::abs(font.lfHeight), 72, dpi);
}

void SetPoints(LOGFONTA& font, int32_t points)
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    font.lfHeight = -::MulDiv(std::max(points, 0), dpi, 72);
}

void SetFace(LOGFONTA& font, const char* face)
{
    const size_t length = face ? std::strlen(face) : 0;
    const char* chosen = length >= 1 && length <= 31 ? face : kDefaultFace;
    std::memset(font.lfFaceName, 0, sizeof(font.lfFaceName));
    std::memcpy(font.lfFaceName, chosen, std::strlen(chosen));
}

uint32_t FontPart(const LOGFONTA& font, int32_t part)
{
    switch (part) {
    case 0: return static_cast<uint32_t>(font.lfEscapement);
    case 1: return font.lfWeight >= 700 ? 1 : 0;
    case 2: return font.lfItalic ? 1 : 0;
    case 3: return font.lfStrikeOut ? 1 : 0;
    case 4: return font.lfUnderline ? 1 : 0;
    case 5: return static_cast<uint32_t>(PointsOf(font));
    default: return Word(NewText(font.lfFaceName, std::strlen(font.lfFaceName)));
    }
}

void SetFontPart(LOGFONTA& font, int32_t part, uint32_t value)
{
    switch (part) {
    case 0: {
        int32_t tenths = static_cast<int32_t>(value) % 3600;
        if (tenths < 0)
            tenths += 3600;
        font.lfEscapement = font.lfOrientation = tenths;
        break;
    }
    case 1: font.lfWeight = value ? 700 : 0; break;
    case 2: font.lfItalic = value ? 1 : 0; break;
    case 3: font.lfStrikeOut = value ? 1 : 0; break;
    case 4: font.lfUnderline = value ? 1 : 0; break;
    case 5: SetPoints(font, static_cast<int32_t>(value)); break;
    default: SetFace(font, Ptr<const char>(value)); break;
    }
}

// --- Own properties -------------------------------------------------------------------------------

void GetOwn(const Target& t, int32_t number, uint32_t value[2])
{
    value[0] = value[1] = 0;
    auto get = reinterpret_cast<GetPropertyFn>(UnitOperation(t.type, kOpGetProperty));
    if (get)
        get(t.unit, number, value);
}

uint64_t ConvertForProgram(ValueForm form, const uint32_t value[2], int32_t part)
{
    switch (form) {
    case kOneWord:
    case kChoice: return value[0];
    case kTwoWords: return value[0] | static_cast<uint64_t>(value[1]) << 32;
    case kLogical: return value[0] == 1 ? 1 : 0;
    case kBlock:
        return Word(NewBlockValue(Ptr<const uint8_t>(value[0]), static_cast<int32_t>(value[1])));
    case kCursor: {
        const uint8_t* data = Ptr<const uint8_t>(value[0]);
        std::vector<uint8_t> bytes;
        if (data && static_cast<int32_t>(value[1]) > 0)
            bytes.assign(data, data + value[1]);
        PointerDataToProgram(bytes);
        return Word(NewBlockValue(bytes.data(), static_cast<int32_t>(bytes.size())));
    }
    case kFont: {
        const LOGFONTA font = FontOf(value);
        if (part >= 0 && part <= 6)
            return FontPart(font, part);
        auto* record = static_cast<uint32_t*>(AllocMemory(7 * 4));
        for (int32_t p = 0; p < 7; ++p)
            record[p] = FontPart(font, p);
        return Word(record);
    }
    case kText:
    default: {
        const char* text = Ptr<const char>(value[0]);
        return Word(text ? NewText(text, std::strlen(text)) : nullptr);
    }
    }
}

// The value a unit receives, with the storage it points into.
struct UnitValue {
    uint32_t words[2] = {0, 0};
    std::string text;
    std::vector<uint8_t> bytes;
};

void ConvertForUnit(const Target* t, ValueForm form, int32_t number, int32_t part, uint32_t value,
                    uint32_t second, UnitValue& out)
{
    switch (form) {
    case kOneWord: out.words[0] = value; break;
    case kChoice: out.words[0] = static_cast<int32_t>(value) < 0 ? 0 : value; break;
    case kTwoWords: out.words[0] = value; out.words[1] = second; break;
    case kLogical: out.words[0] = value != 0; break;
    case kBlock:
    case kCursor:
        out.bytes = BlockFromValue(value);
        if (form == kCursor)
            PointerDataToSystem(out.bytes);
        out.words[0] = Word(out.bytes.empty() ? nullptr : out.bytes.data());
        out.words[1] = static_cast<uint32_t>(out.bytes.size());
        break;
    case kFont: {
        LOGFONTA font;
        if (part >= 0 && part <= 6) {
            uint32_t current[2] = {0, 0};
            if (t)
                GetOwn(*t, number, current);
            font = FontOf(current);
            SetFontPart(font, part, value);
        } else {
            const uint32_t* record = Ptr<const uint32_t>(value);
            const uint32_t zero[7] = {};
            if (!record)
                record = zero;
            uint32_t none[2] = {0, 0};
            font = FontOf(none);
            for (int32_t p = 0; p < 7; ++p)
                SetFontPart(font, p, record[p]);
        }
        out.bytes.resize(sizeof(font));
        std::memcpy(out.bytes.data(), &font, sizeof(font));
        out.words[0] = Word(out.bytes.data());
        out.words[1] = sizeof(font);
        break;
    }
    case kText:
    default: {
        const char* text = Ptr<const char>(value);
        out.text = text ? text : "";
        out.words[0] = Word(out.text.c_str());
        break;
    }
    }
}

// --- Re-creation ----------------------------------------------------------------------------------

void DispatchWaitingMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        if (!Runtime().PumpMessage())
            break;
    }
}

void Recreate(Target& t)
{
    if (t.type->state & kStateNoRecreation)
        return;
    auto getData = reinterpret_cast<GetStoredDataFn>(UnitOperation(t.type, kOpGetStoredData));
    auto create = reinterpret_cast<CreateUnitFn>(UnitOperation(t.type, kOpCreateUnit));
    CWnd* old = t.unit;
    if (!getData || !create)
        return;
    HWND oldWindow = old->m_hWnd;
    const HWND focus = ::GetFocus();
    const bool hadFocus = focus == oldWindow || ::IsChild(oldWindow, focus);
    int32_t size = 0;
    HGLOBAL data = getData(old, &size);
    if (!data)
        return;
    const RECT r = RectInParent(oldWindow);
    HWND parent = ::GetParent(oldWindow);
    const uint32_t style = ::IsWindowEnabled(oldWindow) ? 0 : WS_DISABLED;
    const bool wasVisible = ::IsWindowVisible(oldWindow) != 0;
    const uint8_t* bytes = static_cast<const uint8_t*>(::GlobalLock(data));
    CWnd* fresh = create(bytes, size, style, parent, static_cast<uint32_t>(::GetDlgCtrlID(oldWindow)), nullptr,
                         r.left, r.top, r.right - r.left, r.bottom - r.top, t.window->windowId,
                         t.window->live.IdAt(static_cast<uint32_t>(t.index)), nullptr, 0);
    ::GlobalUnlock(data);
    if (fresh && fresh->m_hWnd && ::IsWindow(fresh->m_hWnd)) {
        if (t.type->state & kStateMovesChildren) {
            for (HWND child = ::GetWindow(oldWindow, GW_CHILD); child; child = ::GetWindow(oldWindow, GW_CHILD))
                ::SetParent(child, fresh->m_hWnd);
        }
        t.window->SetLiveObject(t.index, fresh);
        RestackUnit(t.window, t.index);
        ::SendMessageA(fresh->m_hWnd, UnitsCreatedMessage, 0, 0);
        ::SendMessageA(fresh->m_hWnd, LoadFinishedMessage, 0, 0);
        if (t.type->state & kStateAnnouncesToParent)
            ::SendMessageA(parent, WindowCreatedMessage, 0, 0);
        if (wasVisible)
            ::ShowWindow(fresh->m_hWnd, SW_SHOWNA);
        RuntimeApp& app = Runtime();
        app.recreatingUnit = true;
        ::DestroyWindow(oldWindow);
        app.recreatingUnit = false;
        if (hadFocus)
            ::SetFocus(fresh->m_hWnd);
        else if (focus && ::IsWindow(focus))
            ::SetFocus(focus);
    }
    ::GlobalFree(data);
}

// --- Common properties ----------------------------------------------------------------------------

uint64_t ReadCommon(const Target& t, int32_t number)
{
    const UnitRecordFields& f = t.fields;
    HWND w = t.unit ? t.unit->m_hWnd : nullptr;
    switch (number) {
    case 0: return static_cast<uint32_t>(w ? RectInParent(w).left : f.left);
    case 1: return static_cast<uint32_t>(w ? RectInParent(w).top : f.top);
    case 2: { RECT r; if (w) ::GetWindowRect(w, &r); return static_cast<uint32_t>(w ? r.right - r.left : f.width); }
    case 3: { RECT r; if (w) ::GetWindowRect(w, &r); return static_cast<uint32_t>(w ? r.bottom - r.top : f.height); }
    case 4: return Word(NewText(f.tag));
    case 5: return w ? (::IsWindowVisible(w) ? 1 : 0) : (f.flags & kUnitVisible ? 1 : 0);
    case 6: return w ? (::IsWindowEnabled(w) ? 0 : 1) : (f.flags & kUnitDisabled ? 1 : 0);
    default: {
        std::vector<uint8_t> data = f.mousePointer;
        PointerDataToProgram(data);
        return Word(NewBlockValue(data.data(), static_cast<int32_t>(data.size())));
    }
    }
}

void MoveUnit(HWND w, int32_t left, int32_t top)
{
    ::SetWindowPos(w, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WriteCommon(Target& t, int32_t number, uint32_t value)
{
    UnitRecordFields& f = t.fields;
    HWND w = t.unit ? t.unit->m_hWnd : nullptr;
    const int32_t v = static_cast<int32_t>(value);
    switch (number) {
    case 0:
    case 1: {
        (number == 0 ? f.left : f.top) = ClampCoordinate(v);
        StoreRecord(t);
        if (w) {
            const RECT r = RectInParent(w);
            MoveUnit(w, number == 0 ? f.left : r.left, number == 1 ? f.top : r.top);
        }
        break;
    }
    case 2:
    case 3: {
        (number == 2 ? f.width : f.height) = ClampSize(v);
        StoreRecord(t);
        if (w) {
            RECT r;
            ::GetWindowRect(w, &r);
            ::SetWindowPos(w, nullptr, 0, 0, number == 2 ? f.width : r.right - r.left,
                           number == 3 ? f.height : r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        break;
    }
    case 4: {
        const char* text = Ptr<const char>(value);
        f.tag = text ? text : "";
        StoreRecord(t);
        break;
    }
    case 5:
        f.flags = value ? (f.flags | kUnitVisible) : (f.flags & ~kUnitVisible);
        StoreRecord(t);
        if (!w)
            break;
        if (!value)
            ::ShowWindow(w, SW_HIDE);
        else if (t.index == 0)
            ShowLoadedWindow(t.window, true);
        else if (!(t.type && (t.type->state & kStateNeverShown)))
            ::ShowWindow(w, SW_SHOW);
        break;
    case 6:
        f.flags = value ? (f.flags | kUnitDisabled) : (f.flags & ~kUnitDisabled);
        StoreRecord(t);
        if (w)
            ::EnableWindow(w, value ? FALSE : TRUE);
        break;
    default: {
        f.mousePointer = BlockFromValue(value);
        PointerDataToSystem(f.mousePointer);
        StoreRecord(t);
        if (HCURSOR old = t.window->Cursor(t.index))
            DestroyMouseCursor(old);
        t.window->SetCursor(t.index, MakeMousePointerCursor(f.mousePointer));
        if (w) {
            POINT p;
            ::GetCursorPos(&p);
            ::SetCursorPos(p.x, p.y);
        }
        break;
    }
    }
}

}  // namespace

uint64_t ReadProperty(uint32_t windowId, uint32_t unitId, int32_t number, int32_t part)
{
    Target t = Locate(windowId, unitId);
    if (t.window->live.IsMenuItem(static_cast<uint32_t>(t.index)))
        return ReadMenuItemProperty(*t.window, t.index, number);
    if (!ReadRecord(t))
        ReportRuntimeError(kTextUnitWindowNotLoaded, 0);
    const PropertyDescriptor& descriptor = Descriptor(t.type, number);
    if (number < 8)
        return ReadCommon(t, number);
    if (!t.unit)
        ReportRuntimeError(kTextWindowNotLoaded, 0);
    uint32_t value[2];
    GetOwn(t, number - 8, value);
    return ConvertForProgram(FormOf(descriptor.typeCode), value, part);
}

void WriteProperty(uint32_t windowId, uint32_t unitId, int32_t number, int32_t part, uint32_t value,
                   uint32_t second)
{
    Target t = Locate(windowId, unitId);
    if (t.window->live.IsMenuItem(static_cast<uint32_t>(t.index))) {
        WriteMenuItemProperty(*t.window, t.index, number, value);
        return;
    }
    if (!ReadRecord(t))
        ReportRuntimeError(kTextUnitWindowNotLoaded, 0);
    const PropertyDescriptor& descriptor = Descriptor(t.type, number);
    if (number < 8) {
        WriteCommon(t, number, value);
        return;
    }
    if (!t.unit)
        ReportRuntimeError(kTextWindowNotLoaded, 0);
    UnitValue converted;
    ConvertForUnit(&t, FormOf(descriptor.typeCode), number - 8, part, value, second, converted);
    auto changed = reinterpret_cast<PropertyChangedFn>(UnitOperation(t.type, kOpPropertyChanged));
    uint32_t result = 0;
    if (!changed || changed(t.unit, number - 8, converted.words, &result) != 1)
        return;
    if (t.index == 0 || !t.window->LiveUnit(t.index))
        return;
    RuntimeApp& app = Runtime();
    DispatchWaitingMessages();
    ++app.eventSuppressionCount;
    t.unit = t.window->LiveUnit(t.index);
    if (t.unit)
        Recreate(t);
    DispatchWaitingMessages();
    if (app.eventSuppressionCount > 0)
        --app.eventSuppressionCount;
}

// Through a unit reference only the unit's own properties (8 and up, numbered as everywhere
// else) are reached: the descriptor and the unit are asked with the same property.
uint64_t ReadPropertyOfObject(uint32_t typeId, uint32_t object, int32_t number, int32_t part)
{
    Target t;
    t.type = FindUnitType(typeId);
    t.unit = Ptr<CWnd>(object);
    const PropertyDescriptor& descriptor = Descriptor(t.type, number);
    if (number < 8)
        return 0;
    uint32_t value[2];
    GetOwn(t, number - 8, value);
    return ConvertForProgram(FormOf(descriptor.typeCode), value, part);
}

void WritePropertyOfObject(uint32_t typeId, uint32_t object, int32_t number, int32_t part, uint32_t value,
                           uint32_t second)
{
    Target t;
    t.type = FindUnitType(typeId);
    t.unit = Ptr<CWnd>(object);
    const PropertyDescriptor& descriptor = Descriptor(t.type, number);
    if (number < 8)
        return;
    UnitValue converted;
    ConvertForUnit(&t, FormOf(descriptor.typeCode), number - 8, part, value, second, converted);
    auto changed = reinterpret_cast<PropertyChangedFn>(UnitOperation(t.type, kOpPropertyChanged));
    uint32_t result = 0;
    if (changed)
        changed(t.unit, number - 8, converted.words, &result);
}
