// The compiled program's own small routines the runtime binds to: the stubs of absent optional
// components.
#include <cstdint>

#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/program_support.h"

extern "C" {
uint32_t ProgramStubZero() { return 0; }
void ProgramStubNothing() {}
}

namespace {

void* AllocateThroughService(int32_t size) { return program::AllocMemory(size); }

// TextJoin allocates as compiled code does: through the program's own service table.
const struct ProgramAllocatorBinding {
    ProgramAllocatorBinding() { SetProgramAllocator(AllocateThroughService); }
} g_programAllocatorBinding;

}  // namespace
