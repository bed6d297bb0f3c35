// CWnd: the framework's window object. One static window procedure serves every window the
// framework knows; it finds the object in a per-thread handle map and calls its virtual
// WindowProc. Windows are bound to their object as they are created (before WM_NCCREATE, by a
// creation hook) or later by subclassing; either way the object is told after WM_NCDESTROY
// through PostNcDestroy, once the map no longer knows it, so an object may delete itself there.
//
// Container windows reflect control notifications (WM_COMMAND from a control, WM_NOTIFY,
// WM_CTLCOLOR*, WM_DRAWITEM, WM_COMPAREITEM, WM_DELETEITEM, WM_HSCROLL/WM_VSCROLL from a scroll
// control) to the child object that sent them through OnChildNotify, so every control decides
// its own colours and events.
#pragma once

#include <windows.h>

#include <string>

// The reflected form of a message, sent by a control to itself: WM_REFLECT_BASE + message.
// The control-colour message is reflected as WM_REFLECT_BASE + WM_CTLCOLOR with the device
// context in wParam and the CTLCOLOR_* type in lParam; a non-zero answer is the brush to use.
constexpr UINT WM_REFLECT_BASE = 0xBC00;
constexpr UINT WM_CTLCOLOR_LEGACY = 0x0019;
constexpr UINT WM_REFLECT_CTLCOLOR = WM_REFLECT_BASE + WM_CTLCOLOR_LEGACY;

class CWnd {
public:
    CWnd() = default;
    // Destroys a window the object still owns (created or subclassed) and forgets an attached one.
    virtual ~CWnd();

    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    // --- Handle map (per thread) -------------------------------------------------------------
    // The object bound to a window on this thread, or nullptr.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Binds the object to a window without taking over its procedure.
    BOOL Attach(HWND hWnd);
    // Unbinds the object and answers the window it had.
    HWND Detach();
    HWND GetSafeHwnd() const { return m_hWnd; }

    // --- Creation and subclassing ------------------------------------------------------------
    // Creates a window of any registered class and binds it to this object before its first
    // message; classes whose procedure is not the framework's are subclassed on the way.
    BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                  int x, int y, int width, int height, HWND parent, HMENU menuOrId,
                  void* param = nullptr);
    // While one lives, every CreateEx of the thread shares one creation hook instead of setting
    // and removing its own: a window of many units is made without two system calls per unit.
    class CreationBatch {
    public:
        CreationBatch();
        ~CreationBatch();
        CreationBatch(const CreationBatch&) = delete;
        CreationBatch& operator=(const CreationBatch&) = delete;
    };
    // Takes over an existing window's procedure; the previous one becomes the default procedure.
    BOOL SubclassWindow(HWND hWnd);
    // Gives the window its previous procedure back and unbinds the object.
    HWND UnsubclassWindow();
    BOOL DestroyWindow();

    // --- Overridables ------------------------------------------------------------------------
    // Default: reflect child notifications, then DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A notification reflected from the parent; answer TRUE and set *result when handled.
    // Default: a control-colour message is passed on as WM_REFLECT_CTLCOLOR; anything else is
    // left to the parent.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Offered every queued message for this window or a descendant; TRUE consumes it.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Called after WM_NCDESTROY, when the window and the map entry are gone.
    virtual void PostNcDestroy() {}

    // The saved procedure of a subclassed window, else DefWindowProcA.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Offers a notification to the child object it came from; FALSE when none takes it.
    static BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Offers msg to the PreTranslateMessage of the object of its window and of each ancestor,
    // stopping after `stop` (or at the top); TRUE when one consumed it.
    static BOOL WalkPreTranslateTree(HWND stop, MSG* msg);
    // The framework's window procedure, for classes registered by the runtime.
    static LRESULT CALLBACK StdWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    // --- Thin wrappers (one message or call each) ----------------------------------------------
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    std::string GetWindowText() const;
    int GetWindowTextLength() const;
    void SetWindowText(const char* text);
    void SetWindowText(const std::string& text) { SetWindowText(text.c_str()); }
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
    BOOL ShowWindow(int cmdShow);
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsWindowVisible() const;
    BOOL IsWindow() const;
    void Invalidate(BOOL erase = TRUE);
    void UpdateWindow();
    void SetFont(HFONT font, BOOL redraw = TRUE);
    HFONT GetFont() const;
    int GetDlgCtrlID() const;
    int SetDlgCtrlID(int id);
    HWND GetParent() const;
    HWND SetParent(HWND newParent);
    HWND GetDlgItem(int id) const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    // Removes then adds style bits; SWP_FRAMECHANGED etc. when flags is non-zero.
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    HWND SetFocus();
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse);
    BOOL KillTimer(UINT_PTR id);

protected:
    WNDPROC m_pfnSuper = nullptr;  // the window's own procedure, when the framework took it over

private:
    // Binds the window whose creation CreateEx started, before that window's first message.
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    // Binds a window that is being created to this object and routes it through StdWndProc.
    void BindCreated(HWND hWnd);
    // The WM_NCDESTROY epilogue: restore the procedure, unbind, tell the object.
    void FinishDestroy();
    // Installs StdWndProc on the window and keeps the previous procedure.
    void HookProcedure(HWND hWnd);
};

// Registers a window class of the runtime once per process; a class that is already registered
// counts as success. The procedure may be DefWindowProcA: windows made through CWnd::CreateEx
// are bound and subclassed whatever the class's procedure is.
BOOL RegisterWndClass(const char* className, UINT style, HCURSOR cursor, HBRUSH background,
                      HICON icon = nullptr, WNDPROC proc = CWnd::StdWndProc);

// Private messages whose words are pointers (a device context and a rectangle, an object) are
// meant only for windows of the sending thread. Anyone can post such a number or send it from
// another process, so a receiver honours one only when it was sent through SendPrivateMessage
// on its own thread: never when posted, never across threads. A private message is sent only
// to windows of the calling thread; for any other window the answer is 0.
LRESULT SendPrivateMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool IsOwnThreadPrivateMessage(UINT message);
