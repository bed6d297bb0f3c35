// A compiled program for the pictures end-to-end test: its window (forms/pictures.form) has a
// background picture and a picture button. The command line gives the picture layout (0 to 3),
// written to the window before the message loop runs.
// A picture file after it replaces the background picture once no block of 256 MiB is left.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/commands/libraries.h"
#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/services.h"
#include "runtime/pictures/picture_decode.h"

extern "C" const uint8_t PicturesForm[];
extern "C" const uint32_t PicturesFormSize;
extern "C" const uint8_t HandlerArea[];

namespace {

constexpr uint32_t kWindow = 0x52010001;
constexpr int32_t kPicture = 8 + 3;
constexpr int32_t kPictureLayout = 8 + 4;

const LibraryRecord* const kLibraries[] = {&kCoreLibrary, &kExtendedInterfaceLibrary};

struct ProbeData {
    const void* services[kServiceCount];
    char constants[1];
};

// The arguments after the program's name: the layout, then perhaps a path without spaces.
const char* Arguments() {
    const char* line = GetCommandLineA();
    const char* space = line[0] == '"' ? std::strchr(line + 1, '"') : std::strchr(line, ' ');
    return space ? space + 1 : "";
}

int LayoutArgument() { return *Arguments() ? std::atoi(Arguments()) : 1; }

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
    std::vector<uint8_t> picture;
    if (const char* path = std::strchr(Arguments(), ' '); path && ReadPictureFile(path + 1, &picture)) {
        while (VirtualAlloc(nullptr, 256u << 20, MEM_RESERVE, PAGE_NOACCESS)) {
        }
        program::ServiceAt<void (*)(uint32_t, uint32_t, int32_t, int32_t, uint32_t, uint32_t)>(program::kWriteProperty)(
            kWindow, 0, kPicture, -1, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(picture.data())),
            static_cast<uint32_t>(picture.size()));
    }
    program::RunMessageLoop();
    program::EndProgram(0);
}

}  // extern "C"
