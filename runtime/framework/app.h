// CWinThread and CWinApp: the thread's message pump with its idle and pre-translation hooks, and
// the process's single application object with the process entry.
//
// Process entry: a GUI program gets WinMain by linking the OBJECT library
// tavori_framework_entry (CMake: LIBS tavori_framework_entry). An object library is used because
// a WinMain inside a static library is not pulled in by the linker when nothing refers to it.
// WinMain calls FrameworkMain, which runs the single CWinApp object (GetApp()):
//     InitInstance() true  -> Run() (the message loop), whose result is ExitInstance()'s
//     InitInstance() false -> ExitInstance()
// and returns that result as the process exit code. ExitInstance() answers the first parameter
// of the last message fetched, which is the quit message's code after a normal end.
#pragma once

#include <windows.h>

#include <vector>

class CWnd;

class CWinThread {
public:
    CWinThread();
    virtual ~CWinThread();

    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    MSG m_msgCur{};              // the message PumpMessage fetched last
    CWnd* m_pMainWnd = nullptr;  // pre-translation walks stop after this window
    DWORD m_nThreadID = 0;

    // --- Overridables ------------------------------------------------------------------------
    virtual BOOL InitInstance();
    // Default: the first parameter of the last fetched message (the quit message's code).
    virtual int ExitInstance();
    // Framework idle work for pass `count` of an idle period; TRUE asks for another pass.
    virtual BOOL OnIdle(LONG count);
    // Default: thread-message handlers for a message without a window, then the
    // PreTranslateMessage of the target window's object and of its ancestors up to the main
    // window. TRUE means the message is consumed and not dispatched.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // FALSE for a message after which idle work need not run again: a mouse move to where the
    // mouse already was, WM_PAINT and the caret-blink timer.
    virtual BOOL IsIdleMessage(MSG* msg);
    // The plain loop: idle passes while the queue is empty, then pump until the quit message;
    // answers ExitInstance(). The runtime keeps its own loop and only uses PumpMessage/OnIdle.
    virtual int Run();

    // Fetches one message into m_msgCur and, unless pre-translation consumes it, translates and
    // dispatches it. FALSE on the quit message (or a failed fetch).
    BOOL PumpMessage();

    // --- Messages posted to the thread (no window) -------------------------------------------
    using ThreadMessageHandler = BOOL (*)(const MSG& msg, void* context);
    void AddThreadMessageHandler(UINT message, ThreadMessageHandler handler, void* context);
    void RemoveThreadMessageHandler(UINT message, ThreadMessageHandler handler, void* context);
    // Offers a window-less message to the handlers registered for it, newest first; TRUE when
    // one of them took it.
    BOOL DispatchThreadMessage(MSG* msg);

private:
    struct ThreadHandler {
        UINT message;
        ThreadMessageHandler handler;
        void* context;
    };
    std::vector<ThreadHandler> m_threadHandlers;
    POINT m_ptCursorLast{};
    UINT m_nMsgLast = 0;
};

class CWinApp : public CWinThread {
public:
    // There is one application object per process, normally a static one.
    CWinApp();
    ~CWinApp() override;

    HINSTANCE m_hInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;

    BOOL InitInstance() override;  // default: TRUE
};

// The process's application object, or nullptr before it is constructed.
CWinApp* GetApp();

// The body of the process entry (see the top of this file).
int FrameworkMain(HINSTANCE instance, LPSTR cmdLine, int cmdShow);
