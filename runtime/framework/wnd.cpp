// The framework's window object: handle map, the one window procedure, creation binding,
// subclassing, reflection of child notifications and the thin wrappers.
#include "runtime/framework/wnd.h"

#include <cassert>
#include <cstring>
#include <string>
#include <unordered_map>

namespace {

struct ThreadState {
    std::unordered_map<HWND, CWnd*> map;
    CWnd* creating = nullptr;        // the object CreateEx is creating a window for
    std::string creatingClass;       // its class name, empty for an atom
    HHOOK batchHook = nullptr;       // the creation hook shared by a CreationBatch
    int batchDepth = 0;
};

// Made on first use and never destroyed: windows may still be torn down during static
// destruction at process exit, after the main thread's thread_local objects are gone, and
// they must still find their map then.
thread_local ThreadState* t_state = nullptr;

ThreadState& State() {
    if (!t_state)
        t_state = new ThreadState;
    return *t_state;
}

WNDPROC CurrentProcedure(HWND hWnd) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hWnd, GWLP_WNDPROC));
}

void SetProcedure(HWND hWnd, WNDPROC proc) {
    SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
}

// The control that raised a notification the parent reflects, or null.
HWND NotificationSender(UINT message, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: return reinterpret_cast<HWND>(lParam);  // null for menus and accelerators
    case WM_NOTIFY: return lParam ? reinterpret_cast<NMHDR*>(lParam)->hwndFrom : nullptr;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        return item && item->CtlType != ODT_MENU ? item->hwndItem : nullptr;
    }
    case WM_COMPAREITEM: return lParam ? reinterpret_cast<COMPAREITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_DELETEITEM: return lParam ? reinterpret_cast<DELETEITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_HSCROLL: return reinterpret_cast<HWND>(lParam);  // null for the window's own bars
    case WM_VSCROLL: return reinterpret_cast<HWND>(lParam);
    default: break;
    }
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
        return reinterpret_cast<HWND>(lParam);
    return nullptr;
}

BOOL ModifyWindowLong(HWND hWnd, int index, DWORD remove, DWORD add, UINT flags) {
    DWORD old = static_cast<DWORD>(GetWindowLongA(hWnd, index));
    DWORD updated = (old & ~remove) | add;
    if (updated == old)
        return FALSE;
    SetWindowLongA(hWnd, index, static_cast<LONG>(updated));
    if (flags)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    return TRUE;
}

}  // namespace

// ---- Handle map -------------------------------------------------------------------------------

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    if (!t_state || !hWnd)
        return nullptr;
    auto it = t_state->map.find(hWnd);
    return it == t_state->map.end() ? nullptr : it->second;
}

BOOL CWnd::Attach(HWND hWnd) {
    assert(m_hWnd == nullptr && hWnd != nullptr);
    if (m_hWnd || !hWnd || FromHandlePermanent(hWnd))
        return FALSE;
    State().map[hWnd] = this;
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    if (hWnd && t_state) {
        auto it = t_state->map.find(hWnd);
        if (it != t_state->map.end() && it->second == this)
            t_state->map.erase(it);
    }
    m_hWnd = nullptr;
    return hWnd;
}

CWnd::~CWnd() {
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this && ::IsWindow(m_hWnd) &&
        CurrentProcedure(m_hWnd) == StdWndProc) {
        // Still routed through this object: the window must not outlive it. Its last messages
        // reach CWnd's own handlers, as the derived part is already gone.
        ::DestroyWindow(m_hWnd);
    }
    if (m_hWnd)
        Detach();
}

// ---- Creation and subclassing -------------------------------------------------------------

void CWnd::HookProcedure(HWND hWnd) {
    WNDPROC old = CurrentProcedure(hWnd);
    if (old != StdWndProc) {
        m_pfnSuper = old;
        SetProcedure(hWnd, StdWndProc);
    }
}

void CWnd::BindCreated(HWND hWnd) {
    if (Attach(hWnd))
        HookProcedure(hWnd);
}

