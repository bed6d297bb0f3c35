// RuntimeApp: the runtime's single application object. It owns every runtime-wide list and flag,
// starts the compiled program, runs the message loop in which the whole program lives, and ends
// the process in a fixed order.
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/core/word_list.h"
#include "runtime/framework/app.h"
#include "runtime/framework/wnd.h"
#include "runtime/image/image_records.h"
#include "runtime/image/window_store.h"

// Private window messages of the runtime.
constexpr UINT UnitObjectQueryMessage = WM_APP + 2;  // 0x8002: "which unit object are you?"
constexpr UINT EndRequestMessage = WM_APP + 999;     // 0x83E7: end the program on the main thread
constexpr LPARAM kEndAfterRuntimeError = 1;          // its second word: a runtime error was reported

// An optional external component: a loader (run once at the first lookup; zero disables the
// component), a lookup (entry name -> address) and a release routine.
struct OptionalComponent {
    uint32_t (*loader)();
    void* (*lookup)(const char* entry);
    void (*release)();
    bool loaded;
};

// The invisible owner of every window that must have no task-bar button; it also carries end
// requests from other threads to the main thread.
class HiddenOwnerWindow : public CWnd {
public:
    bool Create();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class RuntimeApp : public CWinApp {
public:
    RuntimeApp();
    ~RuntimeApp() override;

    // --- Framework hooks ---------------------------------------------------------------------
    BOOL InitInstance() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnIdle(LONG count) override;
    int ExitInstance() override;

    // --- Start and end -----------------------------------------------------------------------
    void RuntimeInit();
    void Shutdown(int32_t exitCode);
    [[noreturn]] void EndProgram(int32_t exitCode);
    // Asks the main thread to end the program and ends the calling (other) thread.
    [[noreturn]] void RequestEndFromWorker(int32_t exitCode, bool afterRuntimeError);
    bool OnMainThread() const;

    // --- Message loop ------------------------------------------------------------------------
    void RunMessageLoop();                      // service 10
    void RunModalLoop(uint32_t windowId);       // used by window loading
    bool AnyWindowOpen() const;

    // --- Lists kept for the program ------------------------------------------------------------
    void RegisterExitRoutine(void (*routine)());
    void RegisterIdleCallback(HWND window, void (*routine)(uint32_t), uint32_t argument);
    void UnregisterIdleCallback(HWND window);
    void DefaultIcons(HICON* big, HICON* small);

    // --- State (one field per runtime-wide fact) ----------------------------------------------
    HANDLE heap = nullptr;
    uint32_t buildKind = 0;
    uint32_t reservedWord = 0;
    uint32_t nextFreeSerial = 0;
    char programDirectory[MAX_PATH] = {};   // without trailing backslash
    char programFileName[MAX_PATH] = {};
    char moduleDirectory[MAX_PATH] = {};    // with trailing backslash
    const char* constantStart = nullptr;
    const char* constantEnd = nullptr;
    WordList libraryTable;                  // const LibraryRecord*, in image order
    WordList libraryData;                   // one word per library, handed back at the end
    WordList dllFiles, dllEntries, dllModules, dllAddresses;  // one entry per declared command
    WindowList windows;                     // the program's windows, in form block order
    HiddenOwnerWindow hiddenOwner;
    DWORD mainThreadId = 0;
    uint32_t messageLoopEntered = 0;
    uint32_t modalLoopActive = 0;           // WindowId of the window whose modal loop runs
    int32_t eventSuppressionCount = 0;
    uint32_t currentEventSource[2] = {};    // window and unit whose handler runs; window 0: none
    bool creatingModalWindow = false;       // told to the window unit while it is created
    bool recreatingUnit = false;            // a unit's destruction is part of its re-creation
    WordList exitRoutines;
    WordList idleWindows, idleRoutines, idleArguments;
    uint32_t oleInitialised = 0;
    uint32_t shuttingDown = 0;
    uint32_t socketsStarted = 0;
    WordList hostedControlFiles, hostedControlClasses;
    OptionalComponent components[3] = {};
    HICON defaultBigIcon = nullptr;
    HICON defaultSmallIcon = nullptr;
    CRITICAL_SECTION soundLock;
    WordList extraModules, extraModuleNames;  // modules loaded for other facilities
    HMODULE dllOverrideModule = nullptr;       // a DLL override set by other facilities
    char dllOverrideEntry[MAX_PATH] = {};
    char extraDllDirectory[MAX_PATH] = {};     // extra DLL search directory, empty when unset

private:
    enum class LoopMode { Normal, Modal };
    void MessageLoop(LoopMode mode);
    void RunIdleCallbacks();
    bool WindowIdleStep(WindowObject* window, uint32_t elapsed);
    void ReleaseIdleState();
    void ReleaseLibraries();
    void ReleaseDllModules();
    void ReleaseDefaultIcons();
    void ReleaseHiddenOwner();

    // Idle period bookkeeping.
    BOOL frameworkIdlePending_ = FALSE;
    DWORD idlePeriodStart_ = 0;
    WordList idleFinishedWindows_;
};

// The runtime's application object.
RuntimeApp& Runtime();

// Calls a routine of the compiled program with the processor state the runtime relies on saved
// around it (callee-saved registers, stack pointer, direction flag).
extern "C" int CallShielded(int (*routine)());
