// A compiled program for the runtime core's end-to-end tests. It reaches the runtime only as
// compiled code does (its service table, indexed services, the command call frame); what it
// should do is picked by its command line, which it reads itself, and what it saw goes to
// probe.log beside the executable.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/program_support.h"
#include "runtime/core/runtime_app.h"
#include "runtime/core/services.h"
#include "tests/support/probe_log.h"

namespace {

// --- The probe's log --------------------------------------------------------------------------

std::string LogPath() { return probe_log::BesideExecutable("probe.log"); }

void Log(const std::string& line) { probe_log::Append(LogPath(), line); }

std::string Hex(uint32_t v)
{
    char b[16];
    std::snprintf(b, sizeof(b), "%X", v);
    return b;
}

// --- A support library of the probe's own ------------------------------------------------------

RuntimeCallbackFn g_callback = nullptr;

uint32_t ProbeLibraryNotify(int32_t message, uint32_t word1, uint32_t)
{
    if (message == kLibraryStart)
        g_callback = reinterpret_cast<RuntimeCallbackFn>(static_cast<uintptr_t>(word1));
    Log("library " + std::to_string(message));
    return 0;
}

// Sets the count and the tag of argument 2 (0 when it was omitted).
void CountArgsCommand(CmdResult* result, int32_t count, CmdArg* args)
{
    result->value = static_cast<uint32_t>(count);
    result->second = count >= 2 ? args[1].tag : 0xFFFFFFFF;
    result->tag = kTagInteger;
}

void NothingCommand(CmdResult*, int32_t, CmdArg*) {}

// Converts argument 1 through RuntimeCallback 2001.
void ToIntegerCommand(CmdResult* result, int32_t, CmdArg* args)
{
    result->value = g_callback(2001, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&args[0])), 0);
    result->tag = kTagInteger;
}

const CommandEntry kProbeCommands[] = {CountArgsCommand, NothingCommand, ToIntegerCommand};

const LibraryRecord kProbeLibrary = {
    kLibraryFormat, "0123456789ABCDEF0123456789ABCDEF", 1, 0, 1, 1, 0, 1, 0, "probe library", 1,
    nullptr, 0, {}, 0, nullptr, 0, nullptr, 3, nullptr, kProbeCommands, nullptr, nullptr,
    ProbeLibraryNotify, nullptr, nullptr, 0, nullptr, nullptr,
};
const LibraryRecord* const kLibraries[] = {&kProbeLibrary, nullptr};

// --- Declared DLL commands -----------------------------------------------------------------------

const char* const kDllFiles[] = {"", "user32.dll", "core_probe_dll.dll", "", "nosuch.dll"};
const char* const kDllEntries[] = {"lstrlenA", "wsprintfA", "#7", "NoSuchEntryAnywhere", "Foo"};

// --- The image -----------------------------------------------------------------------------------

// The constant area: two array blocks (a valid one of two integers, and one whose three
// dimension sizes multiply past 2^64), then "constant", an empty text, then six letters with no
// terminator, so that the area ends in the middle of a text.
struct ProbeData {
    const void* services[kServiceCount];
    uint32_t arrays[8];
    char constants[16];
};
constexpr size_t kArraysSize = sizeof(uint32_t) * 8;

}  // namespace

extern "C" {

const ProbeData ProbeDataBlock = {
    TAVORI_RUNTIME_SERVICES,
    {1, 2, 0x11111111, 0x22222222, 3, 0x80000000, 0x80000000, 0x80000000},
    {'c', 'o', 'n', 's', 't', 'a', 'n', 't', 0, 0, 'a', 'b', 'c', 'd', 'e', 'f'}};
const void* const* const ProgramServices = ProbeDataBlock.services;

const ImageHeader ProgramImageHeader = {
    3, 0, 0x10004, 0x401004, reinterpret_cast<const char*>(ProbeDataBlock.arrays),
    static_cast<int32_t>(kArraysSize + sizeof(ProbeDataBlock.constants)), nullptr, 0,
    2, kLibraries, 5, kDllFiles, kDllEntries,
};

}  // extern "C"

