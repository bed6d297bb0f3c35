// What every compiled program provides to the runtime: its image header, its start routine and
// the two stub routines to which the optional external components are bound.
#pragma once

#include <cstdint>

#include "runtime/image/image_records.h"

extern "C" {
extern const ImageHeader ProgramImageHeader;
// Runs the whole program: initialises the runtime, loads the startup window, runs the loop.
int StartRoutine();
// Answers 0 whatever it is given: the loader and the lookup of an absent component.
uint32_t ProgramStubZero();
// Does nothing: the release of an absent component.
void ProgramStubNothing();
}
