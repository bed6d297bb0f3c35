// The window unit: creation, its messages, its properties, and its type record; see
// window_unit.h.
#include "runtime/units/window_unit.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "runtime/core/dbcs_text.h"
#include "runtime/core/runtime_app.h"
#include "runtime/image/window_menu.h"
#include "runtime/image/window_store.h"

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
    const int32_t length = static_cast<int32_t>(value[1]);
    if (!data || length <= 0)
        return {};
    return std::vector<uint8_t>(data, data + length);
}

void PutBlock(const std::vector<uint8_t>& block, uint32_t* value) {
    value[0] = block.empty() ? 0 : Word(block.data());
    value[1] = static_cast<uint32_t>(block.size());
}

int32_t Limited(uint32_t value, int32_t count) {
    return std::clamp(static_cast<int32_t>(value), 0, count - 1);
}

// A handler that ran and gave false: the unit must not go on with what it announced.
bool SaidNo(bool ran, const EventRecord& record) {
    return ran && record.hasResult && record.result == 0;
}

// Set while one WM_ACTIVATE is being handled: activating a modal window instead sends another.
bool g_activating = false;

}  // namespace

// ---- Object ---------------------------------------------------------------------------------

CWinFormUnit::CWinFormUnit(const UnitIds& ids) : Unit(ids) {}

CWinFormUnit::~CWinFormUnit() {
    StopSound();
    ReleaseIcons();
    if (m_trayIcon)
        DestroyIcon(m_trayIcon);
}

CWinFormUnit* CWinFormUnit::FromHandle(HWND window) {
    return dynamic_cast<CWinFormUnit*>(CWnd::FromHandlePermanent(window));
}

WindowObject* CWinFormUnit::Object() const {
    return FindWindowObject(WindowId());
}

bool CWinFormUnit::RegisterClassOnce() const {
    const char* name = className.empty() ? kDefaultWindowClass : className.c_str();
    // The framework subclasses every window it creates, so the class keeps the system's
    // default procedure; the background is painted by the unit, never by the class.
    return RegisterWndClass(name, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW),
                            static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)), nullptr, ::DefWindowProcA) != FALSE;
}

bool CWinFormUnit::CreateFrame(uint32_t style, HWND owner, HMENU menu, int32_t x, int32_t y,
                               int32_t width, int32_t height, bool modal) {
    if (!RegisterClassOnce())
        return false;
    // WS_TABSTOP and WS_GROUP of a unit's flags are the maximise and minimise boxes of a
    // top-level window: only the disabled bit of the loader's style applies here.
    DWORD windowStyle = (style & WS_DISABLED) | WS_CLIPCHILDREN | WindowFrameStyle(*this);
    const DWORD exStyle = WindowFrameExStyle(border);
    if (DesignMode()) {
        windowStyle = (windowStyle & ~WS_THICKFRAME) | WS_CHILD;
    } else {
        if (position == kPositionCentred) {
            x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
            y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        } else if (position == kPositionMinimised) {
            windowStyle |= WS_MINIMIZE;
        } else if (position == kPositionMaximised && IsResizableBorder(border)) {
            windowStyle |= WS_MAXIMIZE;
        }
        if (owner)
            windowStyle |= WS_POPUP;
        else if (!inTaskbar || modal)
            owner = Runtime().hiddenOwner.m_hWnd;  // an owned window gets no task-bar button
    }
    const char* name = className.empty() ? kDefaultWindowClass : className.c_str();
    if (!CreateEx(exStyle, name, caption.c_str(), windowStyle, x, y, width, height, owner,
                  DesignMode() ? nullptr : menu)) {
        if (menu)
            DestroyMenu(menu);
        return false;
    }
    ApplyTitleStyle();
    const RECT outer = GetWindowRect();
    if (!::IsIconic(m_hWnd) && !::IsZoomed(m_hWnd) &&
        (outer.right - outer.left != width || outer.bottom - outer.top != height))
        MoveWindow(x, y, width, height);
    ApplyIcons();
    if (shape != 0)
        ApplyShape();
    SetFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    if (alwaysOnTop)
        ApplyTopmost();
    if (!closeButton)
        ApplyCloseCommand();
    StartSound();
    return true;
}

