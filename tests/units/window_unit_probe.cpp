// A compiled program for the window-unit tests: its image lists a support library whose type 1
// is the window unit and whose further types are small test children of the kinds the window's
// navigation tells apart. What it does is picked by its command line; what it saw goes to
// window_unit_probe.log beside the executable. In the "script" scenario a thread timer drives
// the window through the real message loop, one step per tick, so every posted message passes
// the window's pre-translation.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/runtime_app.h"
#include "runtime/core/services.h"
#include "runtime/units/unit_base.h"
#include "runtime/units/window_unit.h"
#include "tests/support/probe_log.h"

extern "C" const uint8_t WindowUnitForm[];
extern "C" const uint32_t WindowUnitFormSize;
extern "C" const uint8_t HandlerArea[];

namespace {

constexpr uint32_t kMain = 0x52010001, kSecond = 0x52010010;
constexpr uint32_t kFrameWindows[] = {0x52010020, 0x52010021, 0x52010022};
constexpr uint32_t kPlain = 0x16010002, kGo = 0x16010003, kOption1 = 0x16010005, kOption2 = 0x16010006;
constexpr uint32_t kCheck = 0x1601000A, kWants = 0x1601000B;

std::string LogPath() { return probe_log::BesideExecutable("window_unit_probe.log"); }

void Log(const std::string& line) { probe_log::Append(LogPath(), line); }

std::string Hex(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%X", v);
    return b;
}

std::string Num(long v) { return std::to_string(v); }

// ---- Test children ----------------------------------------------------------------------

class ChildData : public UnitData {
public:
    std::string caption;
    int32_t flag = 0;
    void Reset() override { caption.clear(); flag = 0; }
    int Serialize(CArchive& archive) override {
        if (archive.IsStoring()) {
            archive.WriteDWord(1);
            archive.WriteText(caption);
            archive.WriteInt(flag);
            return 1;
        }
        UnitData::Serialize(archive);
        if (!ReadStoredVersion(archive, 1, nullptr))
            return 0;
        archive.ReadText(caption);
        flag = archive.ReadInt();
        return archive.IsOk() ? 1 : 0;
    }
    void ForEachText(UnitTextVisitor& visitor) override { visitor.VisitText(caption); }
};

class Child : public Unit<CWnd, ChildData> {
public:
    explicit Child(const UnitIds& ids) : Unit(ids) {}
    UnitBrush brush;
    int checked = 0;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case BM_GETCHECK: return checked;
        case BM_SETCHECK: checked = static_cast<int>(wParam); return 0;
        case WM_LBUTTONDOWN: Log(caption + " got the click"); return 0;
        case WM_CHAR: Log(caption + " got char " + std::string(1, static_cast<char>(wParam))); return 0;
        case WM_REFLECT_CTLCOLOR: return reinterpret_cast<LRESULT>(brush.Handle());
        default: return CWnd::WindowProc(message, wParam, lParam);
        }
    }
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message == WM_COMMAND) {
            Log(caption + " notified " + Num(HIWORD(wParam)));
            *result = 0;
            return TRUE;
        }
        return CWnd::OnChildNotify(message, wParam, lParam, result);
    }
};

CWnd* CreateChild(const uint8_t* data, int32_t size, uint32_t style, HWND parent, uint32_t controlId, HMENU,
                  int32_t x, int32_t y, int32_t width, int32_t height, uint32_t windowId, uint32_t unitId, HWND,
                  int32_t designMode) {
    RegisterWndClass("WuTestChild", CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW), nullptr);
    return CreateUnitFromStoredData<Child>(data, size, UnitIds{windowId, unitId, designMode}, [&](Child& unit) {
        unit.brush.Make(0x00123456);
        return unit.CreateEx(0, "WuTestChild", unit.caption.c_str(), (style & ~WS_VISIBLE) | WS_CHILD, x, y, width,
                             height, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlId))) != FALSE;
    });
}
int32_t ChildChanged(CWnd*, int32_t, const uint32_t*, uint32_t* result) { *result = 0; return 0; }
HGLOBAL ChildData_(CWnd* unit, int32_t* size) { return SaveStoredData(*static_cast<Child*>(unit), size); }
int32_t ChildProperty(CWnd* unit, int32_t number, uint32_t* value) {
    if (number != 0)
        return 0;
    value[0] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(static_cast<Child*>(unit)->caption.c_str()));
    return 1;
}
int32_t ChildWantsKey(CWnd*, uint32_t key) { return key == VK_ESCAPE || key == VK_RETURN ? 1 : 0; }
int32_t ChildIsDefault(CWnd* unit) { return static_cast<Child*>(unit)->flag == 1 ? 1 : 0; }

