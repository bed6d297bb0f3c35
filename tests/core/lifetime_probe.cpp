// A compiled program for the lifetime tests: three windows of the real window unit (or one),
// ended in the ways a program ends, with a debug heap that fills every freed C++ object with
// 0xDD so that a later use of a deleted object faults instead of reading stale data, and any
// fault ends the program with exit code 77. The
// command line picks what the button's handler does; what the program saw goes to
// lifetime_probe.log beside the executable.
#include <windows.h>

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "runtime/commands/libraries.h"
#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/runtime_app.h"
#include "runtime/core/services.h"
#include "runtime/units/unit_type.h"
#include "tests/support/probe_log.h"

// --- The debug heap: freed objects are poisoned and never reused ----------------------------------

void operator delete(void* p) noexcept
{
    // Kept out of the heap on purpose: a block handed out again would hide the poison.
    if (p)
        std::memset(p, 0xDD, _msize(p));
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

// A fault anywhere ends the probe with code 77 at once: the system would swallow one inside a
// window procedure called during a window's destruction, hiding the use of a freed object.
LONG CALLBACK OnFault(EXCEPTION_POINTERS* pointers)
{
    if (pointers->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
        TerminateProcess(GetCurrentProcess(), 77);
    return EXCEPTION_CONTINUE_SEARCH;
}

const struct FaultWatch {
    FaultWatch() { AddVectoredExceptionHandler(1, OnFault); }
} g_faultWatch;

}  // namespace

extern "C" const uint8_t LifetimeForm[];
extern "C" const uint32_t LifetimeFormSize;
extern "C" const uint8_t HandlerArea[];

namespace {

constexpr uint32_t kFirst = 0x52010001, kSecond = 0x52010003, kThird = 0x52010005, kBroken = 0x52010007;

void Log(const std::string& line) { probe_log::Append(probe_log::BesideExecutable("lifetime_probe.log"), line); }

const LibraryRecord* const kLibraries[] = {&kCoreLibrary, &kExtendedInterfaceLibrary};

struct ProbeData {
    const void* services[kServiceCount];
    char constants[1];
};

void ExitRoutine() { Log(GetCurrentThreadId() == Runtime().mainThreadId ? "exit routine on main" : "exit routine elsewhere"); }

DWORD WINAPI EndFromWorker(void*) { program::EndProgram(9); }

bool Loaded(uint32_t windowId)
{
    return RuntimeCallback(kRequestFindObject, windowId, 0) != 0;
}

void LoadBroken()
{
    const uint32_t request[3] = {kBroken, 0, 0};
    const uint32_t answer = RuntimeCallback(kRequestLoadWindow, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(request)), 0);
    // Nothing of the broken window may be left: no top-level window with its caption.
    Log("broken load " + std::to_string(static_cast<int32_t>(answer)) + ", loaded " + std::to_string(Loaded(kBroken)) +
        ", window left " + std::to_string(FindWindowA("ZkWindow", "Broken") != nullptr));
}

}  // namespace

extern "C" {
const ProbeData LifetimeDataBlock = {TAVORI_RUNTIME_SERVICES, {0}};
const void* const* const ProgramServices = LifetimeDataBlock.services;
const ImageHeader ProgramImageHeader = {
    3, 0, 0x1000D, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(HandlerArea)) + 4,
    LifetimeDataBlock.constants, 1, LifetimeForm, static_cast<int32_t>(LifetimeFormSize), 2, kLibraries,
    0, nullptr, nullptr,
};

void Act()
{
    Log("act");
    if (probe_log::Scenario("end")) {
        program::EndProgram(5);
    } else if (probe_log::Scenario("error")) {
        program::ReadProperty(0x52010099, 0, 0);
    } else if (probe_log::Scenario("broken")) {
        LoadBroken();
    } else if (probe_log::Scenario("worker")) {
        HANDLE worker = CreateThread(nullptr, 0, EndFromWorker, nullptr, 0, nullptr);
        WaitForSingleObject(worker, INFINITE);
        CloseHandle(worker);
        Log("worker joined");
    }
}

int StartRoutine()
{
    program::RuntimeInit();
    program::RegisterExitRoutine(ExitRoutine);
    program::LoadStartupWindow(kFirst);
    if (!probe_log::Scenario("broken")) {
        program::LoadStartupWindow(kSecond);
        program::LoadStartupWindow(kThird);
    }
    Log("loaded");
    program::RunMessageLoop();
    Log("loop returned");
    return 0;
}

}  // extern "C"
