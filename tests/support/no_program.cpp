// What a compiled program supplies to the runtime, for tests that link the runtime's libraries
// without being a compiled program: an empty image and a start routine that never runs.
#include "runtime/core/program_image.h"

extern "C" {
int StartRoutine() { return 0; }
const ImageHeader ProgramImageHeader = {};
uint32_t ProgramStubZero() { return 0; }
void ProgramStubNothing() {}
}