void CWinFormUnit::ShowFirstTime(uint32_t buildKind) {
    if (buildKind == 0) {
        ShowWindow(SW_SHOW);
        return;
    }
    switch (position) {
    case kPositionMaximised: MaximiseToMonitor(); break;
    case kPositionMinimised: ShowWindow(SW_SHOWMINIMIZED); break;
    default: ShowWindow(SW_SHOW); break;
    }
}

void ShowWindowUnitFirstTime(CWnd* unit, uint32_t buildKind) {
    if (!unit || !unit->IsWindow())
        return;
    if (CWinFormUnit* window = CWinFormUnit::FromHandle(unit->m_hWnd))
        window->ShowFirstTime(buildKind);
    else
        ::ShowWindow(unit->m_hWnd, SW_SHOW);
}

// ---- Messages -------------------------------------------------------------------------------

LRESULT CWinFormUnit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Handlers run inside many of these cases and may destroy the window, which deletes this
    // object: after them only the saved handle may be looked at.
    const HWND self = m_hWnd;
    switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return 1;  // WM_PAINT covers every pixel
    case PaintBackgroundMessage:
        if (!IsOwnThreadPrivateMessage(message))
            return 0;
        if (lParam)
            PaintBackground(reinterpret_cast<HDC>(wParam), *reinterpret_cast<const RECT*>(lParam));
        return kPaintBackgroundAnswer;
    case WM_CLOSE: return OnClose();
    case WM_QUERYENDSESSION: return OnQueryEndSession(wParam, lParam);
    case WM_DESTROY: OnDestroy(); break;
    case WM_MOVE: RaiseUnitEvent(*this, kWindowEventMoved); break;
    case WM_SIZE: OnSize(); break;
    case WM_ACTIVATE: OnActivate(wParam, lParam); break;
    case WM_SETFOCUS: OnSetFocus(); return 0;
    case WM_KILLFOCUS: RaiseUnitEvent(*this, kEventLostFocus); break;
    case WM_NCACTIVATE: return OnNcActivate(wParam, lParam);
    case WM_SHOWWINDOW: RaiseUnitEvent(*this, wParam ? kWindowEventShown : kWindowEventHidden); break;
    case WM_COMMAND: return OnCommand(wParam, lParam);
    case TrayNotifyMessage: OnTrayNotify(lParam); return 0;
    case DeferredCloseMessage: OnDeferredClose(); return 0;
    case WindowCreatedMessage: m_unitsComplete = true; return 0;
    default: break;
    }
    if (!::IsWindow(self))
        return 0;
    return CWnd::WindowProc(message, wParam, lParam);
}

bool CWinFormUnit::Vetoed(int32_t event) {
    EventRecord record{};
    const bool ran = RaiseUnitEvent(*this, event, {}, &record);
    return SaidNo(ran, record);
}

LRESULT CWinFormUnit::OnClose() {
    const HWND self = m_hWnd;
    for (int32_t event : {kWindowEventCloseRequest, kWindowEventClosing}) {
        const bool vetoed = Vetoed(event);
        if (!::IsWindow(self))
            return 0;
        if (vetoed && !DesignMode())
            return 0;
    }
    return DefWindowProc(WM_CLOSE, 0, 0);
}

LRESULT CWinFormUnit::OnQueryEndSession(WPARAM wParam, LPARAM lParam) {
    if (!DefWindowProc(WM_QUERYENDSESSION, wParam, lParam))
        return FALSE;
    return Vetoed(kWindowEventClosing) ? FALSE : TRUE;
}

void CWinFormUnit::OnDestroy() {
    const HWND self = m_hWnd;
    RaiseUnitEvent(*this, kWindowEventDestroyed);
    if (m_openedHelp) {
        WinHelpA(self, nullptr, HELP_QUIT, 0);
        m_openedHelp = false;
    }
    if (HMENU menu = ::GetMenu(self)) {
        ::SetMenu(self, nullptr);
        ::DestroyMenu(menu);
    }
    SetTrayIcon(nullptr, nullptr);
    StopSound();
}

void CWinFormUnit::PostNcDestroy() {
    if (!m_live)
        return;  // creation failed; the creator deletes the object
    m_live = false;
    if (WindowObject* window = Object())
        ReleaseWindowMenu(*window, false);  // the menu went with the window
    // The window's own entry is announced with unit 0: the whole load is over. Window loading
    // destroys the units' cursors with it.
    CallRuntime(kRequestUnitDestroyed, WindowId(), 0);
    RuntimeApp& app = Runtime();
    // Before the loop runs, the start routine may close windows freely; only a loop that is
    // running ends with the last window.
    if (app.messageLoopEntered == 1 && !app.AnyWindowOpen())
        PostQuitMessage(0);
    delete this;
}

