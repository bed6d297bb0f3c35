// The window unit (CWinFormUnit): unit kind 0 of every window description, the top-level window
// that holds the other units. It owns the frame (caption, border, system-menu buttons, position,
// icons, task-bar presence, shape), paints the background, runs the keyboard and mouse
// pre-translation that gives every unit on it the common events and the keyboard navigation,
// turns closing and activation into window events, and ends the program with the last window.
//
// Split over window_unit.cpp (creation, messages, properties, the type record),
// window_unit_frame.cpp (styles, shapes, icons, placement, background) and
// window_unit_keys.cpp (pre-translation and focus navigation).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/image/image_records.h"
#include "runtime/sound/midi_stream_win32.h"
#include "runtime/units/unit_base.h"
#include "runtime/units/window_data.h"

class WindowObject;

constexpr char kDefaultWindowClass[] = "ZkWindow";

// Private messages the window answers.
constexpr UINT TrayNotifyMessage = WM_APP + 0x64;      // 0x8064: the tray icon's callback
constexpr UINT DeferredCloseMessage = WM_APP + 0x65;   // 0x8065: destroy a window marked to close
constexpr UINT PaintBackgroundMessage = WM_APP + 0x389;  // 0x8389: DC, rectangle
constexpr LRESULT kPaintBackgroundAnswer = 20141111;

// Own events of the window unit.
enum WindowEvent : int32_t {
    kWindowEventCreated = 0,
    kWindowEventClosing = 1,
    kWindowEventDestroyed = 2,
    kWindowEventMoved = 3,
    kWindowEventSized = 4,
    kWindowEventActivated = 5,
    kWindowEventDeactivated = 6,
    kWindowEventIdle = 7,
    kWindowEventFirstActivation = 8,
    kWindowEventTray = 9,
    kWindowEventShown = 10,
    kWindowEventHidden = 11,
    kWindowEventCloseRequest = 12,
};

// Bits of a unit type's state word that the window's navigation and pre-translation read.
constexpr uint32_t kKindMessageFilter = 0x20;
constexpr uint32_t kKindOption = 0x400;
constexpr uint32_t kKindButton = 0x800;
constexpr uint32_t kKindCheck = 0x1000;
constexpr uint32_t kKindLabel = 0x2000;
constexpr uint32_t kKindFromTabZero = 0x4000;
constexpr uint32_t kKindNoMnemonicNoFocus = 0x8000;
constexpr uint32_t kKindNoFocus = 0x10000;
constexpr uint32_t kKindDragSurface = 0x4000000;
constexpr uint32_t kKindTakesMnemonics = 0x7C00;

constexpr uint32_t kWindowUnitState = 0x800000D0;

// Key codes of the pre-translation: the virtual key (keypad digits and signs folded onto the
// main keys) plus these modifier bits.
constexpr uint32_t kKeyCtrl = 0x2000;
constexpr uint32_t kKeyShift = 0x4000;
constexpr uint32_t kKeyAlt = 0x8000;
constexpr uint32_t kKeyCodeMask = 0x1FFF;

// The key code of a virtual key with the modifiers held now (GetKeyState).
uint32_t WindowKeyCode(UINT virtualKey);
// The same with the modifier state given as KeyState bits (1 Ctrl, 2 Shift, 4 Alt).
uint32_t WindowKeyCodeWith(UINT virtualKey, uint32_t keyState);

// The frame style bits the border rule gives (WS_DLGFRAME, WS_CAPTION, WS_SYSMENU, WS_THICKFRAME,
// WS_MAXIMIZEBOX, WS_MINIMIZEBOX) and the extended style of the border.
DWORD WindowFrameStyle(const WindowData& data);
DWORD WindowFrameExStyle(int32_t border);
bool IsResizableBorder(int32_t border);
// Style bits the frame rule owns; everything else of the style is left alone.
constexpr DWORD kFrameStyleMask = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX;
constexpr DWORD kTitleStyleMask = WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | WS_MINIMIZEBOX;
constexpr DWORD kFrameExStyleMask = WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE;

// The region of a shape for a window of width x height (origin at its top-left corner); null
// for shape 0 and numbers outside 0..29. The caller owns the region.
HRGN MakeWindowShapeRegion(int32_t shape, int32_t width, int32_t height);

// An icon of about width x height made from the bytes of an icon file; null when the bytes
// hold none.
HICON MakeIconFromBytes(const std::vector<uint8_t>& bytes, int width, int height);

