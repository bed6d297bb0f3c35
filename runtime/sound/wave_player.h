// The WAVE players: each PlayWave call copies the sound and plays it on a thread of its own
// through the waveform output, with 20 rotating buffers, once or looping. Every live player is on
// one process-wide list, so that all of them can be stopped at once.
#pragma once

#include <cstddef>
#include <cstdint>

// Starts a player for a WAVE file held in memory (the bytes are copied). Answers 1 when a player
// was started, 0 when the data was refused or no waveform output device could be opened.
int PlayWave(const uint8_t* data, size_t length, bool looping);

// Asks every live WAVE player to stop; with `wait`, returns only when all their threads ended.
void StopAllWavePlayers(bool wait);

// How many WAVE players are alive now.
size_t LiveWavePlayerCount();
