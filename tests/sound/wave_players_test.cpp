// The WAVE players with a waveform device (run by playsound_test.sh, which gives Wine a captured
// one): a sound played once ends its player by itself; StopAllWavePlayers stops two looping
// players at once and waits for both threads; refused data starts no player. The MIDI player on
// the platform's stream: without a MIDI output device open answers 0 at once; with one, a short
// song plays to its end.
#include "runtime/sound/wave_player.h"

#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include "runtime/sound/midi_stream_win32.h"

#include <cstdint>
#include <vector>

namespace {

// A 16-bit mono 8 kHz WAVE file of `samples` samples of a square wave.
std::vector<uint8_t> Wave(uint32_t samples) {
    std::vector<uint8_t> b;
    auto put = [&b](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    const uint32_t data = samples * 2;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put(36 + data, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(16, 4), put(1, 2), put(1, 2), put(8000, 4), put(16000, 4), put(2, 2), put(16, 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put(data, 4);
    for (uint32_t i = 0; i < samples; ++i)
        put((i / 10) % 2 ? 0x2000 : 0xE000, 2);
    return b;
}

template <typename Condition>
bool WaitFor(Condition condition) {
    for (DWORD start = GetTickCount(); !condition(); Sleep(5))
        if (GetTickCount() - start > 10000)
            return false;
    return true;
}

TEST(WavePlayers, OncePlayerEndsByItself) {
    const std::vector<uint8_t> wave = Wave(4000);
    ASSERT_EQ(PlayWave(wave.data(), wave.size(), false), 1);
    EXPECT_TRUE(WaitFor([] { return LiveWavePlayerCount() == 0; }));
}

TEST(WavePlayers, StopAllStopsTwoLoopingPlayersAndWaits) {
    const std::vector<uint8_t> a = Wave(8000), b = Wave(3000);
    ASSERT_EQ(PlayWave(a.data(), a.size(), true), 1);
    ASSERT_EQ(PlayWave(b.data(), b.size(), true), 1);
    EXPECT_EQ(LiveWavePlayerCount(), 2u);
    Sleep(300);  // let both go round; nothing is asserted about this time
    EXPECT_EQ(LiveWavePlayerCount(), 2u);
    StopAllWavePlayers(true);
    EXPECT_EQ(LiveWavePlayerCount(), 0u);
}

TEST(WavePlayers, RefusedDataStartsNoPlayer) {
    std::vector<uint8_t> wave = Wave(100);
    const std::vector<uint8_t> short35(wave.begin(), wave.begin() + 35);
    EXPECT_EQ(PlayWave(short35.data(), short35.size(), false), 0);
    wave[8] = 'X';
    EXPECT_EQ(PlayWave(wave.data(), wave.size(), false), 0);
    EXPECT_EQ(LiveWavePlayerCount(), 0u);
}

TEST(MidiOnThePlatform, OpenAnswersZeroWithoutADeviceOrPlaysToTheEnd) {
    // One quarter note at 96 ticks a quarter: note on, note off, end of track.
    static const uint8_t song[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0,
                                   12, 0, 0x90, 60, 64, 96, 0x80, 60, 0, 0, 0xFF, 0x2F, 0};
    MidiPlayer player(PlatformMidiStreamDevice());
    if (midiOutGetNumDevs() == 0) {
        EXPECT_FALSE(player.Open(song, sizeof song, nullptr));
        GTEST_SKIP() << "no MIDI output device: the stream calls cannot be played here";
    }
    ASSERT_TRUE(player.Open(song, sizeof song, nullptr));
    ASSERT_TRUE(player.Play(false));
    EXPECT_TRUE(WaitFor([&] { return !player.IsPlaying(); }));
}

}  // namespace