void* ChildOperation(int32_t operation, bool wantsKeys, bool button) {
    switch (operation) {
    case kOpCreateUnit: return reinterpret_cast<void*>(&CreateChild);
    case kOpPropertyChanged: return reinterpret_cast<void*>(&ChildChanged);
    case kOpGetStoredData: return reinterpret_cast<void*>(&ChildData_);
    case kOpGetProperty: return reinterpret_cast<void*>(&ChildProperty);
    case kOpConvertTexts: return reinterpret_cast<void*>(&ConvertTextsOf<ChildData>);
    case kOpWantsKey: return wantsKeys ? reinterpret_cast<void*>(&ChildWantsKey) : nullptr;
    case kOpIsDefaultButton: return button ? reinterpret_cast<void*>(&ChildIsDefault) : nullptr;
    default: return nullptr;
    }
}
void* PlainEntry(int32_t op) { return ChildOperation(op, false, false); }
void* ButtonEntry(int32_t op) { return ChildOperation(op, false, true); }
void* WantsEntry(int32_t op) { return ChildOperation(op, true, false); }

const PropertyDescriptor kChildProperties[9] = {
    kWindowUnitProperties[0], kWindowUnitProperties[1], kWindowUnitProperties[2], kWindowUnitProperties[3],
    kWindowUnitProperties[4], kWindowUnitProperties[5], kWindowUnitProperties[6], kWindowUnitProperties[7],
    {"caption", "Caption", nullptr, 1005, 0, nullptr},
};

#define CHILD_TYPE(name, state, entry) \
    {name, name, nullptr, 0, nullptr, state, 0, 0, nullptr, 9, kChildProperties, entry, 0, nullptr}

const UnitTypeRecord kProbeTypes[] = {
    kWindowUnitType,
    CHILD_TYPE("plain", 0x00000040, PlainEntry),
    CHILD_TYPE("button", 0x00000840, ButtonEntry),
    CHILD_TYPE("option", 0x00000440, PlainEntry),
    CHILD_TYPE("label", 0x00012040, PlainEntry),
    CHILD_TYPE("check", 0x00001040, PlainEntry),
    CHILD_TYPE("wants", 0x00000040, WantsEntry),
};

RuntimeCallbackFn g_callback = nullptr;

uint32_t ProbeNotify(int32_t message, uint32_t word1, uint32_t) {
    if (message == kLibraryStart) {
        g_callback = reinterpret_cast<RuntimeCallbackFn>(static_cast<uintptr_t>(word1));
        SetUnitCallback(g_callback);
    }
    return 0;
}

const LibraryRecord kProbeLibrary = {
    kLibraryFormat, "5755505230424501122334455667788A", 1, 0, 1, 1, 0, 1, 0, "window unit probe", 1, nullptr,
    0, {}, 7, kProbeTypes, 0, nullptr, 0, nullptr, nullptr, nullptr, nullptr, ProbeNotify, nullptr,
    nullptr, 0, nullptr, nullptr,
};
const LibraryRecord* const kLibraries[] = {&kProbeLibrary};

struct ProbeData {
    const void* services[kServiceCount];
    char constants[1];
};

}  // namespace

extern "C" {
const ProbeData WindowUnitDataBlock = {TAVORI_RUNTIME_SERVICES, {0}};
const void* const* const ProgramServices = WindowUnitDataBlock.services;
const ImageHeader ProgramImageHeader = {
    3, 0, 0x10030, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(HandlerArea)) + 4,
    WindowUnitDataBlock.constants, 1, WindowUnitForm, static_cast<int32_t>(WindowUnitFormSize), 1, kLibraries,
    0, nullptr, nullptr,
};
}

namespace {

// ---- Helpers of the scenarios -----------------------------------------------------------------

CWnd* Object(uint32_t windowId, uint32_t unitId) {
    return reinterpret_cast<CWnd*>(static_cast<uintptr_t>(g_callback(kRequestFindObject, windowId, unitId)));
}

HWND Handle(uint32_t windowId, uint32_t unitId = 0) {
    CWnd* object = Object(windowId, unitId);
    return object ? object->m_hWnd : nullptr;
}

std::string NameOf(HWND window) {
    if (!window)
        return "none";
    if (window == Handle(kMain))
        return "window";
    char text[64] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string Focus() { return "focus " + NameOf(GetFocus()); }

std::string EventSource() {
    uint32_t source[2] = {0, 0};
    g_callback(kRequestEventSource, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(source)), 0);
    return Hex(source[1]);
}

void SetModifiers(bool ctrl, bool shift, bool alt) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_MENU] = alt ? 0x80 : 0;
    SetKeyboardState(keys);
}

