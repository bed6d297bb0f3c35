// A framework program for app_entry_test: its behaviour is chosen by the command line and its
// exit code shows what the process entry did.
//   initfalse  InitInstance posts quit 37, pumps to it and answers false   -> 37
//   bonus      as initfalse with quit 5; ExitInstance adds 1000            -> 1005
//   run        InitInstance answers true; the first idle pass posts quit 23 -> 23
// 99 means the entry did not hand the program its instance handle.
#include <cstring>

#include "runtime/framework/app.h"

namespace {

class ProbeApp : public CWinApp {
public:
    BOOL InitInstance() override {
        if (m_hInstance != GetModuleHandleA(nullptr) || !m_lpCmdLine)
            return Fail();
        m_run = std::strstr(m_lpCmdLine, "run") != nullptr;
        m_bonus = std::strstr(m_lpCmdLine, "bonus") != nullptr;
        if (m_run)
            return TRUE;
        PostQuitMessage(m_bonus ? 5 : 37);
        while (PumpMessage()) {
        }
        return FALSE;
    }
    int ExitInstance() override {
        if (m_failed)
            return 99;
        return CWinApp::ExitInstance() + (m_bonus ? 1000 : 0);
    }
    BOOL OnIdle(LONG count) override {
        if (m_run && count == 0)
            PostQuitMessage(23);
        return CWinApp::OnIdle(count);
    }

private:
    BOOL Fail() {
        m_failed = true;
        return FALSE;
    }
    bool m_run = false;
    bool m_bonus = false;
    bool m_failed = false;
};

ProbeApp theApp;

}  // namespace