namespace {

// --- Scenarios -----------------------------------------------------------------------------------

void ExitA() { Log(GetCurrentThreadId() == Runtime().mainThreadId ? "exit A on main" : "exit A elsewhere"); }
void ExitB() { Log("exit B"); }

void RegisterBoth()
{
    program::RegisterExitRoutine(ExitA);
    program::RegisterExitRoutine(ExitB);
    program::RegisterExitRoutine(ExitA);  // kept once
}

DWORD WINAPI EndFromThread(void*)
{
    program::EndProgram(5);
}

void CallDllCommands()
{
    Log("lstrlenA " + std::to_string(program::DllCommand<int(WINAPI*)(const char*)>(0)("hello")));
    char buffer[64] = {};
    const int n = program::DllCommand<int (*)(char*, const char*, ...)>(1)(buffer, "%d-%s", 42, "x");
    Log("wsprintfA " + std::to_string(n) + " " + buffer);
    const int twice = program::DllCommand<int(WINAPI*)(int)>(2)(21);
    const int again = program::DllCommand<int(WINAPI*)(int)>(2)(50);
    Log("ordinal " + std::to_string(twice) + " " + std::to_string(again));
    // The runtime holds the library once: one release unloads it.
    HMODULE module = GetModuleHandleA("core_probe_dll.dll");
    FreeLibrary(module);
    Log(std::string("after one release ") + (GetModuleHandleA("core_probe_dll.dll") ? "loaded" : "unloaded"));
}

// Two threads call two declared commands at once, and one call sits in another's arguments:
// each call must reach the entry it names.
struct Hammer {
    int32_t index;
    int wrong = 0;
};

DWORD WINAPI HammerCalls(void* parameter)
{
    auto* h = static_cast<Hammer*>(parameter);
    for (int i = 0; i < 20000; ++i) {
        const int got = h->index == 0 ? program::DllCommand<int(WINAPI*)(const char*)>(0)("hello")
                                      : program::DllCommand<int(WINAPI*)(int)>(2)(21);
        h->wrong += got != (h->index == 0 ? 5 : 42);
    }
    return 0;
}

void CallFromThreads()
{
    program::DllCommand<int(WINAPI*)(int)>(2)(1);  // resolved once, before the threads start
    const int nested = program::DllCommand<int(WINAPI*)(int)>(2)(program::DllCommand<int(WINAPI*)(const char*)>(0)("hello"));
    Hammer a{0}, b{2};
    HANDLE threads[2] = {CreateThread(nullptr, 0, HammerCalls, &a, 0, nullptr),
                         CreateThread(nullptr, 0, HammerCalls, &b, 0, nullptr)};
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    CloseHandle(threads[0]);
    CloseHandle(threads[1]);
    Log("nested " + std::to_string(nested) + " wrong " + std::to_string(a.wrong) + " " + std::to_string(b.wrong));
}

// Internal routine 2 copies a constant array out; sizes that wrap or a header that runs past
// the area leave the array where it is.
void CopyArrays()
{
    auto makeWritable = program::InternalRoutineAt<void (*)(int32_t, void**)>(program::kMakeArrayWritable);
    const uint32_t* valid = ProbeDataBlock.arrays;
    void* a = const_cast<uint32_t*>(valid);
    makeWritable(4, &a);
    const bool same = a != valid && std::memcmp(a, valid, 16) == 0;
    void* wrapped = const_cast<uint32_t*>(valid + 4);
    makeWritable(4, &wrapped);
    void* tail = const_cast<char*>(ProbeDataBlock.constants + 14);
    makeWritable(1, &tail);
    Log(std::string("arrays copied ") + (same ? "same" : "different") + ", wrapped " +
        (wrapped == valid + 4 ? "kept" : "copied") + ", tail " + (tail == ProbeDataBlock.constants + 14 ? "kept" : "copied"));
    program::FreeMemory(a);
}

void CallCommands()
{
    CmdArg args[3] = {};
    args[0] = {7, 0, kTagInteger};
    PushOmittedArgs(args + 1, 6);
    CmdResult r = program::CallCoreCommand(kProbeCommands[0], 3, args);
    Log("count " + std::to_string(r.value) + " tag2 " + Hex(r.second) + " tag " + Hex(r.tag));
    r = program::CallLibraryCommand(kProbeCommands[1], 0, 1, args);
    Log("nothing " + std::to_string(r.value) + " " + std::to_string(r.second) + " " + std::to_string(r.tag));
    const CmdArg conversions[] = {
        {0x1FF, 0, kTagByte}, {0xFFFE, 0, kTagShort}, {0xC0000000, 0, kTagInteger},
        {0x80000000, 1, kTagLong}, {0xC0700000, 0, kTagSingle} /* -3.75f */, {0x9999999A, 0xC00D9999, kTagDouble} /* -3.7 */,
    };
    std::string line = "integers";
    for (CmdArg a : conversions)
        line += " " + std::to_string(static_cast<int32_t>(program::CallCoreCommand(kProbeCommands[2], 1, &a).value));
    Log(line);
}

void CallCallbacks()
{
    HICON icons[2] = {};
    g_callback(1000, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(icons)), 0);
    HICON again[2] = {};
    g_callback(1000, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(again)), 0);
    Log(std::string("icons ") + (icons[0] && icons[1] ? "loaded" : "missing") +
        (icons[0] == again[0] && icons[1] == again[1] ? " shared" : " different"));
    void* block = reinterpret_cast<void*>(static_cast<uintptr_t>(g_callback(2024, 16, 0)));
    block = reinterpret_cast<void*>(static_cast<uintptr_t>(
        g_callback(2026, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block)), 64)));
    g_callback(2025, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block)), 0);
    const uint32_t plain = g_callback(2024, 0x7FFFFFF0, 1);
    Log("plain huge " + std::string(plain ? "non-null" : "null") + " unknown " +
        std::to_string(g_callback(1999, 1, 2)) + " " + std::to_string(g_callback(2041, 1, 2)));
}