void CWinFormUnit::OnActivate(WPARAM wParam, LPARAM) {
    if (g_activating)
        return;
    g_activating = true;
    const HWND self = m_hWnd;
    const bool active = LOWORD(wParam) != WA_INACTIVE;
    if (active && !::IsWindowEnabled(self)) {
        // Disabled by a modal window of the program: that window is the one to activate.
        const WindowList& windows = Runtime().windows;
        for (int32_t i = 0; i < windows.Count(); ++i) {
            WindowObject* other = windows.At(i);
            if (other && other->modal && other->Handle() && other->Handle() != self) {
                ::SetActiveWindow(other->Handle());
                break;
            }
        }
    }
    if (active) {
        const bool first = !m_activatedOnce;
        m_activatedOnce = true;
        if (first)
            RaiseUnitEvent(*this, kWindowEventFirstActivation);
        if (::IsWindow(self))
            RaiseUnitEvent(*this, kWindowEventActivated);
    } else {
        const HWND focus = ::GetFocus();
        if (focus && ::IsChild(self, focus))
            m_focusMemory = focus;
        RaiseUnitEvent(*this, kWindowEventDeactivated);
    }
    g_activating = false;
}

void CWinFormUnit::OnSetFocus() {
    const HWND self = m_hWnd;
    RaiseUnitEvent(*this, kEventGotFocus);
    if (!::IsWindow(self))
        return;
    if (m_focusMemory && ::IsChild(self, m_focusMemory)) {
        ::SetFocus(m_focusMemory);
        return;
    }
    FocusFirstUnit();
}

LRESULT CWinFormUnit::OnNcActivate(WPARAM wParam, LPARAM lParam) {
    // A window whose title stays active draws its caption as active even while another
    // window is; the deactivation itself still happens.
    if (!wParam && titleStaysActive && IsWindowEnabled())
        wParam = TRUE;
    return DefWindowProc(WM_NCACTIVATE, wParam, lParam);
}

void CWinFormUnit::OnSize() {
    if (!::IsIconic(m_hWnd) && (shape != 0 || m_shapeRegion))
        ApplyShape();
    // No unit kind of this runtime docks to an edge, so there is nothing to lay out again
    // once the units are complete (m_unitsComplete).
    RaiseUnitEvent(*this, kWindowEventSized);
}

LRESULT CWinFormUnit::OnCommand(WPARAM wParam, LPARAM lParam) {
    constexpr UINT kFirstMenuCommand = 20000;
    constexpr UINT kFirstSystemCommand = 57600;  // the framework's own command range
    const UINT id = LOWORD(wParam);
    if (id >= kFirstSystemCommand)
        return 0;
    if (id < kFirstMenuCommand || lParam) {
        LRESULT result = 0;
        if (ReflectChildNotify(WM_COMMAND, wParam, lParam, &result))
            return result;
        return DefWindowProc(WM_COMMAND, wParam, lParam);
    }
    WindowObject* window = Object();
    if (!window)
        return 0;
    // Command identifiers count the menu items of the table from 20000 in table order.
    UINT number = kFirstMenuCommand;
    for (uint32_t i = 0; i < window->live.Count(); ++i) {
        if (!window->live.IsMenuItem(i))
            continue;
        if (number++ == id) {
            EventRecord record{};
            record.windowId = WindowId();
            record.unitId = window->live.IdAt(i);
            record.event = 0;
            CallRuntime(kRequestRaiseEvent, Word(&record), 0);
            break;
        }
    }
    return 0;
}

void CWinFormUnit::OnTrayNotify(LPARAM lParam) {
    uint32_t button = 0;
    switch (static_cast<UINT>(lParam)) {
    case WM_LBUTTONUP: button = 1; break;
    case WM_LBUTTONDBLCLK: button = 2; break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU: button = 3; break;
    default: return;
    }
    RaiseUnitEvent(*this, kWindowEventTray, {button});
}

