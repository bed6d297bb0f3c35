// Application and thread objects: message pump, idle classification, pre-translation and the
// process entry's body.
#include "runtime/framework/app.h"

#include <commctrl.h>

#include <algorithm>
#include <cassert>

#include "runtime/framework/wnd.h"

namespace {

CWinApp* g_app = nullptr;

// The system's caret-blink timer message; it arrives all the time while an edit has the focus
// and must not restart idle work.
constexpr UINT kCaretBlinkMessage = 0x0118;

}  // namespace

// ---- CWinThread -------------------------------------------------------------------------------

CWinThread::CWinThread() : m_nThreadID(GetCurrentThreadId()) {}

CWinThread::~CWinThread() = default;

BOOL CWinThread::InitInstance() {
    return FALSE;
}

int CWinThread::ExitInstance() {
    return static_cast<int>(m_msgCur.wParam);
}

BOOL CWinThread::OnIdle(LONG count) {
    // The framework keeps no idle work of its own; asking for the pass after 0 lets derived
    // classes see counts 0 and 1 of every idle period before the loop goes to sleep.
    return count < 1;
}

BOOL CWinThread::PreTranslateMessage(MSG* msg) {
    if (!msg->hwnd && DispatchThreadMessage(msg))
        return TRUE;
    HWND stop = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    return CWnd::WalkPreTranslateTree(stop, msg);
}

BOOL CWinThread::IsIdleMessage(MSG* msg) {
    if (msg->message == WM_MOUSEMOVE || msg->message == WM_NCMOUSEMOVE) {
        if (msg->message == m_nMsgLast && msg->pt.x == m_ptCursorLast.x &&
            msg->pt.y == m_ptCursorLast.y)
            return FALSE;
        m_ptCursorLast = msg->pt;
        m_nMsgLast = msg->message;
        return TRUE;
    }
    return msg->message != WM_PAINT && msg->message != kCaretBlinkMessage;
}

BOOL CWinThread::PumpMessage() {
    // GetMessage answers -1 only for a bad window filter; there is none, but a failed fetch
    // must not be dispatched either.
    if (GetMessageA(&m_msgCur, nullptr, 0, 0) <= 0)
        return FALSE;
    if (!PreTranslateMessage(&m_msgCur)) {
        TranslateMessage(&m_msgCur);
        DispatchMessageA(&m_msgCur);
    }
    return TRUE;
}

int CWinThread::Run() {
    BOOL idle = TRUE;
    LONG count = 0;
    MSG peek;
    for (;;) {
        while (idle && !PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(count++))
                idle = FALSE;
        }
        do {
            if (!PumpMessage())
                return ExitInstance();
            if (IsIdleMessage(&m_msgCur)) {
                idle = TRUE;
                count = 0;
            }
        } while (PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE));
    }
}

void CWinThread::AddThreadMessageHandler(UINT message, ThreadMessageHandler handler,
                                         void* context) {
    assert(handler);
    m_threadHandlers.push_back({message, handler, context});
}

void CWinThread::RemoveThreadMessageHandler(UINT message, ThreadMessageHandler handler,
                                            void* context) {
    auto same = [&](const ThreadHandler& h) {
        return h.message == message && h.handler == handler && h.context == context;
    };
    m_threadHandlers.erase(
        std::remove_if(m_threadHandlers.begin(), m_threadHandlers.end(), same),
        m_threadHandlers.end());
}

BOOL CWinThread::DispatchThreadMessage(MSG* msg) {
    // Walked by index from the newest: a handler may remove itself (or others) while it runs.
    for (size_t i = m_threadHandlers.size(); i-- > 0;) {
        if (i >= m_threadHandlers.size())
            continue;
        ThreadHandler h = m_threadHandlers[i];
        if (h.message == msg->message && h.handler(*msg, h.context))
            return TRUE;
    }
    return FALSE;
}

// ---- CWinApp ----------------------------------------------------------------------------------

CWinApp::CWinApp() {
    assert(g_app == nullptr && "one application object per process");
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

CWinApp* GetApp() {
    return g_app;
}

// ---- Process entry ----------------------------------------------------------------------------

int FrameworkMain(HINSTANCE instance, LPSTR cmdLine, int cmdShow) {
    CWinApp* app = GetApp();
    assert(app && "a framework program defines one CWinApp object");
    if (!app)
        return -1;
    app->m_hInstance = instance;
    app->m_lpCmdLine = cmdLine;
    app->m_nCmdShow = cmdShow;
    app->m_nThreadID = GetCurrentThreadId();

    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}
