// WAVE chunk walk; see wave_chunks.h.
#include "runtime/sound/wave_chunks.h"

#include <cstring>

#include "runtime/core/byte_reader.h"

namespace {

constexpr size_t kWaveMinSize = 36;  // a block of 35 bytes or less cannot hold both chunks
constexpr size_t kChunkHeaderSize = 8;

bool HasTag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// Whether a chunk header can start at `pos`: eight bytes present and an identifier of
// printable characters, as every RIFF writer makes them.
bool ChunkHeaderAt(const uint8_t* data, size_t size, size_t pos) {
    if (pos > size || size - pos < kChunkHeaderSize)
        return false;
    for (size_t i = 0; i < 4; ++i)
        if (data[pos + i] < 0x20 || data[pos + i] > 0x7E)
            return false;
    return true;
}

}  // namespace

bool LooksLikeWave(const uint8_t* data, size_t size) {
    return data && size > 11 && HasTag(data, "RIFF") && HasTag(data + 8, "WAVE");
}

bool FindWaveChunks(const uint8_t* data, size_t size, WaveChunks* out) {
    *out = WaveChunks{};
    if (size < kWaveMinSize || !LooksLikeWave(data, size))
        return false;
    ByteReader reader(data, size);
    reader.seek(4);
    // The walk ends where the RIFF size says, or at the end of the block when that comes first.
    const uint64_t riffEnd = 8 + static_cast<uint64_t>(reader.u32());
    const size_t walkEnd = riffEnd < size ? static_cast<size_t>(riffEnd) : size;
    size_t pos = 12;
    bool haveFormat = false, haveSamples = false;
    while (!(haveFormat && haveSamples) && pos < walkEnd && ChunkHeaderAt(data, size, pos)) {
        reader.seek(pos);
        const uint8_t* tag = reader.view(4);
        const uint32_t chunkSize = reader.u32();
        const size_t body = pos + kChunkHeaderSize;
        const size_t present = size - body;
        if (!haveSamples && HasTag(tag, "data")) {
            // A writer that never went back to fix the size leaves it too large: the bytes
            // present are the sound.
            out->samples = data + body;
            out->samplesSize = static_cast<uint32_t>(chunkSize < present ? chunkSize : present);
            haveSamples = true;
        } else if (!haveFormat && HasTag(tag, "fmt ")) {
            if (chunkSize > present)
                break;  // a format record cut short is no format
            out->format = data + body;
            out->formatSize = chunkSize;
            haveFormat = true;
        }
        if (chunkSize > present)
            break;  // nothing can follow a chunk that runs past the end
        const size_t next = body + chunkSize;
        // RIFF writers pad odd-sized chunks with one byte; files without the pad exist too.
        pos = (chunkSize & 1) && !ChunkHeaderAt(data, size, next) ? next + 1 : next;
    }
    return haveFormat && out->formatSize >= kWaveMinFormatSize && haveSamples && out->samplesSize > 0;
}
