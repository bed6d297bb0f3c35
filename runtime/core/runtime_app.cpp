#include "runtime/core/runtime_app.h"

#include <ole2.h>
#include <winsock2.h>

#include <cstring>

#include "runtime/core/error_report.h"
#include "runtime/core/error_texts.h"
#include "runtime/core/memory.h"
#include "runtime/core/program_image.h"
#include "runtime/core/services.h"
#include "runtime/core/startup_trace.h"
#include "runtime/image/window_store.h"
#include "runtime/sound/wave_player.h"

namespace {

const char kHiddenOwnerClass[] = "_QV_HideOwner";

// Splits a path at its last backslash, stepping over double-byte characters whose trail byte
// happens to be a backslash. Answers the index of the separator, or -1.
int LastSeparator(const char* path)
{
    int last = -1;
    for (int i = 0; path[i]; ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && path[i + 1]) {
            ++i;
            continue;
        }
        if (path[i] == '\\')
            last = i;
    }
    return last;
}

void CopyText(char* to, size_t size, const char* from, size_t length)
{
    if (length >= size)
        length = size - 1;
    std::memcpy(to, from, length);
    to[length] = '\0';
}

void BindToStubs(OptionalComponent& component)
{
    component.loader = ProgramStubZero;
    component.lookup = reinterpret_cast<void* (*)(const char*)>(reinterpret_cast<void*>(ProgramStubZero));
    component.release = ProgramStubNothing;
    component.loaded = false;
}

bool IsChildWindow(HWND window)
{
    return (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0;
}

}  // namespace

// The one application object. Constructed before the framework starts.
static RuntimeApp g_runtimeApp;

RuntimeApp& Runtime() { return g_runtimeApp; }

// --- Hidden owner window ----------------------------------------------------------------------

bool HiddenOwnerWindow::Create()
{
    RegisterWndClass(kHiddenOwnerClass, 0, LoadCursorA(nullptr, IDC_ARROW), nullptr);
    return CreateEx(WS_EX_TOOLWINDOW, kHiddenOwnerClass, "", 0, 0, 0, 0, 0, nullptr, nullptr) != 0;
}