void UseMemory()
{
    const char* constants = ProbeDataBlock.constants;
    char* zero = static_cast<char*>(program::AllocMemory(0));
    program::FreeMemory(zero);
    program::FreeMemory(const_cast<char*>(constants + 8));  // the empty constant text: ignored
    char* tail = static_cast<char*>(program::ReallocMemory(const_cast<char*>(constants + 13), 10));
    char* two = static_cast<char*>(program::ReallocMemory(const_cast<char*>(constants + 13), 2));
    char* fresh = static_cast<char*>(program::ReallocMemory(nullptr, 4));
    Log(std::string("zero ") + (zero ? "non-null" : "null") + " tail " + std::string(tail, 3) + " two " +
        std::string(two, 2) + " constants " + std::string(constants, 8) + " fresh " + (fresh ? "non-null" : "null"));
    char* joined = TextJoin(3, "ab", nullptr, "cd");
    Log("joined " + std::string(joined));
    program::FreeMemory(joined);
    program::FreeMemory(tail);
    program::FreeMemory(two);
    program::FreeMemory(fresh);
}

// Idle callbacks and the modal loop.
HWND MakeWindow()
{
    return CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
}

int g_idleCalls = 0;
bool g_postQuit = false;

void IdleLog(uint32_t argument)
{
    Log("idle " + std::to_string(argument));
    if (++g_idleCalls == 2) {
        if (g_postQuit)
            PostQuitMessage(9);
        else
            Runtime().modalLoopActive = 0;  // what the destruction of the modal window does
    }
}

