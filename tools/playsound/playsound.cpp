// playsound.exe: plays a WAVE or MIDI file through the runtime's sound players.
//   playsound.exe [--loop-ms MS] FILE
//   playsound.exe --devices
// Exits 0 when the sound has finished (with --loop-ms: after looping for MS milliseconds, then
// stopping), 1 when the data is refused or no output device exists. --devices prints the number
// of waveform and MIDI output devices ("wave N midi M"), so that a caller knows which answer is
// right for a sound.
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/sound/midi_file.h"
#include "runtime/sound/midi_stream_win32.h"
#include "runtime/sound/wave_chunks.h"
#include "runtime/sound/wave_player.h"

namespace {

constexpr DWORD kPollMs = 10;

int Refuse(const std::string& reason) {
    std::fprintf(stderr, "playsound: %s\n", reason.c_str());
    return 1;
}

// Waits for the sound to finish by itself, or loops it for loopMs and then stops it.
template <typename Finished, typename Stop>
void Await(long loopMs, Finished finished, Stop stop) {
    if (loopMs > 0) {
        Sleep(static_cast<DWORD>(loopMs));
        stop();
        return;
    }
    while (!finished())
        Sleep(kPollMs);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--devices") == 0) {
        std::printf("wave %u midi %u\n", waveOutGetNumDevs(), midiOutGetNumDevs());
        return 0;
    }
    long loopMs = 0;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--loop-ms") == 0 && i + 1 < argc)
            loopMs = std::strtol(argv[++i], nullptr, 10);
        else if (!path)
            path = argv[i];
        else
            path = nullptr, i = argc;
    }
    if (!path || loopMs < 0)
        return Refuse("usage: playsound.exe [--loop-ms MS] FILE | --devices");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Refuse(std::string(path) + ": cannot be read");
    const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const bool looping = loopMs > 0;

    if (LooksLikeWave(data.data(), data.size())) {
        if (!PlayWave(data.data(), data.size(), looping))
            return Refuse(std::string(path) + ": refused, or no waveform output device");
        Await(loopMs, [] { return LiveWavePlayerCount() == 0; }, [] { StopAllWavePlayers(true); });
        return 0;
    }
    if (LooksLikeMidi(data.data(), data.size())) {
        MidiPlayer player(PlatformMidiStreamDevice());
        if (!player.Open(data.data(), data.size(), nullptr) || !player.Play(looping))
            return Refuse(std::string(path) + ": refused, or no MIDI output device");
        Await(loopMs, [&] { return !player.IsPlaying(); }, [&] { player.StopAndReset(); });
        return 0;
    }
    return Refuse(std::string(path) + ": neither a WAVE nor a MIDI file");
}
