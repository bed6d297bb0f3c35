// A program whose one window is a generated bench form (bench_units.form.in, N units): it loads
// the window and runs the loop like the tool, without handlers.
#include <cstdint>

#include "runtime/commands/libraries.h"
#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/services.h"

// The form of BENCH_UNITS units is BenchForm<BENCH_UNITS>.
#define BENCH_JOIN2(a, b) a##b
#define BENCH_JOIN(a, b) BENCH_JOIN2(a, b)
#define BENCH_FORM BENCH_JOIN(BenchForm, BENCH_UNITS)
#define BENCH_FORM_SIZE BENCH_JOIN(BENCH_FORM, Size)

extern "C" const uint8_t BENCH_FORM[];
extern "C" const uint32_t BENCH_FORM_SIZE;
extern "C" const uint8_t HandlerArea[];

namespace {
const LibraryRecord* const kLibraries[] = {&kCoreLibrary, &kExtendedInterfaceLibrary};

struct BenchData {
    const void* services[kServiceCount];
    char constants[1];
};
}  // namespace

extern "C" {
const BenchData BenchDataBlock = {TAVORI_RUNTIME_SERVICES, {0}};
const void* const* const ProgramServices = BenchDataBlock.services;
const ImageHeader ProgramImageHeader = {
    3, 0, 0x10000 + BENCH_UNITS + 1, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(HandlerArea)) + 4,
    BenchDataBlock.constants, 1, BENCH_FORM, static_cast<int32_t>(BENCH_FORM_SIZE), 2, kLibraries,
    0, nullptr, nullptr,
};

int StartRoutine()
{
    program::RuntimeInit();
    program::LoadStartupWindow(0x52010001);
    program::RunMessageLoop();
    return 0;
}
}