void PostKey(HWND to, UINT key, bool system = false) {
    PostMessageA(to, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1);
    PostMessageA(to, system ? WM_SYSKEYUP : WM_KEYUP, key, 1 | (LPARAM(3) << 30));
}

void PostToFocus(UINT key) { PostKey(GetFocus(), key); }

std::string Styles(HWND window) {
    return "style " + Hex(static_cast<uint32_t>(GetWindowLongA(window, GWL_STYLE))) + " ex " +
           Hex(static_cast<uint32_t>(GetWindowLongA(window, GWL_EXSTYLE)));
}

std::string Rect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return Num(r.left) + " " + Num(r.top) + " " + Num(r.right) + " " + Num(r.bottom);
}

void Write(uint32_t windowId, int32_t number, uint32_t value) { program::WriteProperty(windowId, 0, number, value); }
void WriteText(uint32_t windowId, int32_t number, const char* text) {
    Write(windowId, number, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(text)));
}
int32_t Read(uint32_t windowId, int32_t number) {
    return static_cast<int32_t>(program::ReadProperty(windowId, 0, number));
}

// The frames of the hidden windows as created, then one of them through the property writes.
// A shape the system refuses: its region must be deleted, not kept. The calls go through the
// program's own import slots, so swapping a slot makes the system refuse and counts deletions.
extern "C" int(WINAPI* g_setRegionSlot)(HWND, HRGN, BOOL) __asm__("__imp__SetWindowRgn@12");
extern "C" BOOL(WINAPI* g_deleteSlot)(HGDIOBJ) __asm__("__imp__DeleteObject@4");
HRGN g_refused = nullptr;
int g_refusedDeleted = 0;
BOOL(WINAPI* g_delete)(HGDIOBJ) = nullptr;
int WINAPI RefuseRegion(HWND, HRGN region, BOOL) { g_refused = region; return 0; }
BOOL WINAPI CountingDelete(HGDIOBJ object) {
    g_refusedDeleted += object && object == g_refused;
    return g_delete(object);
}

template <typename T> void Swap(T& slot, T to) {
    DWORD old = 0;
    VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &old);
    slot = to;
    VirtualProtect(&slot, sizeof slot, old, &old);
}

void RefusedShape(uint32_t windowId) {
    int(WINAPI* const setRegion)(HWND, HRGN, BOOL) = g_setRegionSlot;
    g_delete = g_deleteSlot;
    Swap(g_setRegionSlot, RefuseRegion);
    Swap(g_deleteSlot, CountingDelete);
    Write(windowId, 8 + kWindowShape, 5);
    Swap(g_setRegionSlot, setRegion);
    Swap(g_deleteSlot, g_delete);
    Log("refused region " + std::string(g_refused ? "made" : "none") + ", deleted " + Num(g_refusedDeleted));
}

void Frames() {
    for (uint32_t id : kFrameWindows) {
        program::LoadStartupWindow(id);
        Log("frame " + Hex(id) + " " + Styles(Handle(id)));
    }
    const uint32_t w = kFrameWindows[0];
    for (int border = 0; border <= 6; ++border) {
        for (int caption = 0; caption <= 1; ++caption) {
            for (int box = 0; box <= 1; ++box) {
                Write(w, 8 + kWindowBorder, static_cast<uint32_t>(border));
                WriteText(w, 8 + kWindowCaption, caption ? "T" : "");
                Write(w, 8 + kWindowControlBox, static_cast<uint32_t>(box));
                Log("sweep " + Num(border) + " " + Num(caption) + " " + Num(box) + " " + Styles(Handle(w)));
            }
        }
    }
    Write(w, 8 + kWindowBorder, 9);
    Log("border 9 reads " + Num(Read(w, 8 + kWindowBorder)));
    RefusedShape(w);
    for (uint32_t id : kFrameWindows)
        DestroyWindow(Handle(id));
}

void Background() {
    HWND main = Handle(kMain);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 20, 20);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT area{2, 2, 10, 10};
    Write(kMain, 8 + kWindowBackColour, 0x00336699);
    const LRESULT answer = SendPrivateMessage(main, PaintBackgroundMessage, reinterpret_cast<WPARAM>(dc),
                                        reinterpret_cast<LPARAM>(&area));
    Log("background answer " + Num(static_cast<long>(answer)) + " inside " + Hex(GetPixel(dc, 5, 5)) + " outside " +
        Hex(GetPixel(dc, 15, 15) == GetPixel(dc, 0, 0) ? 0 : 1));
    Write(kMain, 8 + kWindowBackColour, 0xFF000000);
    SendPrivateMessage(main, PaintBackgroundMessage, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(&area));
    Log(std::string("system colour drawn ") + (GetPixel(dc, 5, 5) == GetSysColor(COLOR_BTNFACE) ? "yes" : "no"));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

