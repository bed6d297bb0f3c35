// A compiled program for the pictures end-to-end test: its window (forms/pictures.form) has a
// background picture and a picture button. The command line gives the picture layout (0 to 3),
// written to the window before the message loop runs.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "runtime/commands/libraries.h"
#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/services.h"

extern "C" const uint8_t PicturesForm[];
extern "C" const uint32_t PicturesFormSize;
extern "C" const uint8_t HandlerArea[];

namespace {

constexpr uint32_t kWindow = 0x52010001;
constexpr int32_t kPictureLayout = 8 + 4;

const LibraryRecord* const kLibraries[] = {&kCoreLibrary, &kExtendedInterfaceLibrary};

struct ProbeData {
    const void* services[kServiceCount];
    char constants[1];
};

int LayoutArgument() {
    const char* line = GetCommandLineA();
    const char* space = line[0] == '"' ? std::strchr(line + 1, '"') : std::strchr(line, ' ');
    return space ? std::atoi(space + 1) : 1;
}

}  // namespace

extern "C" {
const ProbeData PicturesDataBlock = {TAVORI_RUNTIME_SERVICES, {0}};
const void* const* const ProgramServices = PicturesDataBlock.services;
const ImageHeader ProgramImageHeader = {
    3, 0, 0x10008, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(HandlerArea)) + 4,
    PicturesDataBlock.constants, 1, PicturesForm, static_cast<int32_t>(PicturesFormSize), 2, kLibraries,
    0, nullptr, nullptr,
};

int StartRoutine() {
    program::RuntimeInit();
    program::LoadStartupWindow(kWindow);
    program::WriteProperty(kWindow, 0, kPictureLayout, static_cast<uint32_t>(LayoutArgument()));
    program::RunMessageLoop();
    program::EndProgram(0);
}

}  // extern "C"
