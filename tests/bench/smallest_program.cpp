// The runtime's smallest program: it initialises the runtime, runs the loop (which returns at
// once, as no window is open) and ends with 0.
#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/services.h"

namespace {
struct SmallestData {
    const void* services[kServiceCount];
    char constants[1];
};
}  // namespace

extern "C" {
const SmallestData SmallestDataBlock = {TAVORI_RUNTIME_SERVICES, {0}};
const void* const* const ProgramServices = SmallestDataBlock.services;
const ImageHeader ProgramImageHeader = {
    3, 0, 0x10001, 0x401004, SmallestDataBlock.constants, 1, nullptr, 0, 0, nullptr, 0, nullptr, nullptr,
};

int StartRoutine()
{
    program::RuntimeInit();
    program::RunMessageLoop();
    return 0;
}
}