LRESULT HiddenOwnerWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == EndRequestMessage) {
        // A request that follows a runtime error on another thread: the exit routines are
        // skipped here, on the thread that owns the list.
        if (lParam == kEndAfterRuntimeError)
            Runtime().exitRoutines.Clear();
        Runtime().EndProgram(static_cast<int32_t>(wParam));
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

// --- Construction ------------------------------------------------------------------------------

RuntimeApp::RuntimeApp()
{
    TraceStart();
    InitializeCriticalSection(&soundLock);
    TraceMark("static construction reached the runtime object");
}

RuntimeApp::~RuntimeApp()
{
    // Every list is empty by now; this only matters for a program that never started. A process
    // ended from another thread is torn down there: the main thread's state is left alone.
    if (OnMainThread())
        Shutdown(0);
    DeleteCriticalSection(&soundLock);
}

// --- Framework hooks ---------------------------------------------------------------------------

BOOL RuntimeApp::InitInstance()
{
    TraceMark("framework started, instance initialisation entered");
    char path[MAX_PATH] = {};
    GetModuleFileNameA(m_hInstance, path, MAX_PATH);
    const int separator = LastSeparator(path);
    CopyText(moduleDirectory, sizeof(moduleDirectory), path, static_cast<size_t>(separator + 1));
    BindToStubs(components[1]);
    // The whole program runs inside this call.
    return CallShielded(StartRoutine);
}

int RuntimeApp::ExitInstance()
{
    Shutdown(0);
    return CWinApp::ExitInstance();
}

BOOL RuntimeApp::PreTranslateMessage(MSG* msg)
{
    if (!msg->hwnd && DispatchThreadMessage(msg))
        return TRUE;
    const HWND main = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    for (HWND window = msg->hwnd; window; window = IsChildWindow(window) ? ::GetParent(window) : nullptr) {
        CWnd* object = CWnd::FromHandlePermanent(window);
        if (!object)
            object = reinterpret_cast<CWnd*>(SendPrivateMessage(window, UnitObjectQueryMessage, 0, 0));
        if (object && object->PreTranslateMessage(msg))
            return TRUE;
        if (window == main)
            break;
    }
    return FALSE;
}

BOOL RuntimeApp::OnIdle(LONG count)
{
    if (count == 0) {
        frameworkIdlePending_ = TRUE;
        idlePeriodStart_ = GetTickCount();
        idleFinishedWindows_.Clear();
    }
    if (frameworkIdlePending_) {
        frameworkIdlePending_ = CWinApp::OnIdle(count);
        return TRUE;
    }
    if (count <= 1)
        return TRUE;
    const uint32_t elapsed = GetTickCount() - idlePeriodStart_;
    bool more = false;
    for (int32_t i = 0; i < windows.Count(); ++i) {
        WindowObject* window = windows.At(i);
        const uint32_t word = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
        if (!window->Handle() || idleFinishedWindows_.Contains(word))
            continue;
        if (WindowIdleStep(window, elapsed))
            more = true;
        else
            idleFinishedWindows_.Append(word);
    }
    return more;
}

bool RuntimeApp::WindowIdleStep(WindowObject* window, uint32_t elapsed)
{
    return RaiseWindowIdleEvent(window, elapsed);
}

// --- Start ---------------------------------------------------------------------------------------

void RuntimeApp::RuntimeInit()
{
    const ImageHeader& image = ProgramImageHeader;
    heap = GetProcessHeap();
    UseProcessHeapForBuffers();
    TraceMark("RuntimeInit: heap");

    buildKind = image.buildKind;
    reservedWord = image.reserved;
    nextFreeSerial = image.highestSerial + 1;

    if (!oleInitialised) {
        OleInitialize(nullptr);  // the answer is not examined
        oleInitialised = 1;
    }
    TraceMark("RuntimeInit: OLE initialised");

    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const int separator = LastSeparator(path);
    if (separator < 0) {
        programDirectory[0] = '\0';
        CopyText(programFileName, sizeof(programFileName), path, std::strlen(path));
    } else {
        CopyText(programDirectory, sizeof(programDirectory), path, static_cast<size_t>(separator));
        CopyText(programFileName, sizeof(programFileName), path + separator + 1,
                 std::strlen(path + separator + 1));
    }
    SetCurrentDirectoryA(programDirectory);  // also when empty; the answer is not examined
    TraceMark("RuntimeInit: program directory");

    for (OptionalComponent& component : components)
        BindToStubs(component);

    hiddenOwner.Create();
    mainThreadId = GetCurrentThreadId();
    TraceMark("RuntimeInit: hidden owner window");

    if (image.constantAreaSize > 0) {
        constantStart = image.constantArea;
        constantEnd = image.constantArea + image.constantAreaSize;
    }

    if (image.dllCommandCount > 0) {
        const int32_t n = image.dllCommandCount;
        dllFiles.Zeroed(n);
        dllEntries.Zeroed(n);
        dllModules.Zeroed(n);
        dllAddresses.Zeroed(n);
        for (int32_t i = 0; i < n; ++i) {
            dllFiles.Set(i, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(image.dllFiles[i])));
            dllEntries.Set(i, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(image.dllEntries[i])));
        }
    }

    for (int32_t i = 0; i < image.libraryCount; ++i) {
        const LibraryRecord* library = image.libraries[i];
        if (library && library->notify)
            library->notify(kLibraryStart, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&RuntimeCallback)), 0);
    }
    for (int32_t i = 0; i < image.libraryCount; ++i)
        libraryTable.AppendPointer(image.libraries[i]);
    libraryData.Zeroed(image.libraryCount);
    TraceMark("RuntimeInit: support libraries started");

    if (image.formBlockSize > 0 && !ReadFormBlock(image, &windows))
        ReportRuntimeError(kTextLoadFormFailed, 0);
    TraceMark("RuntimeInit: form block read");
}

// --- Message loop --------------------------------------------------------------------------------

void RuntimeApp::RunMessageLoop()
{
    messageLoopEntered = 1;
    TraceMark("message loop entered");
    if (AnyWindowOpen())
        MessageLoop(LoopMode::Normal);
}