void CWinFormUnit::OnDeferredClose() {
    WindowObject* window = Object();
    if (!window || !window->deferredClose)
        return;
    window->deferredClose = false;
    DestroyWindow();
}

void CWinFormUnit::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    if (dc)
        PaintBackground(dc, paint.rcPaint);
    EndPaint(m_hWnd, &paint);
}

void CWinFormUnit::SetTrayIcon(HICON trayIcon, const char* tip) {
    NOTIFYICONDATAA record{};
    record.cbSize = 88;  // the first layout of the record, which every system takes
    record.hWnd = m_hWnd;
    record.uID = 100;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = TrayNotifyMessage;
    record.hIcon = trayIcon;
    if (tip) {
        // 62 bytes and the terminator, in whole characters.
        const size_t length = WholeCharacterPrefix(tip, 62);
        std::memcpy(record.szTip, tip, length);
        record.szTip[length] = '\0';
    }
    if (trayIcon) {
        Shell_NotifyIconA(m_trayShown ? NIM_MODIFY : NIM_ADD, &record);
        m_trayShown = true;
    } else if (m_trayShown) {
        Shell_NotifyIconA(NIM_DELETE, &record);
        m_trayShown = false;
    }
    if (m_trayIcon && m_trayIcon != trayIcon)
        DestroyIcon(m_trayIcon);
    m_trayIcon = trayIcon;
}

// ---- Properties -----------------------------------------------------------------------------

int32_t CWinFormUnit::ChangeProperty(int32_t number, const uint32_t* value) {
    const uint32_t word = value[0];
    const bool flag = word != 0;
    switch (number) {
    case kWindowCaption: caption = TextValue(word); SetWindowText(caption); ApplyTitleStyle(); break;
    case kWindowBorder: border = Limited(word, kWindowBorderCount); ApplyBorder(); break;
    case kWindowBackColour: backColour = word; RepaintBackground(); break;
    case kWindowPicture: picture = BlockValue(value); RepaintBackground(); break;
    case kWindowPictureLayout:
        pictureLayout = Limited(word, kWindowLayoutCount);
        if (!picture.empty())
            RepaintBackground();
        break;
    case kWindowSound: StopSound(); sound = BlockValue(value); StartSound(); break;
    case kWindowSoundPlaying: StopSound(); soundPlaying = Limited(word, kWindowPlayingCount); StartSound(); break;
    case kWindowControlBox: controlBox = flag; ApplyTitleStyle(); break;
    case kWindowMaxButton: maxButton = flag; ApplyTitleStyle(); break;
    case kWindowMinButton: minButton = flag; ApplyTitleStyle(); break;
    case kWindowPosition:
        position = Limited(word, kWindowPositionCount);
        if (IsWindowVisible())
            ApplyPosition();
        break;
    case kWindowCloseButton: closeButton = flag; ApplyCloseCommand(); break;
    case kWindowIcon: icon = BlockValue(value); ApplyIcons(); break;
    case kWindowEnterMovesFocus: enterMovesFocus = flag; break;
    case kWindowEscCloses: escCloses = flag; break;
    case kWindowF1Help: f1Help = flag; break;
    case kWindowHelpFile: helpFile = TextValue(word); break;
    case kWindowHelpTopic: helpTopic = static_cast<int32_t>(word); break;
    case kWindowInTaskbar: inTaskbar = flag; break;
    case kWindowDragAnywhere: dragAnywhere = flag; break;
    case kWindowShape: shape = Limited(word, kWindowShapeCount); ApplyShape(); break;
    case kWindowAlwaysOnTop:
        alwaysOnTop = flag;
        ApplyTopmost();
        if (!alwaysOnTop)
            RestoreTopmostOfOthers();
        break;
    case kWindowTitleStaysActive: titleStaysActive = flag; break;
    case kWindowClassName: className = TextValue(word); break;
    default: break;
    }
    return 0;  // the window is never made again
}

