// A compiled program whose window plays a background sound (forms/sound_window.form), run by
// playsound_test.sh. "midi" shows the MIDI window (no MIDI device here: it must show, silent,
// and close). "wave" shows the WAVE window (repeating) and, one step per timer tick, switches its
// playing mode (property 8 + 6) to 2, 1 and 0, logging the live WAVE players after each change,
// starts a second player and stops both, then closes the window; the runtime's end waits for the
// players. The log goes to
// sound_window_probe.log beside the executable.
#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/commands/libraries.h"
#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/services.h"
#include "runtime/sound/wave_player.h"
#include "tests/support/probe_log.h"

extern "C" const uint8_t SoundWindowForm[];
extern "C" const uint32_t SoundWindowFormSize;
extern "C" const uint8_t HandlerArea[];

namespace {

constexpr uint32_t kMidiWindow = 0x52010001, kWaveWindow = 0x52010002;
constexpr int32_t kSoundPlaying = 8 + 6;

void Log(const std::string& line) { probe_log::Append(probe_log::BesideExecutable("sound_window_probe.log"), line); }

bool Is(const char* scenario) {
    const char* line = GetCommandLineA();
    const char* space = line[0] == '"' ? std::strchr(line + 1, '"') : std::strchr(line, ' ');
    return space && std::strstr(space, scenario) != nullptr;
}

const LibraryRecord* const kLibraries[] = {&kCoreLibrary, &kExtendedInterfaceLibrary};

struct ProbeData {
    const void* services[kServiceCount];
    char constants[1];
};

uint32_t g_window = 0;
int g_step = 0;

void SetPlaying(int32_t mode) {
    program::WriteProperty(g_window, 0, kSoundPlaying, static_cast<uint32_t>(mode));
    Log("mode " + std::to_string(mode) + ": players " + std::to_string(LiveWavePlayerCount()));
}

// One step per tick; a step that waits for the players answers false until they are done.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    const HWND window = FindWindowA(nullptr, g_window == kWaveWindow ? "WAVE" : "MIDI");
    switch (g_step) {
    case 0:
        Log("shown " + std::to_string(window != nullptr) + ": players " + std::to_string(LiveWavePlayerCount()));
        if (g_window == kMidiWindow)
            g_step = 5;
        break;
    case 1: SetPlaying(2); break;
    case 2: if (LiveWavePlayerCount() != 0) return; SetPlaying(1); break;
    case 3: if (LiveWavePlayerCount() != 0) return; Log("once ended"); SetPlaying(0); break;
    case 4: {
        // A second player beside the window's: stopping all stops both and waits for them.
        std::ifstream in(probe_log::BesideExecutable("forms\\tone.wav"), std::ios::binary);
        const std::vector<char> tone((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        PlayWave(reinterpret_cast<const uint8_t*>(tone.data()), tone.size(), true);
        Log("second: players " + std::to_string(LiveWavePlayerCount()));
        StopAllWavePlayers(true);
        Log("stopped all: players " + std::to_string(LiveWavePlayerCount()));
        SetPlaying(0);
        break;
    }
    default: PostMessageA(window, WM_CLOSE, 0, 0); return;
    }
    ++g_step;
}

}  // namespace

extern "C" {
const ProbeData SoundWindowDataBlock = {TAVORI_RUNTIME_SERVICES, {0}};
const void* const* const ProgramServices = SoundWindowDataBlock.services;
const ImageHeader ProgramImageHeader = {
    3, 0, 0x10008, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(HandlerArea)) + 4,
    SoundWindowDataBlock.constants, 1, SoundWindowForm, static_cast<int32_t>(SoundWindowFormSize), 2, kLibraries,
    0, nullptr, nullptr,
};

void Created() { Log("created"); }

int StartRoutine() {
    program::RuntimeInit();
    g_window = Is("wave") ? kWaveWindow : kMidiWindow;
    program::LoadStartupWindow(g_window);
    SetTimer(nullptr, 0, 50, Tick);
    program::RunMessageLoop();
    Log("loop returned");
    return 0;
}
}  // extern "C"