void RuntimeApp::RunModalLoop(uint32_t windowId)
{
    const uint32_t saved = modalLoopActive;
    modalLoopActive = windowId;
    MessageLoop(LoopMode::Modal);
    modalLoopActive = saved;
}

void RuntimeApp::MessageLoop(LoopMode mode)
{
    const bool modal = mode == LoopMode::Modal;
    BOOL idle = TRUE;
    LONG count = 0;
    MSG waiting;
    for (;;) {
        while (idle && !PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE)) {
            TraceFirstIdle();
            RunIdleCallbacks();
            if (!OnIdle(count++))
                idle = FALSE;
            if (modal && modalLoopActive == 0)
                return;
        }
        do {
            // The quit message belongs to the enclosing loop: a modal loop leaves it waiting.
            if (modal && PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE) && waiting.message == WM_QUIT)
                return;
            if (!PumpMessage()) {
                // A modal loop that had to wait may have fetched the quit message itself; it is
                // put back so that the normal loop ends too.
                if (modal)
                    PostQuitMessage(static_cast<int>(m_msgCur.wParam));
                return;
            }
            if (modal && modalLoopActive == 0)
                return;
            if (IsIdleMessage(&m_msgCur)) {
                idle = TRUE;
                count = 0;
            }
        } while (PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE));
    }
}

void RuntimeApp::RunIdleCallbacks()
{
    // Newest first. A callback may register or unregister callbacks, so the index is checked
    // against the list as it is now.
    for (int32_t i = idleWindows.Count() - 1; i >= 0; --i) {
        if (i >= idleWindows.Count())
            continue;
        if (!IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(idleWindows.At(i))))) {
            idleWindows.RemoveAt(i);
            idleRoutines.RemoveAt(i);
            idleArguments.RemoveAt(i);
            continue;
        }
        idleRoutines.PointerAt<void(uint32_t)>(i)(idleArguments.At(i));
    }
}

bool RuntimeApp::AnyWindowOpen() const
{
    for (int32_t i = 0; i < windows.Count(); ++i) {
        if (windows.At(i)->Handle())
            return true;
    }
    return false;
}

// --- Lists ---------------------------------------------------------------------------------------

void RuntimeApp::RegisterExitRoutine(void (*routine)())
{
    const uint32_t word = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(routine));
    if (!exitRoutines.Contains(word))
        exitRoutines.Append(word);
}

void RuntimeApp::RegisterIdleCallback(HWND window, void (*routine)(uint32_t), uint32_t argument)
{
    const uint32_t handle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
    if (!window || !IsWindow(window) || !routine || idleWindows.Contains(handle))
        return;
    idleWindows.Append(handle);
    idleRoutines.AppendPointer(reinterpret_cast<void*>(routine));
    idleArguments.Append(argument);
}

void RuntimeApp::UnregisterIdleCallback(HWND window)
{
    const int32_t i = idleWindows.Find(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)));
    if (i < 0)
        return;
    idleWindows.RemoveAt(i);
    idleRoutines.RemoveAt(i);
    idleArguments.RemoveAt(i);
}

