// A program whose window plays a background sound (forms/sound_window.form), run by
// playsound_test.sh. "midi": the MIDI window shows (silent without a MIDI device) and closes.
// "wave": the WAVE window (repeating); one step per timer tick it sets its playing mode (8 + 6)
// to 2, 1 (waiting for the end) and 0, starts a second player and stops both, then closes; the
// runtime's end waits for the players. Each step logs the live WAVE players once they number what
// the step leaves (a stop that does not wait ends its player a little later).
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

// Logs the live players once they number `settled`, or after 5 s with the number there is then.
void Log(const std::string& what, size_t settled) {
    const DWORD start = GetTickCount();
    while (LiveWavePlayerCount() != settled && GetTickCount() - start < 5000)
        Sleep(5);
    probe_log::Append(probe_log::BesideExecutable("sound_window_probe.log"),
                      what + ": players " + std::to_string(LiveWavePlayerCount()));
}
void SetPlaying(int32_t mode, size_t settled) {
    program::WriteProperty(g_wave ? 0x52010002 : 0x52010001, 0, 8 + 6, static_cast<uint32_t>(mode));
    Log("mode " + std::to_string(mode), settled);
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    const HWND window = FindWindowA(nullptr, g_wave ? "WAVE" : "MIDI");
    if (g_wave && g_step == 3 && LiveWavePlayerCount() != 0)
        return;  // playing once (step 2): the next step waits for its end
    switch (g_wave ? g_step++ : 9 * g_step++) {
    case 0: Log("shown " + std::to_string(window != nullptr), g_wave ? 1 : 0); break;
    case 1: SetPlaying(2, 0); break;
    case 2: SetPlaying(1, 1); break;
    case 3: Log("once ended", 0); SetPlaying(0, 1); break;
    case 4: {
        std::ifstream in(probe_log::BesideExecutable("forms\\tone.wav"), std::ios::binary);
        const std::string tone((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        PlayWave(reinterpret_cast<const uint8_t*>(tone.data()), tone.size(), true);
        Log("second", 2);
        StopAllWavePlayers(true);
        Log("stopped all", 0);
        SetPlaying(0, 1);
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

void Created() { Log("created", g_wave ? 1 : 0); }

int StartRoutine() {
    program::RuntimeInit();
    g_wave = std::strstr(GetCommandLineA(), " wave") != nullptr;
    program::LoadStartupWindow(g_wave ? 0x52010002 : 0x52010001);
    SetTimer(nullptr, 0, 50, Tick);
    program::RunMessageLoop();
    return 0;
}
}  // extern "C"
