// A program whose window plays a background sound (forms/sound_window.form), run by
// playsound_test.sh. "midi": the MIDI window shows (silent without a MIDI device) and closes.
// "wave": the WAVE window (repeating); one step per timer tick it sets its playing mode (8 + 6)
// to 2, 1 (waiting for the end) and 0, starts a second player and stops both, then closes; the
// runtime's end waits for the players. Each step logs the live WAVE players.
#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/commands/libraries.h"
#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/services.h"
#include "runtime/sound/wave_player.h"
#include "tests/support/probe_log.h"

extern "C" const uint8_t SoundWindowForm[], HandlerArea[];
extern "C" const uint32_t SoundWindowFormSize;

namespace {

const LibraryRecord* const kLibraries[] = {&kCoreLibrary};
struct ProbeData {
    const void* services[kServiceCount];
    char constants[1];
};
bool g_wave = false;
int g_step = 0;

void Log(const std::string& what) {
    probe_log::Append(probe_log::BesideExecutable("sound_window_probe.log"),
                      what + ": players " + std::to_string(LiveWavePlayerCount()));
}
void SetPlaying(int32_t mode) {
    program::WriteProperty(g_wave ? 0x52010002 : 0x52010001, 0, 8 + 6, static_cast<uint32_t>(mode));
    Log("mode " + std::to_string(mode));
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    const HWND window = FindWindowA(nullptr, g_wave ? "WAVE" : "MIDI");
    if (g_step == 2 && LiveWavePlayerCount() != 0)
        return;  // playing once: wait for its end
    switch (g_wave ? g_step++ : 9 * g_step++) {
    case 0: Log("shown " + std::to_string(window != nullptr)); break;
    case 1: SetPlaying(2); break;
    case 2: SetPlaying(1); break;
    case 3: Log("once ended"); SetPlaying(0); break;
    case 4: {
        std::ifstream in(probe_log::BesideExecutable("forms\\tone.wav"), std::ios::binary);
        const std::string tone((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        PlayWave(reinterpret_cast<const uint8_t*>(tone.data()), tone.size(), true);
        Log("second");
        StopAllWavePlayers(true);
        Log("stopped all");
        SetPlaying(0);
        break;
    }
    default: PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

}  // namespace

extern "C" {
const ProbeData SoundWindowDataBlock = {TAVORI_RUNTIME_SERVICES, {0}};
const void* const* const ProgramServices = SoundWindowDataBlock.services;
const ImageHeader ProgramImageHeader = {
    3, 0, 0x10008, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(HandlerArea)) + 4,
    SoundWindowDataBlock.constants, 1, SoundWindowForm, static_cast<int32_t>(SoundWindowFormSize), 1, kLibraries,
    0, nullptr, nullptr,
};

void Created() { Log("created"); }

int StartRoutine() {
    program::RuntimeInit();
    g_wave = std::strstr(GetCommandLineA(), " wave") != nullptr;
    program::LoadStartupWindow(g_wave ? 0x52010002 : 0x52010001);
    SetTimer(nullptr, 0, 50, Tick);
    program::RunMessageLoop();
    return 0;
}
}  // extern "C"