class CWinFormUnit : public Unit<CWnd, WindowData> {
public:
    explicit CWinFormUnit(const UnitIds& ids);
    ~CWinFormUnit() override;

    // The window unit whose window this is, or null (another kind of window, or none).
    static CWinFormUnit* FromHandle(HWND window);

    // Creation steps after the data is loaded: style, placement, owner, window, icons, shape,
    // font, topmost, close command and sound. False when no window was made.
    bool CreateFrame(uint32_t style, HWND owner, HMENU menu, int32_t x, int32_t y, int32_t width,
                     int32_t height, bool modal);
    // The first show after loading: by the position property unless the build kind is 0.
    void ShowFirstTime(uint32_t buildKind);

    int32_t ChangeProperty(int32_t number, const uint32_t* value);
    int32_t ReadProperty(int32_t number, uint32_t* value);
    // Adds, replaces or (with no icon) removes the tray icon; the previous icon is destroyed.
    void SetTrayIcon(HICON trayIcon, const char* tip);
    // Paints the background (picture, then colour) into `dc` over `area` of the client area.
    void PaintBackground(HDC dc, const RECT& area);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    void PostNcDestroy() override;

private:
    // ---- window_unit.cpp ----
    bool RegisterClassOnce() const;
    LRESULT OnClose();
    LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
    void OnDestroy();
    void OnActivate(WPARAM wParam, LPARAM lParam);
    void OnSetFocus();
    LRESULT OnNcActivate(WPARAM wParam, LPARAM lParam);
    void OnSize();
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam);
    void OnTrayNotify(LPARAM lParam);
    void OnDeferredClose();
    void OnPaint();
    // Raises an own event of the window; true when a handler ran and returned false.
    bool Vetoed(int32_t event);
    WindowObject* Object() const;
    void RestoreTopmostOfOthers();

    // ---- window_unit_frame.cpp ----
    void ApplyTitleStyle();
    void ApplyBorder();
    void ApplyShape();
    void ApplyIcons();
    void ApplyTopmost();
    void ApplyCloseCommand();
    void ReleaseIcons();
    void RepaintBackground();
    void MoveToScreenCentre();
    void MaximiseToMonitor();
    void ApplyPosition();
    void StartSound();
    void StopSound();

    // ---- window_unit_keys.cpp ----
    bool PreTranslateKeys(MSG* msg, HWND self);
    bool DragAnywhere(const MSG* msg);
    bool TranslateKeyStroke(uint32_t key);
    bool PressDefaultButton();
    bool OpenHelp();
    bool ActivateMnemonic(uint32_t key);
    bool RaiseCommonEvent(MSG* msg, HWND self);

public:
    // Moves the focus from unit `startEntry` (0: the window) forwards or backwards; `arrows`
    // restricts the move to option units of the same parent and selects the target.
    void NavigateFocus(int startEntry, bool forward, bool arrows);
    // The unit table entry of the unit that holds `window` (or a window inside it), or -1.
    int EntryOfWindow(HWND window) const;
    // Gives the focus to the first focusable unit by tab order; false when there is none.
    bool FocusFirstUnit();

private:
    HRGN m_shapeRegion = nullptr;    // owned by the system once set
    HICON m_bigIcon = nullptr;       // made from the icon data, destroyed by us
    HICON m_smallIcon = nullptr;
    HICON m_trayIcon = nullptr;
    bool m_trayShown = false;
    HWND m_focusMemory = nullptr;    // the descendant that had the focus on deactivation
    bool m_activatedOnce = false;
    bool m_openedHelp = false;
    bool m_unitsComplete = false;    // WindowCreatedMessage arrived
    MidiPlayer m_midiPlayer{PlatformMidiStreamDevice()};  // the background sound, when MIDI
};

// The first show of a loaded window: the window unit's own when the window is one, else SW_SHOW.
void ShowWindowUnitFirstTime(CWnd* unit, uint32_t buildKind);

// The type entry: operations 1, 4, 5, 6, 7 and 9.
void* WindowUnitEntry(int32_t operation);

constexpr int32_t kWindowUnitPropertyCount = 8 + kWindowOwnPropertyCount;
extern const PropertyDescriptor kWindowUnitProperties[kWindowUnitPropertyCount];
extern const UnitTypeRecord kWindowUnitType;
