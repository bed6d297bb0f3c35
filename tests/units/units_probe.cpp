// A compiled program for the unit kinds' end-to-end tests: its window (forms/units.form) holds
// two edit boxes, one with an adjuster, a button and a label on the test window type. It runs
// its message loop while the driver types and clicks; its handlers log what they see to
// probe.log beside the executable.
#include <windows.h>

#include <cstdio>
#include <string>

#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/services.h"
#include "runtime/units/button_unit.h"
#include "runtime/units/edit_box_unit.h"
#include "runtime/units/trans_label_unit.h"
#include "runtime/units/unit_type.h"
#include "tests/support/probe_log.h"
#include "tests/image/test_units.h"

extern "C" const uint8_t UnitsForm[];
extern "C" const uint32_t UnitsFormSize;
extern "C" const uint8_t HandlerArea[];

namespace {

constexpr uint32_t kWindow = 0x52010001;
constexpr uint32_t kPlain = 0x16010002, kByte = 0x16010003, kLabel = 0x16010006;

void Log(const std::string& line) { probe_log::Append(probe_log::BesideExecutable("probe.log"), line); }

std::string ReadText(uint32_t unit, int32_t number) {
    const uint64_t value = program::ReadProperty(kWindow, unit, number);
    const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(static_cast<uint32_t>(value)));
    std::string s = text ? text : "";
    program::FreeMemory(const_cast<char*>(text));
    return s;
}

void WriteText(uint32_t unit, int32_t number, const char* text) {
    program::WriteProperty(kWindow, unit, number, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(text)));
}

uint32_t Notify(int32_t message, uint32_t word1, uint32_t) {
    if (message == kLibraryStart)
        SetUnitCallback(reinterpret_cast<RuntimeCallbackFn>(static_cast<uintptr_t>(word1)));
    return 0;
}

// Types that the form does not use stand in with the test child type.
const UnitTypeRecord kLibraryOneTypes[] = {
    kTestUnitTypes[0], kTestUnitTypes[1], kTestUnitTypes[1], kTestUnitTypes[1], kEditBoxUnitType,
    kTestUnitTypes[1], kTestUnitTypes[1], kTestUnitTypes[1], kTestUnitTypes[1], kTestUnitTypes[1],
    kButtonUnitType,
};
const UnitTypeRecord kLibraryTwoTypes[] = {
    kTestUnitTypes[1], kTestUnitTypes[1], kTestUnitTypes[1], kTestUnitTypes[1], kTransLabelUnitType,
};

const LibraryRecord kLibraryOne = {
    kLibraryFormat, "0123456789ABCDEF0123456789ABCDEF", 1, 0, 1, 1, 0, 1, 0, "units probe", 1, nullptr,
    0, {}, 11, kLibraryOneTypes, 0, nullptr, 0, nullptr, nullptr, nullptr, nullptr, Notify, nullptr,
    nullptr, 0, nullptr, nullptr,
};
const LibraryRecord kLibraryTwo = {
    kLibraryFormat, "FEDCBA9876543210FEDCBA9876543210", 1, 0, 1, 1, 0, 1, 0, "units probe 2", 1, nullptr,
    0, {}, 5, kLibraryTwoTypes, 0, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, 0, nullptr, nullptr,
};
const LibraryRecord* const kLibraries[] = {&kLibraryOne, &kLibraryTwo};

struct ProbeData {
    const void* services[kServiceCount];
    char constants[1];
};

int g_steps = 0;

}  // namespace

extern "C" {
const ProbeData UnitsDataBlock = {TAVORI_RUNTIME_SERVICES, {0}};
const void* const* const ProgramServices = UnitsDataBlock.services;
const ImageHeader ProgramImageHeader = {
    3, 0, 0x10009, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(HandlerArea)) + 4,
    UnitsDataBlock.constants, 1, UnitsForm, static_cast<int32_t>(UnitsFormSize), 2, kLibraries,
    0, nullptr, nullptr,
};

void PlainChanged() { Log("plain changed"); }
void ByteChanged() { Log("byte changed"); }
void ByteLeft() { Log("byte left " + ReadText(kByte, 8)); }
void Adjusted(uint32_t direction) { Log("adjusted " + std::to_string(static_cast<int32_t>(direction))); }

// Each click of the step button does the next step.
void Step() {
    ++g_steps;
    if (g_steps == 1) {
        Log("step 1: plain reads " + ReadText(kPlain, 8));
        WriteText(kPlain, 8, "written");
        Log("step 1 done");
    } else if (g_steps == 2) {
        WriteText(kLabel, 8, "");
        Log("step 2 done");
    } else {
        program::EndProgram(0);
    }
}

int StartRoutine() {
    program::RuntimeInit();
    program::LoadStartupWindow(kWindow);
    program::RunMessageLoop();
    program::EndProgram(0);
}

}  // extern "C"