void RuntimeApp::DefaultIcons(HICON* big, HICON* small)
{
    if (!defaultBigIcon) {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        defaultBigIcon = static_cast<HICON>(LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON,
            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
        defaultSmallIcon = static_cast<HICON>(LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON,
            GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    }
    *big = defaultBigIcon;
    *small = defaultSmallIcon;
}

// --- End -----------------------------------------------------------------------------------------

void RuntimeApp::EndProgram(int32_t exitCode)
{
    Shutdown(exitCode);
    ExitProcess(static_cast<UINT>(exitCode));
}

bool RuntimeApp::OnMainThread() const
{
    return !mainThreadId || GetCurrentThreadId() == mainThreadId;
}

void RuntimeApp::RequestEndFromWorker(int32_t exitCode, bool afterRuntimeError)
{
    // The request is posted, not sent: the main thread may be waiting for this very thread,
    // and a send would then never return. The worker touches none of the main thread's state;
    // it ends itself so that a main thread waiting for it goes on and takes the request.
    HWND owner = hiddenOwner.m_hWnd;
    if (owner && ::PostMessageA(owner, EndRequestMessage, static_cast<WPARAM>(exitCode),
                                afterRuntimeError ? kEndAfterRuntimeError : 0))
        ExitThread(static_cast<DWORD>(exitCode));
    // Nobody on the main thread can take the request: end at once.
    ExitProcess(static_cast<UINT>(exitCode));
}

void RuntimeApp::Shutdown(int32_t exitCode)
{
    // Only the main thread takes the program apart; any other thread asks it to.
    if (!OnMainThread())
        RequestEndFromWorker(exitCode, false);
    TraceFinish();
    ++eventSuppressionCount;
    shuttingDown = 1;
    ReleaseIdleState();

    // The list is taken apart before any window goes: a window unit that is destroyed looks
    // the windows up again (is any still open? which one is modal?), and must not reach an
    // object deleted a moment earlier.
    WindowList taken = windows.Take();
    for (int32_t i = 0; i < taken.Count(); ++i) {
        if (HWND handle = taken.At(i)->Handle())
            ::DestroyWindow(handle);
    }
    for (int32_t i = 0; i < taken.Count(); ++i)
        ReleaseWindowObject(taken.At(i));

    // Taken off the list first: a routine that ends the program must not see itself again.
    const WordList routines = exitRoutines.Take();
    for (int32_t i = 0; i < routines.Count(); ++i)
        CallShielded(routines.PointerAt<int()>(i));

    ReleaseLibraries();
    ReleaseDllModules();

    for (int32_t i = 0; i < extraModules.Count(); ++i)
        FreeLibrary(extraModules.PointerAt<HINSTANCE__>(i));
    extraModules.Clear();
    extraModuleNames.Clear();

    dllOverrideModule = nullptr;
    dllOverrideEntry[0] = '\0';
    extraDllDirectory[0] = '\0';
    constantStart = constantEnd = nullptr;

    ReleaseDefaultIcons();
    ReleaseHiddenOwner();

    // The lists of created and owned objects, the media player and the icon list belong to
    // facilities this build does not carry: nothing to release. Every WAVE player is stopped
    // and its thread waited for.
    StopAllWavePlayers(true);

    if (socketsStarted) {
        WSACleanup();
        socketsStarted = 0;
    }
    // No hosted control is registered in this build; the lists are emptied all the same.
    hostedControlFiles.Clear();
    hostedControlClasses.Clear();

    if (oleInitialised) {
        OleUninitialize();
        oleInitialised = 0;
    }
}

void RuntimeApp::ReleaseIdleState()
{
    idleWindows.Clear();
    idleRoutines.Clear();
    idleArguments.Clear();
}

void RuntimeApp::ReleaseLibraries()
{
    for (int32_t i = 0; i < libraryTable.Count(); ++i) {
        const LibraryRecord* library = libraryTable.PointerAt<const LibraryRecord>(i);
        if (library && library->notify)
            library->notify(kLibraryEnd, libraryData.At(i), 0);
    }
    libraryTable.Clear();
    libraryData.Clear();
}

void RuntimeApp::ReleaseDllModules()
{
    for (int32_t i = 0; i < dllModules.Count(); ++i) {
        if (dllModules.At(i))
            FreeLibrary(dllModules.PointerAt<HINSTANCE__>(i));
    }
    dllFiles.Clear();
    dllEntries.Clear();
    dllModules.Clear();
    dllAddresses.Clear();
}

void RuntimeApp::ReleaseDefaultIcons()
{
    if (defaultBigIcon)
        DestroyIcon(defaultBigIcon);
    if (defaultSmallIcon)
        DestroyIcon(defaultSmallIcon);
    defaultBigIcon = defaultSmallIcon = nullptr;
}

void RuntimeApp::ReleaseHiddenOwner()
{
    if (hiddenOwner.m_hWnd && IsWindow(hiddenOwner.m_hWnd))
        hiddenOwner.DestroyWindow();
    hiddenOwner.m_hWnd = nullptr;
}
