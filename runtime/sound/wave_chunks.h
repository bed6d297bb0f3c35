// The chunk walk of a WAVE file held in memory: finds the "fmt " and "data" chunks that the
// WAVE player needs. Portable: no platform header, every size checked against the block.
#pragma once

#include <cstddef>
#include <cstdint>

// The two chunks a WAVE block must carry, as views into the caller's block.
struct WaveChunks {
    const uint8_t* format = nullptr;  // the "fmt " chunk's data
    uint32_t formatSize = 0;
    const uint8_t* samples = nullptr;  // the "data" chunk's data, cut to the bytes present
    uint32_t samplesSize = 0;
};

// The smallest "fmt " chunk a waveform device can take: the PCM format record.
constexpr uint32_t kWaveMinFormatSize = 16;

// True when `data` passes the quick WAVE test: more than 11 bytes, "RIFF" at 0, "WAVE" at 8.
bool LooksLikeWave(const uint8_t* data, size_t size);

// Walks the chunks of a WAVE block. False when the block is refused: 35 bytes or less, not
// RIFF/WAVE, no "fmt " chunk of at least kWaveMinFormatSize bytes, or no non-empty "data" chunk.
// A "data" chunk whose size runs past the end of the block keeps the bytes that are present.
bool FindWaveChunks(const uint8_t* data, size_t size, WaveChunks* out);
