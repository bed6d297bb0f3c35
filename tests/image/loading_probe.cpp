// A compiled program for the window-loading, property and event tests. Its window comes from
// forms/loading.form; what it does is picked by its command line, and what it saw goes to
// probe.log beside the executable.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/services.h"
#include "runtime/framework/wnd.h"
#include "runtime/units/unit_type.h"
#include "tests/support/probe_log.h"
#include "tests/image/test_units.h"

extern "C" const uint8_t LoadingForm[];
extern "C" const uint32_t LoadingFormSize;
extern "C" const uint8_t HandlerArea[];

namespace {

constexpr uint32_t kWindow = 0x52010001, kOtherWindow = 0x52010007;
constexpr uint32_t kA = 0x16010002, kB = 0x16010003, kHidden = 0x16010004, kD = 0x16010006, kF = 0x16010009;
constexpr uint32_t kE = 0x16010008;

std::string LogPath() { return probe_log::BesideExecutable("probe.log"); }

void Log(const std::string& line) { probe_log::Append(LogPath(), line); }

std::string Hex(uint32_t v)
{
    char b[16];
    std::snprintf(b, sizeof(b), "%X", v);
    return b;
}

// --- The probe's support library: the test unit types, plus two variants --------------------

RuntimeCallbackFn g_callback = nullptr;

uint32_t ProbeNotify(int32_t message, uint32_t word1, uint32_t)
{
    if (message == kLibraryStart) {
        g_callback = reinterpret_cast<RuntimeCallbackFn>(static_cast<uintptr_t>(word1));
        SetUnitCallback(g_callback);
    }
    return 0;
}

const UnitTypeRecord kProbeTypes[] = {
    kTestUnitTypes[0],
    kTestUnitTypes[1],
    // a child that is never shown
    {"never", "Never", nullptr, 0, nullptr, 0x00008040, 0, 0, nullptr, 8 + kTestChildOwnPropertyCount,
     kTestChildProperties, TestChildEntry, 0, nullptr},
    // a child whose type may raise no events
    {"mute", "Mute", nullptr, 0, nullptr, 0x00000000, 0, 0, nullptr, 8 + kTestChildOwnPropertyCount,
     kTestChildProperties, TestChildEntry, 0, nullptr},
};

const LibraryRecord kProbeLibrary = {
    kLibraryFormat, "00112233445566778899AABBCCDDEEFF", 1, 0, 1, 1, 0, 1, 0, "loading probe", 1, nullptr,
    0, {}, 4, kProbeTypes, 0, nullptr, 0, nullptr, nullptr, nullptr, nullptr, ProbeNotify, nullptr,
    nullptr, 0, nullptr, nullptr,
};
const LibraryRecord* const kLibraries[] = {&kProbeLibrary};

struct ProbeData {
    const void* services[kServiceCount];
    char constants[1];
};

}  // namespace

extern "C" {
const ProbeData LoadingDataBlock = {TAVORI_RUNTIME_SERVICES, {0}};
const void* const* const ProgramServices = LoadingDataBlock.services;
const ImageHeader ProgramImageHeader = {
    3, 0, 0x10009, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(HandlerArea)) + 4,
    LoadingDataBlock.constants, 1, LoadingForm, static_cast<int32_t>(LoadingFormSize), 1, kLibraries,
    0, nullptr, nullptr,
};
}

namespace {

// --- Helpers of the scenarios ----------------------------------------------------------------

CWnd* Object(uint32_t windowId, uint32_t unitId)
{
    return reinterpret_cast<CWnd*>(static_cast<uintptr_t>(g_callback(kRequestFindObject, windowId, unitId)));
}

HWND Handle(uint32_t windowId, uint32_t unitId)
{
    CWnd* object = Object(windowId, unitId);
    return object ? object->m_hWnd : nullptr;
}

std::string TextOf(uint64_t value)
{
    const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(static_cast<uint32_t>(value)));
    std::string s = text ? "\"" + std::string(text) + "\"" : "null";
    program::FreeMemory(const_cast<char*>(text));
    return s;
}

int32_t Int(uint32_t unit, int32_t number, uint32_t window = kWindow)
{
    return static_cast<int32_t>(program::ReadProperty(window, unit, number));
}