LRESULT CALLBACK CWnd::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && t_state && t_state->creating) {
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        // The system may make helper windows (an input-method window) inside our creation
        // call; only a window of the requested class is ours.
        char cls[256] = "";
        GetClassNameA(hWnd, cls, sizeof cls);
        if (t_state->creatingClass.empty() || lstrcmpiA(cls, t_state->creatingClass.c_str()) == 0) {
            CWnd* wnd = t_state->creating;
            t_state->creating = nullptr;
            wnd->BindCreated(hWnd);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU menuOrId,
                    void* param) {
    assert(m_hWnd == nullptr);
    if (m_hWnd)
        return FALSE;
    ThreadState& t = State();
    CWnd* previous = t.creating;
    std::string previousClass = t.creatingClass;
    t.creating = this;
    t.creatingClass = IS_INTRESOURCE(className) ? std::string() : std::string(className);
    HHOOK hook = t.batchHook ? nullptr : SetWindowsHookExA(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
    HWND hWnd = CreateWindowExA(exStyle, className, windowName, style, x, y, width, height,
                                parent, menuOrId, GetModuleHandleA(nullptr), param);
    if (hook)
        UnhookWindowsHookEx(hook);
    t.creating = previous;
    t.creatingClass = previousClass;
    // Nothing of the object is touched when creation failed: a window refused in WM_CREATE has
    // already been through PostNcDestroy, which may have deleted the object.
    return hWnd != nullptr;
}

CWnd::CreationBatch::CreationBatch() {
    ThreadState& t = State();
    if (t.batchDepth++ == 0)
        t.batchHook = SetWindowsHookExA(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
}

CWnd::CreationBatch::~CreationBatch() {
    ThreadState& t = State();
    if (--t.batchDepth == 0 && t.batchHook) {
        UnhookWindowsHookEx(t.batchHook);
        t.batchHook = nullptr;
    }
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!Attach(hWnd))
        return FALSE;
    HookProcedure(hWnd);
    return TRUE;
}

HWND CWnd::UnsubclassWindow() {
    assert(m_hWnd != nullptr);
    if (m_pfnSuper) {
        // Someone who subclassed the window after us would lose their procedure.
        assert(CurrentProcedure(m_hWnd) == StdWndProc);
        SetProcedure(m_hWnd, m_pfnSuper);
        m_pfnSuper = nullptr;
    }
    return Detach();
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

void CWnd::FinishDestroy() {
    HWND hWnd = m_hWnd;
    if (m_pfnSuper) {
        if (CurrentProcedure(hWnd) == StdWndProc)
            SetProcedure(hWnd, m_pfnSuper);
        m_pfnSuper = nullptr;
    }
    Detach();
    PostNcDestroy();  // may delete this
}

// ---- The window procedure -------------------------------------------------------------------

LRESULT CALLBACK CWnd::StdWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = FromHandlePermanent(hWnd);
    if (!wnd && t_state && t_state->creating) {
        // The creation hook could not be set: a window of a framework class is bound on the
        // first message that reaches this procedure.
        wnd = t_state->creating;
        t_state->creating = nullptr;
        wnd->BindCreated(hWnd);
    }
    if (!wnd)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY && wnd->m_hWnd == hWnd)
        wnd->FinishDestroy();
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ReflectChildNotify(message, wParam, lParam, &result))
        return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper)
        return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    CWnd* child = FromHandlePermanent(NotificationSender(message, lParam));
    return child ? child->OnChildNotify(message, wParam, lParam, result) : FALSE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    (void)lParam;
    if (message < WM_CTLCOLORMSGBOX || message > WM_CTLCOLORSTATIC)
        return FALSE;
    LRESULT brush = ::SendMessageA(m_hWnd, WM_REFLECT_CTLCOLOR, wParam,
                                   static_cast<LPARAM>(message - WM_CTLCOLORMSGBOX));
    if (!brush)
        return FALSE;
    *result = brush;
    return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG* msg) {
    (void)msg;
    return FALSE;
}

BOOL CWnd::WalkPreTranslateTree(HWND stop, MSG* msg) {
    for (HWND hWnd = msg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* wnd = FromHandlePermanent(hWnd);
        if (wnd && wnd->PreTranslateMessage(msg))
            return TRUE;
        if (hWnd == stop)
            break;
    }
    return FALSE;
}

// ---- Wrappers -------------------------------------------------------------------------------

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    assert(::IsWindow(m_hWnd));
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    assert(::IsWindow(m_hWnd));
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