int32_t CWinFormUnit::ReadProperty(int32_t number, uint32_t* value) {
    switch (number) {
    case kWindowCaption: value[0] = Word(caption.c_str()); return 1;
    case kWindowBorder: value[0] = static_cast<uint32_t>(border); return 1;
    case kWindowBackColour: value[0] = backColour; return 1;
    case kWindowPicture: PutBlock(picture, value); return 1;
    case kWindowPictureLayout: value[0] = static_cast<uint32_t>(pictureLayout); return 1;
    case kWindowSound: PutBlock(sound, value); return 1;
    case kWindowSoundPlaying: value[0] = static_cast<uint32_t>(soundPlaying); return 1;
    case kWindowControlBox: value[0] = controlBox; return 1;
    case kWindowMaxButton: value[0] = maxButton; return 1;
    case kWindowMinButton: value[0] = minButton; return 1;
    case kWindowPosition:
        // The state the window is in now, not the stored choice.
        value[0] = ::IsIconic(m_hWnd) ? kPositionMinimised : ::IsZoomed(m_hWnd) ? kPositionMaximised : 0;
        return 1;
    case kWindowCloseButton: value[0] = closeButton; return 1;
    case kWindowIcon: PutBlock(icon, value); return 1;
    case kWindowEnterMovesFocus: value[0] = enterMovesFocus; return 1;
    case kWindowEscCloses: value[0] = escCloses; return 1;
    case kWindowF1Help: value[0] = f1Help; return 1;
    case kWindowHelpFile: value[0] = Word(helpFile.c_str()); return 1;
    case kWindowHelpTopic: value[0] = static_cast<uint32_t>(helpTopic); return 1;
    case kWindowInTaskbar: value[0] = inTaskbar; return 1;
    case kWindowDragAnywhere: value[0] = dragAnywhere; return 1;
    case kWindowShape: value[0] = static_cast<uint32_t>(shape); return 1;
    case kWindowAlwaysOnTop: value[0] = alwaysOnTop; return 1;
    case kWindowTitleStaysActive: value[0] = titleStaysActive; return 1;
    case kWindowClassName: value[0] = Word(className.c_str()); return 1;
    default: return 0;
    }
}

void CWinFormUnit::RestoreTopmostOfOthers() {
    const WindowList& windows = Runtime().windows;
    for (int32_t i = 0; i < windows.Count(); ++i) {
        WindowObject* other = windows.At(i);
        CWinFormUnit* unit = other ? FromHandle(other->Handle()) : nullptr;
        if (unit && unit != this && unit->alwaysOnTop && !unit->inTaskbar)
            unit->ApplyTopmost();
    }
}

// ---- Type operations ------------------------------------------------------------------------

namespace {

CWnd* CreateWindowUnit(const uint8_t* data, int32_t size, uint32_t style, HWND owner, uint32_t,
                       HMENU menu, int32_t x, int32_t y, int32_t width, int32_t height,
                       uint32_t windowId, uint32_t unitId, HWND, int32_t designMode) {
    const bool modal = Runtime().creatingModalWindow;
    return CreateUnitFromStoredData<CWinFormUnit>(
        data, size, UnitIds{windowId, unitId, designMode}, [&](CWinFormUnit& unit) {
            return unit.CreateFrame(style, owner, menu, x, y, width, height, modal);
        });
}

int32_t WindowPropertyChanged(CWnd* unit, int32_t number, const uint32_t* value, uint32_t* result) {
    if (result)
        *result = 0;
    if (!unit || !value)
        return 0;
    return static_cast<CWinFormUnit*>(unit)->ChangeProperty(number, value);
}

HGLOBAL GetWindowStoredData(CWnd* unit, int32_t* size) {
    return SaveStoredData(*static_cast<CWinFormUnit*>(unit), size);
}

int32_t GetWindowProperty(CWnd* unit, int32_t number, uint32_t* value) {
    return static_cast<CWinFormUnit*>(unit)->ReadProperty(number, value);
}

HGLOBAL GetWindowIconData(const uint8_t* data, int32_t size, int32_t* iconSize) {
    if (iconSize)
        *iconSize = 0;
    WindowData scratch;
    if (!LoadStoredData(scratch, data, size) || scratch.icon.empty())
        return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, scratch.icon.size());
    void* bytes = block ? GlobalLock(block) : nullptr;
    if (!bytes) {
        if (block)
            GlobalFree(block);
        return nullptr;
    }
    std::memcpy(bytes, scratch.icon.data(), scratch.icon.size());
    GlobalUnlock(block);
    if (iconSize)
        *iconSize = static_cast<int32_t>(scratch.icon.size());
    return block;
}

struct OperationRow {
    int32_t operation;
    void* entry;
};

template <class Fn>
void* Entry(Fn fn) {
    return reinterpret_cast<void*>(fn);
}