void WriteText(uint32_t unit, int32_t number, const char* text)
{
    program::WriteProperty(kWindow, unit, number, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(text)));
}

uint64_t ReadPart(uint32_t unit, int32_t number, int32_t part)
{
    return program::ServiceAt<uint64_t (*)(uint32_t, uint32_t, int32_t, int32_t)>(program::kReadProperty)(
        kWindow, unit, number, part);
}

void WritePart(uint32_t unit, int32_t number, int32_t part, uint32_t value)
{
    program::ServiceAt<void (*)(uint32_t, uint32_t, int32_t, int32_t, uint32_t, uint32_t)>(
        program::kWriteProperty)(kWindow, unit, number, part, value, 0);
}

void Click(uint32_t unit) { SendMessageA(Handle(kWindow, unit), WM_LBUTTONDOWN, 0, MAKELPARAM(3, 4)); }

bool g_destroyInCreation = false;
bool g_nest = false;

void Structure()
{
    HWND window = Handle(kWindow, 0);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char text[64] = {};
        GetWindowTextA(child, text, sizeof(text));
        Log(std::to_string(GetDlgCtrlID(child)) + " " + text + (IsWindowVisible(child) ? " shown" : " hidden"));
    }
    Log(std::string("window ") + (IsWindowVisible(window) ? "shown" : "hidden") + ", windows alive " +
        std::to_string(TestWindowUnit::liveCount));
    program::LoadStartupWindow(kWindow);  // already loaded: only activated
    Log("after second load, windows alive " + std::to_string(TestWindowUnit::liveCount) + ", children alive " +
        std::to_string(TestChildUnit::liveCount));
}

void Reload()
{
    WriteText(kA, 8, "changed");
    WriteText(kA, 4, "new tag");
    Log("caption " + TextOf(program::ReadProperty(kWindow, kA, 8)) + " tag " + TextOf(program::ReadProperty(kWindow, kA, 4)));
    DestroyWindow(Handle(kWindow, 0));
    Log("after destroy, loaded " + std::to_string(Handle(kWindow, 0) != nullptr) + ", children alive " +
        std::to_string(TestChildUnit::liveCount) + ", tag " + TextOf(program::ReadProperty(kWindow, kA, 4)));
    program::LoadStartupWindow(kWindow);
    Log("reloaded caption " + TextOf(program::ReadProperty(kWindow, kA, 8)) + " tag " +
        TextOf(program::ReadProperty(kWindow, kA, 4)));
}

