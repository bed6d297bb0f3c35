// A compiled program for the form-units end-to-end tests: its image lists the tool's own core and
// extended libraries, so its window (forms/form_units.form) is the real window unit holding real
// edit boxes, buttons and a transparent label. It runs its message loop while the driver types,
// clicks, activates other windows and sends session messages; the handlers log what they see to
// form_units_probe.log beside the executable. The command line picks the scenario: "keys" (the
// Arm button switches F1 help off) or "session" (the Arm button arms the idle event, and the
// first closing event vetoes).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/commands/libraries.h"
#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/services.h"
#include "tests/support/probe_log.h"

extern "C" const uint8_t FormUnitsForm[];
extern "C" const uint32_t FormUnitsFormSize;
extern "C" const uint8_t HandlerArea[];

namespace {

constexpr uint32_t kWindow = 0x52010001;
constexpr int32_t kF1OpensHelp = 8 + 15;

std::string LogPath() { return probe_log::BesideExecutable("form_units_probe.log"); }

void Log(const std::string& line) { probe_log::Append(LogPath(), line); }

std::string Num(uint32_t v) { return std::to_string(static_cast<int32_t>(v)); }

const LibraryRecord* const kLibraries[] = {&kCoreLibrary, &kExtendedInterfaceLibrary};

struct ProbeData {
    const void* services[kServiceCount];
    char constants[1];
};

// Every WM_NCLBUTTONDOWN the loop takes from the queue, with its hit-test code and point.
HHOOK g_hook = nullptr;
LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_NCLBUTTONDOWN)
        Log("nc down " + Num(static_cast<uint32_t>(msg->wParam)) + " " +
            Num(static_cast<uint32_t>(static_cast<int16_t>(LOWORD(msg->lParam)))) + " " +
            Num(static_cast<uint32_t>(static_cast<int16_t>(HIWORD(msg->lParam)))));
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

// Idle event state: before arming, calls are only counted; once armed, `budget` calls answer
// true (each taking 30 ms), the next answers false, and any later call is logged as "after".
enum class IdleState { Waiting, Armed, Stopped };
IdleState g_idle = IdleState::Waiting;
int g_idleBudget = 0;
int g_idleCallsBeforeArm = 0;
int g_closingCalls = 0;

}  // namespace

extern "C" {
const ProbeData FormUnitsDataBlock = {TAVORI_RUNTIME_SERVICES, {0}};
const void* const* const ProgramServices = FormUnitsDataBlock.services;
const ImageHeader ProgramImageHeader = {
    3, 0, 0x10008, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(HandlerArea)) + 4,
    FormUnitsDataBlock.constants, 1, FormUnitsForm, static_cast<int32_t>(FormUnitsFormSize), 2, kLibraries,
    0, nullptr, nullptr,
};

uint32_t Idle(uint32_t elapsed) {
    switch (g_idle) {
    case IdleState::Waiting:
        if (++g_idleCallsBeforeArm == 1)
            Log("idle before arming");
        return 0;
    case IdleState::Armed:
        if (g_idleBudget > 0) {
            --g_idleBudget;
            Log("idle " + Num(elapsed) + " more");
            Sleep(30);
            return 1;
        }
        g_idle = IdleState::Stopped;
        Log("idle " + Num(elapsed) + " stop");
        return 0;
    case IdleState::Stopped:
        Log("idle " + Num(elapsed) + " after");
        return 0;
    }
    return 0;
}

void FirstActivation() { Log("event 8"); }
void Activated() { Log("event 5"); }
void Deactivated() { Log("event 6"); }
uint32_t CloseRequest() { Log("event 12"); return 1; }
uint32_t Closing() {
    ++g_closingCalls;
    const uint32_t answer = probe_log::Scenario("session") && g_closingCalls == 1 ? 0 : 1;
    Log("event 1 answer " + Num(answer));
    return answer;
}
uint32_t WindowDown(uint32_t x, uint32_t y, uint32_t keys) {
    Log("window down " + Num(x) + " " + Num(y) + " " + Num(keys));
    return 1;
}
void Edit2Key(uint32_t key, uint32_t keys) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", key);
    Log("edit2 key " + std::string(hex) + " " + Num(keys));
}
void ApplyClicked() { Log("apply clicked"); }
void DisabledClicked() { Log("disabled default clicked"); }
void OkClicked() { Log("ok clicked"); }
void LabelDown(uint32_t x, uint32_t y, uint32_t keys) {
    Log("label down " + Num(x) + " " + Num(y) + " " + Num(keys));
}

void Arm() {
    if (probe_log::Scenario("session")) {
        Log("armed after " + Num(static_cast<uint32_t>(g_idleCallsBeforeArm)) + " idle calls");
        g_idleBudget = 3;
        g_idle = IdleState::Armed;
    } else {
        program::WriteProperty(kWindow, 0, kF1OpensHelp, 0);
        Log("f1 help off, reads " + Num(static_cast<uint32_t>(program::ReadProperty(kWindow, 0, kF1OpensHelp))));
    }
}

int StartRoutine() {
    g_hook = SetWindowsHookExA(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
    program::RuntimeInit();
    program::LoadStartupWindow(kWindow);
    Log("loaded");
    program::RunMessageLoop();
    Log("loop returned");
    program::EndProgram(0);
}

}  // extern "C"
