// The WAVE chunk walk over blocks built here chunk by chunk: where it finds "fmt " and "data"
// (offsets into the block and sizes), odd chunks with and without their pad byte, a "data" size
// past the end, and the blocks it refuses.
#include "runtime/sound/wave_chunks.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

std::string Le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Chunk(const char* tag, const std::string& body) { return tag + Le32(uint32_t(body.size())) + body; }
std::string Riff(const std::string& chunks) { return "RIFF" + Le32(uint32_t(4 + chunks.size())) + "WAVE" + chunks; }

const std::string kFormat = "PCM:mono:22kHz16";  // 16 bytes, the smallest format record

// Offsets of the chunks' data in the block and their sizes; a row without them is refused.
TEST(WaveChunks, Walk) {
    using Found = std::array<long, 4>;  // offset and size of the format, of the samples
    const std::string fmt = Chunk("fmt ", kFormat), data = Chunk("data", "sound");
    const struct { const char* name; std::string block; Found found; } rows[] = {
        {"plain", Riff(fmt + data), {20, 16, 44, 5}},
        {"data first, padded", Riff(data + '\0' + fmt), {34, 16, 20, 5}},
        {"data first, unpadded", Riff(data + fmt), {33, 16, 20, 5}},
        {"odd format padded", Riff(Chunk("fmt ", kFormat + "x") + '\0' + data), {20, 17, 46, 5}},
        {"first of two", Riff(data + '\0' + Chunk("data", "second") + fmt + Chunk("fmt ", kFormat + "xy")), {48, 16, 20, 5}},
        {"data size past the end", Riff(fmt + "data" + Le32(0x7FFFFFFF) + "sound"), {20, 16, 44, 5}},
        {"one byte of data present", Riff(fmt + "data" + Le32(4000) + "s"), {20, 16, 44, 1}},
        {"RIFF size past the end", "RIFF" + Le32(0xFFFFFFF0) + "WAVE" + fmt + data, {20, 16, 44, 5}},
        {"no fmt", Riff(Chunk("junk", kFormat + "abcd") + data), {}},
        {"fmt of 15 bytes", Riff(Chunk("fmt ", kFormat.substr(1)) + '\0' + data), {}},
        {"empty data", Riff(fmt + Chunk("data", "")), {}},
        {"no data bytes present", Riff(fmt + "data" + Le32(8)), {}},
        {"fmt cut short", Riff(data + "fmt " + Le32(16) + "PCM:mono:22"), {}},
        {"chunk past the end before fmt", Riff(Chunk("junk", "ab").replace(4, 4, Le32(0xFFFFFFF0)) + fmt + data), {}},
        {"RIFF size ends before data", "RIFF" + Le32(4 + 24) + "WAVE" + fmt + data, {}},
        {"not WAVE", "RIFF" + Le32(4 + 37) + "WAVX" + fmt + data, {}},
    };
    for (const auto& row : rows) {
        const uint8_t* block = reinterpret_cast<const uint8_t*>(row.block.data());
        WaveChunks c;
        Found found{};
        if (FindWaveChunks(block, row.block.size(), &c))
            found = {c.format - block, long(c.formatSize), c.samples - block, long(c.samplesSize)};
        EXPECT_EQ(found, row.found) << row.name;
    }
}

}  // namespace