void Properties()
{
    WriteText(kA, 8, nullptr);
    Log("null caption reads " + TextOf(program::ReadProperty(kWindow, kA, 8)));
    WriteText(kA, 8, "");
    Log("empty caption reads " + TextOf(program::ReadProperty(kWindow, kA, 8)));

    program::WriteProperty(kOtherWindow, kE, 2, static_cast<uint32_t>(-5));
    program::WriteProperty(kOtherWindow, kE, 0, 40000);
    program::WriteProperty(kOtherWindow, kE, 1, static_cast<uint32_t>(-40000));
    program::WriteProperty(kOtherWindow, kE, 3, 40000);
    Log("stored width " + std::to_string(Int(kE, 2, kOtherWindow)) + " left " + std::to_string(Int(kE, 0, kOtherWindow)) +
        " top " + std::to_string(Int(kE, 1, kOtherWindow)) + " height " + std::to_string(Int(kE, 3, kOtherWindow)));
    program::WriteProperty(kWindow, kA, 2, static_cast<uint32_t>(-5));
    program::WriteProperty(kWindow, kA, 0, 25);
    Log("live width " + std::to_string(Int(kA, 2)) + " left " + std::to_string(Int(kA, 0)));

    program::WriteProperty(kWindow, kA, 10, 2);
    Log("logical 2 reads " + std::to_string(Int(kA, 10)));
    program::WriteProperty(kWindow, kA, 12, static_cast<uint32_t>(-3));
    Log("choice -3 reads " + std::to_string(Int(kA, 12)));

    WritePart(kA, 11, 3, 1);
    Log("strike-out set: part 3 " + std::to_string(ReadPart(kA, 11, 3)) + " part 4 " + std::to_string(ReadPart(kA, 11, 4)));
    WritePart(kA, 11, 4, 1);
    WritePart(kA, 11, 3, 0);
    Log("underline set: part 3 " + std::to_string(ReadPart(kA, 11, 3)) + " part 4 " + std::to_string(ReadPart(kA, 11, 4)));
    WritePart(kA, 11, 0, static_cast<uint32_t>(-900));
    Log("rotation -900 reads " + std::to_string(ReadPart(kA, 11, 0)));

    CWnd* before = Object(kWindow, kA);
    WriteText(kA, 8, "kept");
    program::WriteProperty(kWindow, kA, 14, 5);  // a style fixed at creation: the unit is made again
    CWnd* after = Object(kWindow, kA);
    Log(std::string("re-created ") + (before != after ? "yes" : "no") + ", caption " +
        TextOf(program::ReadProperty(kWindow, kA, 8)) + ", control " + std::to_string(GetDlgCtrlID(after->m_hWnd)) +
        ", children alive " + std::to_string(TestChildUnit::liveCount));
    HWND first = GetWindow(Handle(kWindow, 0), GW_CHILD);
    Log(std::string("re-created unit on top ") + (first == after->m_hWnd ? "yes" : "no"));

    // Through a unit reference the unit's own properties are numbered as everywhere else: 8 the
    // caption (a text), 9 the number, 11 the font, 13 the data block. Every value is the
    // program's own and is freed here; the caption read twice shows the unit kept its own.
    const uint32_t objectWord = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(after));
    auto byReference = [objectWord](int32_t number, int32_t part) {
        return program::InternalRoutineAt<uint64_t (*)(uint32_t, uint32_t, int32_t, int32_t)>(
            program::kReadPropertyByReference)(0x00010002, objectWord, number, part);
    };
    const uint32_t block[3] = {1, 3, 0x00636261};  // "abc"
    program::WriteProperty(kWindow, kA, 13, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block)));
    std::string line = "by reference " + TextOf(byReference(8, -1)) + " " + TextOf(byReference(8, -1)) + " " +
                       std::to_string(byReference(9, -1)) + " underline " + std::to_string(byReference(11, 4));
    auto* copy = reinterpret_cast<uint32_t*>(static_cast<uintptr_t>(byReference(13, -1)));
    line += copy ? " block " + std::to_string(copy[1]) + " " + std::string(reinterpret_cast<char*>(copy + 2), copy[1])
                 : " block null";
    program::FreeMemory(copy);
    program::InternalRoutineAt<void (*)(uint32_t, uint32_t, int32_t, int32_t, uint32_t, uint32_t)>(
        program::kWritePropertyByReference)(0x00010002, objectWord, 8, -1,
                                            static_cast<uint32_t>(reinterpret_cast<uintptr_t>("by ref")), 0);
    Log(line + ", written " + TextOf(program::ReadProperty(kWindow, kA, 8)));

    WriteText(kA, 4, std::string(300, 'x').c_str());
    Log("after growing A's tag: hidden tag " + TextOf(program::ReadProperty(kWindow, kHidden, 4)) + ", F left " +
        std::to_string(Int(kF, 0)) + " top " + std::to_string(Int(kF, 1)) + ", A tag length " +
        std::to_string(TextOf(program::ReadProperty(kWindow, kA, 4)).size() - 2));
    WriteText(kA, 4, "");
    Log("after shrinking: hidden tag " + TextOf(program::ReadProperty(kWindow, kHidden, 4)) + ", A tag " +
        TextOf(program::ReadProperty(kWindow, kA, 4)));
}