void Created() {
    HWND main = Handle(kMain);
    char cls[64] = "";
    GetClassNameA(main, cls, sizeof cls);
    HICON shared[2] = {};
    g_callback(kRequestDefaultIcons, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(shared)), 0);
    const HICON big = reinterpret_cast<HICON>(SendMessageA(main, WM_GETICON, ICON_BIG, 0));
    const HICON small = reinterpret_cast<HICON>(SendMessageA(main, WM_GETICON, ICON_SMALL, 0));
    Log("created class " + std::string(cls) + " rect " + Rect(main) + " screen " + Num(GetSystemMetrics(SM_CXSCREEN)) +
        " " + Num(GetSystemMetrics(SM_CYSCREEN)) + " " + Styles(main));
    Log(std::string("icons shared ") + (big && big == shared[0] && small == shared[1] ? "yes" : "no") + ", owner " + (GetWindow(main, GW_OWNER) ? "yes" : "no"));
    HWND second = Handle(kSecond);
    GetClassNameA(second, cls, sizeof cls);
    Log("second class " + std::string(cls) + " rect " + Rect(second));
    Frames();
    Background();
}

// Property 10 reads the state the window is in.
void Placement() {
    HWND main = Handle(kMain);
    Write(kMain, 8 + kWindowPosition, 3);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    Log("maximised reads " + Num(Read(kMain, 8 + kWindowPosition)) + " rect " + Rect(main) + " work " +
        Num(work.left) + " " + Num(work.top) + " " + Num(work.right) + " " + Num(work.bottom));
    Write(kMain, 8 + kWindowPosition, 1);
    Log("centred reads " + Num(Read(kMain, 8 + kWindowPosition)) + " rect " + Rect(main));
}

int g_closeRequests = 0;
uint32_t g_mouseAnswer = 1;

std::vector<std::function<void()>> ScriptSteps() {
    auto unit = [](uint32_t id) { return Handle(kMain, id); };
    return {
        [] { Created(); },
        [=] { SetFocus(unit(kPlain)); PostToFocus(VK_TAB); },
        [] { Log(Focus()); PostToFocus(VK_TAB); },
        [] { Log(Focus()); PostToFocus(VK_TAB); },
        [] { Log(Focus()); PostToFocus(VK_TAB); },
        [] { Log(Focus()); PostToFocus(VK_TAB); },
        [] { Log(Focus()); SetModifiers(false, true, false); PostToFocus(VK_TAB); },
        [] { Log(Focus()); PostToFocus(VK_TAB); },
        [=] { Log(Focus()); SetModifiers(false, false, false); SetFocus(unit(kGo)); PostToFocus(VK_RETURN); },
        [=] { SetFocus(unit(kPlain)); PostToFocus(VK_RETURN); },
        [=] { SetFocus(unit(kWants)); PostToFocus(VK_ESCAPE); PostToFocus(VK_RETURN); },
        [=] { Log("after Esc in a unit that wants it: " + std::string(IsWindow(unit(0)) ? "open" : "closed"));
              Write(kMain, 8 + kWindowEnterMovesFocus, 1); SetFocus(unit(kPlain)); PostToFocus(VK_RETURN); },
        [=] { Log("enter moves: " + Focus()); Write(kMain, 8 + kWindowEnterMovesFocus, 0);
              SetFocus(unit(kOption1)); PostToFocus(VK_RIGHT); },
        [=] { Log("right: " + Focus() + " checks " + Num(SendMessageA(unit(kOption1), BM_GETCHECK, 0, 0)) +
                  Num(SendMessageA(unit(kOption2), BM_GETCHECK, 0, 0)));
              PostToFocus(VK_UP); },
        [=] { Log("up: " + Focus() + " checks " + Num(SendMessageA(unit(kOption1), BM_GETCHECK, 0, 0)) +
                  Num(SendMessageA(unit(kOption2), BM_GETCHECK, 0, 0)));
              SetFocus(unit(kPlain)); SetModifiers(false, false, true);
              PostKey(GetFocus(), 'G', true); PostKey(GetFocus(), 'C', true); PostKey(GetFocus(), 'L', true); },
        [=] { SetModifiers(false, false, false);
              Log("mnemonics: " + Focus() + " check " + Num(SendMessageA(unit(kCheck), BM_GETCHECK, 0, 0)));
              SetModifiers(true, false, false);
              PostMessageA(unit(kPlain), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(7, 9)); },
        [=] { g_mouseAnswer = 0;
              PostMessageA(unit(kPlain), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(8, 10)); },
        [=] { g_mouseAnswer = 1; SetModifiers(false, false, false);
              PostMessageA(unit(kPlain), WM_CHAR, 'a', 1); PostMessageA(unit(kPlain), WM_CHAR, 'z', 1); },
        [=] { SetModifiers(true, false, false); PostMessageA(unit(kPlain), WM_KEYDOWN, VK_NUMPAD5, 1); },
        [=] { SetModifiers(false, false, false); PostMessageA(unit(0), WM_LBUTTONDOWN, 0, MAKELPARAM(200, 5)); },
        [=] { HDC dc = GetDC(unit(0));
              const LRESULT brush = SendMessageA(unit(0), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                 reinterpret_cast<LPARAM>(unit(kPlain)));
              ReleaseDC(unit(0), dc);
              Log(std::string("colour from the child ") + (brush == reinterpret_cast<LRESULT>(
                  static_cast<Child*>(Object(kMain, kPlain))->brush.Handle()) ? "yes" : "no"));
              SendMessageA(unit(0), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(unit(kPlain)), 1234),
                           reinterpret_cast<LPARAM>(unit(kPlain)));
              SendMessageA(unit(0), TrayNotifyMessage, 100, WM_LBUTTONDBLCLK);
              SendMessageA(unit(0), TrayNotifyMessage, 100, WM_MOUSEMOVE);
              SendMessageA(unit(0), TrayNotifyMessage, 100, WM_CONTEXTMENU);
              Log("answer to 0x8389 without a rectangle " +
                  Num(static_cast<long>(SendPrivateMessage(unit(0), PaintBackgroundMessage, 0, 0)))); },
        [] { Placement(); },
        [] { Log("script done"); },
    };
}