void RunModal(bool postQuit)
{
    g_postQuit = postQuit;
    HWND first = MakeWindow(), second = MakeWindow(), third = MakeWindow();
    Runtime().RegisterIdleCallback(first, IdleLog, 1);
    Runtime().RegisterIdleCallback(second, IdleLog, 2);
    Runtime().RegisterIdleCallback(third, IdleLog, 3);
    Runtime().RegisterIdleCallback(third, IdleLog, 4);  // the same window again: ignored
    DestroyWindow(second);
    Runtime().RunModalLoop(0x52010009);
    Log("modal returned, active " + Hex(Runtime().modalLoopActive) + ", callbacks " +
        std::to_string(Runtime().idleWindows.Count()));
    MSG msg;
    if (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
        Log("quit waiting " + std::to_string(msg.wParam));
}

// Pre-translation: a window without a framework object names its unit object when asked.
class ProbeUnit : public CWnd {
public:
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message != WM_USER + 5)
            return FALSE;
        Log("unit consumed " + std::to_string(msg->message));
        Runtime().modalLoopActive = 0;
        return TRUE;
    }
};
ProbeUnit g_unit;

LRESULT CALLBACK UnitWindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp)
{
    if (message == UnitObjectQueryMessage)
        return reinterpret_cast<LRESULT>(static_cast<CWnd*>(&g_unit));
    if (message >= WM_USER)
        Log("window got " + std::to_string(message));
    return DefWindowProcA(window, message, wp, lp);
}

void PreTranslate()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = UnitWindowProc;
    wc.lpszClassName = "ProbeUnitWindow";
    RegisterClassA(&wc);
    HWND parent = CreateWindowExA(0, "ProbeUnitWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExA(0, "ProbeUnitWindow", "", WS_CHILD, 0, 0, 5, 5, parent, nullptr, nullptr, nullptr);
    PostMessageA(child, WM_USER + 6, 0, 0);
    PostMessageA(child, WM_USER + 5, 0, 0);
    Runtime().RunModalLoop(0x52010009);
    DestroyWindow(parent);
}

// Keeps the program running in a loop until something ends it from outside.
void Hold()
{
    Log("holding");
    Runtime().RunModalLoop(0x52010009);
}

}  // namespace

extern "C" int StartRoutine()
{
    program::RuntimeInit();
    if (probe_log::Scenario("exit-routines")) {
        RegisterBoth();
    } else if (probe_log::Scenario("bad-window")) {
        RegisterBoth();
        program::LoadStartupWindow(0x52010001);
    } else if (probe_log::Scenario("error-code")) {
        program::ReportErrorCode(6);
    } else if (probe_log::Scenario("alloc-fail")) {
        RegisterBoth();
        program::AllocMemory(0x7FFFFFF0);
    } else if (probe_log::Scenario("end7")) {
        RegisterBoth();
        program::EndProgram(7);
    } else if (probe_log::Scenario("thread-end")) {
        RegisterBoth();
        CloseHandle(CreateThread(nullptr, 0, EndFromThread, nullptr, 0, nullptr));
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        Log("main loop ended");
    } else if (probe_log::Scenario("dll-missing-entry")) {
        program::DllCommand<int(WINAPI*)()>(3)();
    } else if (probe_log::Scenario("dll-missing-file")) {
        program::DllCommand<int(WINAPI*)()>(4)();
    } else if (probe_log::Scenario("dll-threads")) {
        CallFromThreads();
    } else if (probe_log::Scenario("dll")) {
        CallDllCommands();
    } else if (probe_log::Scenario("arrays")) {
        CopyArrays();
    } else if (probe_log::Scenario("commands")) {
        CallCommands();
        CallCallbacks();
    } else if (probe_log::Scenario("not-numeric")) {
        CmdArg text = {0, 0, kTagText};
        program::CallCoreCommand(kProbeCommands[2], 1, &text);
    } else if (probe_log::Scenario("memory")) {
        UseMemory();
    } else if (probe_log::Scenario("modal-clear")) {
        RunModal(false);
    } else if (probe_log::Scenario("pretranslate")) {
        PreTranslate();
    } else if (probe_log::Scenario("hold")) {
        RegisterBoth();
        Hold();
    } else if (probe_log::Scenario("modal-quit")) {
        RunModal(true);
    }
    program::RunMessageLoop();
    return 0;
}