std::string CWnd::GetWindowText() const {
    assert(::IsWindow(m_hWnd));
    int length = ::GetWindowTextLengthA(m_hWnd);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(m_hWnd, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

int CWnd::GetWindowTextLength() const {
    assert(::IsWindow(m_hWnd));
    return ::GetWindowTextLengthA(m_hWnd);
}

void CWnd::SetWindowText(const char* text) {
    assert(::IsWindow(m_hWnd));
    ::SetWindowTextA(m_hWnd, text ? text : "");
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    assert(::IsWindow(m_hWnd));
    ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

BOOL CWnd::SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    assert(::IsWindow(m_hWnd));
    return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags);
}

BOOL CWnd::ShowWindow(int cmdShow) {
    assert(::IsWindow(m_hWnd));
    return ::ShowWindow(m_hWnd, cmdShow);
}

BOOL CWnd::EnableWindow(BOOL enable) {
    assert(::IsWindow(m_hWnd));
    return ::EnableWindow(m_hWnd, enable);
}

BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::IsWindow() const {
    return m_hWnd && ::IsWindow(m_hWnd);
}

void CWnd::Invalidate(BOOL erase) {
    assert(::IsWindow(m_hWnd));
    ::InvalidateRect(m_hWnd, nullptr, erase);
}

void CWnd::UpdateWindow() {
    assert(::IsWindow(m_hWnd));
    ::UpdateWindow(m_hWnd);
}

void CWnd::SetFont(HFONT font, BOOL redraw) {
    assert(::IsWindow(m_hWnd));
    ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(redraw, 0));
}

HFONT CWnd::GetFont() const {
    assert(::IsWindow(m_hWnd));
    return reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
}

int CWnd::GetDlgCtrlID() const {
    assert(::IsWindow(m_hWnd));
    return ::GetDlgCtrlID(m_hWnd);
}

int CWnd::SetDlgCtrlID(int id) {
    assert(::IsWindow(m_hWnd));
    return static_cast<int>(SetWindowLongPtrA(m_hWnd, GWLP_ID, id));
}

HWND CWnd::GetParent() const {
    assert(::IsWindow(m_hWnd));
    return ::GetParent(m_hWnd);
}

HWND CWnd::SetParent(HWND newParent) {
    assert(::IsWindow(m_hWnd));
    return ::SetParent(m_hWnd, newParent);
}

HWND CWnd::GetDlgItem(int id) const {
    assert(::IsWindow(m_hWnd));
    return ::GetDlgItem(m_hWnd, id);
}

DWORD CWnd::GetStyle() const {
    assert(::IsWindow(m_hWnd));
    return static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE));
}

DWORD CWnd::GetExStyle() const {
    assert(::IsWindow(m_hWnd));
    return static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_EXSTYLE));
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
    assert(::IsWindow(m_hWnd));
    return ModifyWindowLong(m_hWnd, GWL_STYLE, remove, add, flags);
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) {
    assert(::IsWindow(m_hWnd));
    return ModifyWindowLong(m_hWnd, GWL_EXSTYLE, remove, add, flags);
}

RECT CWnd::GetClientRect() const {
    assert(::IsWindow(m_hWnd));
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

RECT CWnd::GetWindowRect() const {
    assert(::IsWindow(m_hWnd));
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    return rc;
}

HWND CWnd::SetFocus() {
    assert(::IsWindow(m_hWnd));
    return ::SetFocus(m_hWnd);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse) {
    assert(::IsWindow(m_hWnd));
    return ::SetTimer(m_hWnd, id, elapse, nullptr);
}

BOOL CWnd::KillTimer(UINT_PTR id) {
    assert(::IsWindow(m_hWnd));
    return ::KillTimer(m_hWnd, id);
}

// ---- Window classes -------------------------------------------------------------------------

BOOL RegisterWndClass(const char* className, UINT style, HCURSOR cursor, HBRUSH background,
                      HICON icon, WNDPROC proc) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    if (GetClassInfoA(instance, className, &wc))
        return TRUE;
    wc.style = style;
    wc.lpfnWndProc = proc ? proc : DefWindowProcA;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return RegisterClassA(&wc) != 0;
}

// ---- Private messages -----------------------------------------------------------------------

namespace {
thread_local UINT t_privateMessage = 0;  // the private message this thread is sending now
}

LRESULT SendPrivateMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!window || ::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId())
        return 0;
    const UINT saved = t_privateMessage;
    t_privateMessage = message;
    const LRESULT answer = ::SendMessageA(window, message, wParam, lParam);
    t_privateMessage = saved;
    return answer;
}

bool IsOwnThreadPrivateMessage(UINT message) {
    return t_privateMessage == message && !::InSendMessage();
}