void Events()
{
    Click(kA);
    Click(kB);
    Click(kD);
    g_callback(kRequestBlockEvents, 0, 0);
    Click(kA);
    g_callback(kRequestUnblockEvents, 0, 0);
    Click(kA);
    g_nest = true;
    Click(kD);
    g_nest = false;

    TypedEventRecord typed = {};
    typed.windowId = kWindow;
    typed.event = 5;
    typed.argumentCount = 4;
    typed.arguments[0] = {0x1FF, 0, 0x80000101, 0};
    typed.arguments[1] = {0xFFFE, 0, 0x80000201, 0};
    typed.arguments[2] = {0x11111111, 0x22222222, 0x80000401, 0};
    typed.arguments[3] = {0x33333333, 0x44444444, 0x80000601, 1};
    Log("typed dispatched " + std::to_string(g_callback(kRequestRaiseEventTyped, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&typed)), 0)));

    EventRecord answer = {kWindow, 0, 6, 0, {}, 0, 0};
    g_callback(kRequestRaiseEvent, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&answer)), 0);
    typed.event = 6;
    typed.argumentCount = 0;
    g_callback(kRequestRaiseEventTyped, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&typed)), 0);
    Log("answer " + std::to_string(answer.hasResult) + " " + Hex(answer.result) + ", typed " +
        std::to_string(typed.hasResult) + " " + Hex(typed.resultLow) + " " + Hex(typed.resultHigh));
    EventRecord unbound = {kWindow, kB, 9, 0, {}, 77, 88};
    const uint32_t ran = g_callback(kRequestRaiseEvent, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&unbound)), 0);
    Log("unbound event ran " + std::to_string(ran) + ", record " + std::to_string(unbound.hasResult) + " " +
        std::to_string(unbound.result));
}

void RaiseFor(uint32_t windowId, uint32_t unitId)
{
    EventRecord record = {windowId, unitId, 0, 0, {}, 0, 0};
    g_callback(kRequestRaiseEvent, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&record)), 0);
}

std::string EventSourceText()
{
    uint32_t source[2] = {0, 0};
    const uint32_t running = g_callback(kRequestEventSource, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(source)), 0);
    return running ? Hex(source[0]) + "/" + Hex(source[1]) : "none";
}

}  // namespace

// --- Handlers (bound by the form) --------------------------------------------------------------

extern "C" {

void WindowEvent0()
{
    Log("window event 0 from " + EventSourceText());
    if (g_destroyInCreation)
        DestroyWindow(Handle(kWindow, 0));
}
void WindowEvent3() { Log("window event 3"); }
void WindowEvent4() { Log("window event 4"); }
void ClickA(uint32_t x, uint32_t y) { Log("ClickA " + std::to_string(x) + " " + std::to_string(y) + " from " + EventSourceText()); }
void ClickASecond(uint32_t, uint32_t) { Log("ClickASecond"); }
void ClickD(uint32_t, uint32_t)
{
    Log("ClickD from " + EventSourceText());
    if (g_nest) {
        Click(kA);
        Log("after the nested handler: " + EventSourceText());
    }
}
void Typed(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e)
{
    Log("Typed " + Hex(a) + " " + Hex(b) + " " + Hex(c) + " " + Hex(d) + " " + Hex(e));
}
uint64_t Answer() { return (uint64_t{5} << 32) | 0x42; }

int StartRoutine()
{
    program::RuntimeInit();
    if (probe_log::Scenario("destroy-in-creation"))
        g_destroyInCreation = true;
    program::LoadStartupWindow(kWindow);
    if (probe_log::Scenario("destroy-in-creation")) {
        Log(std::string("load returned, window ") + (Handle(kWindow, 0) ? "exists" : "gone"));
    } else if (probe_log::Scenario("structure")) {
        Structure();
    } else if (probe_log::Scenario("reload")) {
        Reload();
    } else if (probe_log::Scenario("properties")) {
        Properties();
    } else if (probe_log::Scenario("events")) {
        Events();
    } else if (probe_log::Scenario("err-event-window")) {
        RaiseFor(0x52010099, 0);
    } else if (probe_log::Scenario("err-event-unit")) {
        RaiseFor(kWindow, 0x16010077);
    } else if (probe_log::Scenario("err-event-invalid")) {
        Click(kF);
    } else if (probe_log::Scenario("err-prop-window")) {
        program::ReadProperty(0x52010099, kA, 8);
    } else if (probe_log::Scenario("err-prop-unit")) {
        program::ReadProperty(kWindow, 0x16010077, 0);
    } else if (probe_log::Scenario("err-prop-unloaded")) {
        program::ReadProperty(kOtherWindow, kE, 8);
    } else if (probe_log::Scenario("err-prop-number")) {
        program::ReadProperty(kWindow, kA, 99);
    } else if (probe_log::Scenario("err-find")) {
        g_callback(kRequestFindObjectOrFail, kOtherWindow, 0);
    }
    program::EndProgram(0);
}

}  // extern "C"