const OperationRow kWindowOperations[] = {
    {kOpCreateUnit, Entry<CreateUnitFn>(CreateWindowUnit)},
    {kOpPropertyChanged, Entry<PropertyChangedFn>(WindowPropertyChanged)},
    {kOpGetStoredData, Entry<GetStoredDataFn>(GetWindowStoredData)},
    {kOpGetProperty, Entry<GetPropertyFn>(GetWindowProperty)},
    {kOpGetIconData, Entry<GetIconDataFn>(GetWindowIconData)},
    {kOpConvertTexts, Entry<ConvertTextsFn>(ConvertTextsOf<WindowData>)},
};

}  // namespace

void* WindowUnitEntry(int32_t operation) {
    for (const OperationRow& row : kWindowOperations) {
        if (row.operation == operation)
            return row.entry;
    }
    return nullptr;
}

// The eight common properties (handled by the property service, flag word 0xE000), then the
// window's own in own-number order.
const PropertyDescriptor kWindowUnitProperties[kWindowUnitPropertyCount] = {
    {"左边", "Left", nullptr, 1001, 0xE000, nullptr},
    {"顶边", "Top", nullptr, 1001, 0xE000, nullptr},
    {"宽度", "Width", nullptr, 1001, 0xE000, nullptr},
    {"高度", "Height", nullptr, 1001, 0xE000, nullptr},
    {"标记", "Tag", nullptr, 1005, 0xE000, nullptr},
    {"可视", "Visible", nullptr, 1003, 0xE000, nullptr},
    {"禁止", "Disabled", nullptr, 1003, 0xE000, nullptr},
    {"鼠标指针", "MousePointer", nullptr, 1011, 0xE000, nullptr},
    {"标题", "Caption", nullptr, 1005, 0, nullptr},                      // 0
    {"边框", "Border", nullptr, 1006, 0, nullptr},                       // 1
    {"底色", "BackColour", nullptr, 1017, 0, nullptr},                   // 2
    {"底图", "Picture", nullptr, 1009, 0, nullptr},                      // 3
    {"底图方式", "PictureLayout", nullptr, 1006, 0, nullptr},            // 4
    {"背景音乐", "Sound", nullptr, 1012, 0, nullptr},                    // 5
    {"播放次数", "SoundPlaying", nullptr, 1006, 0, nullptr},             // 6
    {"控制按钮", "ControlBox", nullptr, 1003, 0, nullptr},               // 7
    {"最大化按钮", "MaxButton", nullptr, 1003, 0, nullptr},              // 8
    {"最小化按钮", "MinButton", nullptr, 1003, 0, nullptr},              // 9
    {"位置", "Position", nullptr, 1006, 0, nullptr},                     // 10
    {"可否关闭", "CloseButton", nullptr, 1003, 0, nullptr},              // 11
    {"图标", "Icon", nullptr, 1010, 0, nullptr},                         // 12
    {"回车下移焦点", "EnterMovesFocus", nullptr, 1003, 0, nullptr},      // 13
    {"Esc键关闭", "EscCloses", nullptr, 1003, 0, nullptr},               // 14
    {"F1键打开帮助", "F1Help", nullptr, 1003, 0, nullptr},               // 15
    {"帮助文件名", "HelpFile", nullptr, 1016, 0, nullptr},               // 16
    {"帮助标志值", "HelpTopic", nullptr, 1001, 0, nullptr},              // 17
    {"在任务条中显示", "ShowInTaskbar", nullptr, 1003, 0, nullptr},      // 18
    {"随意移动", "DragAnywhere", nullptr, 1003, 0, nullptr},             // 19
    {"外形", "Shape", nullptr, 1006, 0, nullptr},                        // 20
    {"总在最前", "AlwaysOnTop", nullptr, 1003, 0, nullptr},              // 21
    {"保持标题条激活", "TitleStaysActive", nullptr, 1003, 0, nullptr},   // 22
    {"窗口类名", "ClassName", nullptr, 1005, 0, nullptr},                // 23
};

const UnitTypeRecord kWindowUnitType = {
    "窗口", "window", nullptr, 0, nullptr, kWindowUnitState, 0, 0, nullptr,
    kWindowUnitPropertyCount, kWindowUnitProperties, WindowUnitEntry, 0, nullptr,
};