UINT_PTR g_timer = 0;
size_t g_step = 0;

void CALLBACK ScriptTick(HWND, UINT, UINT_PTR, DWORD) {
    static const std::vector<std::function<void()>> steps = ScriptSteps();
    if (g_step < steps.size())
        steps[g_step++]();
    if (g_step == steps.size()) {
        KillTimer(nullptr, g_timer);
        ++g_step;
    }
}

}  // namespace

// ---- Handlers (bound by the form) --------------------------------------------------------------

extern "C" {

uint32_t CloseRequest() {
    ++g_closeRequests;
    Log("event 12");
    return g_closeRequests > 1 ? 1 : 0;  // the first request is refused
}
uint32_t Closing() { Log("event 1"); return 1; }
void Destroyed() { Log("event 2 from " + EventSource()); }
void FirstActivation() { Log("event 8"); }
void Activated() {}
void Event0() { Log("event 0 from " + EventSource()); }
uint32_t MouseDown(uint32_t x, uint32_t y, uint32_t keys) {
    Log("left button down from " + EventSource() + " at " + Num(static_cast<int32_t>(x)) + " " +
        Num(static_cast<int32_t>(y)) + " keys " + Num(keys) + " answer " + Num(g_mouseAnswer));
    return g_mouseAnswer;
}
uint32_t CharInput(uint32_t ch) {
    Log("char input " + std::string(1, static_cast<char>(ch)));
    return ch == 'a' ? 'b' : 0;
}
void KeyDown(uint32_t key, uint32_t keys) { Log("key down " + Hex(key) + " keys " + Num(keys)); }
void Tray(uint32_t button) { Log("tray " + Num(button)); }

int StartRoutine() {
    program::RuntimeInit();
    if (probe_log::Scenario("script")) {
        program::LoadStartupWindow(kMain);
        program::LoadStartupWindow(kSecond);
        DestroyWindow(Handle(kSecond));  // before the loop: the program goes on
        program::LoadStartupWindow(kSecond);
        g_timer = SetTimer(nullptr, 0, 60, ScriptTick);
    } else if (probe_log::Scenario("early")) {
        program::LoadStartupWindow(kMain);
        program::LoadStartupWindow(kSecond);
        DestroyWindow(Handle(kMain));
        DestroyWindow(Handle(kSecond));
        Log("both closed before the loop");
        program::LoadStartupWindow(kSecond);
    }
    program::RunMessageLoop();
    Log("loop returned");
    return 0;
}

}  // extern "C"
