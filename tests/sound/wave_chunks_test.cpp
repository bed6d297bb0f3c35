// The WAVE chunk walk over blocks built here chunk by chunk: where it finds "fmt " and "data"
// (offsets into the block and sizes), odd chunks with and without their pad byte, a "data" size
// past the end, and the blocks it refuses.
#include "runtime/sound/wave_chunks.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Chunk(const char* tag, const std::string& body) { return tag + Le32(uint32_t(body.size())) + body; }
std::string Riff(const std::string& chunks) { return "RIFF" + Le32(uint32_t(4 + chunks.size())) + "WAVE" + chunks; }

const std::string kFormat = "PCM:mono:22kHz16";  // 16 bytes, the smallest format record

// Offsets of the chunks' data in the block and their sizes; a row without them is refused.
TEST(WaveChunks, Walk) {
    const std::string fmt = Chunk("fmt ", kFormat), data = Chunk("data", "sound");
    const struct {
        const char* name;
        std::string block;
        long formatAt, formatSize, samplesAt, samplesSize;
    } rows[] = {
        {"plain", Riff(fmt + data), 20, 16, 44, 5},
        {"data first, padded", Riff(data + '\0' + fmt), 34, 16, 20, 5},
        {"data first, unpadded", Riff(data + fmt), 33, 16, 20, 5},
        {"odd chunk padded", Riff(fmt + Chunk("LIST", "INFOx") + '\0' + data), 20, 16, 58, 5},
        {"odd chunk unpadded", Riff(fmt + Chunk("junk", "abc") + data), 20, 16, 55, 5},
        {"odd format padded", Riff(Chunk("fmt ", kFormat + "x") + '\0' + data), 20, 17, 46, 5},
        {"first of two", Riff(data + '\0' + Chunk("data", "second") + fmt + Chunk("fmt ", kFormat + "xy")), 48, 16, 20, 5},
        {"data size past the end", Riff(fmt + "data" + Le32(0x7FFFFFFF) + "sound"), 20, 16, 44, 5},
        {"one byte of data present", Riff(fmt + "data" + Le32(4000) + "s"), 20, 16, 44, 1},
        {"RIFF size past the end", "RIFF" + Le32(0xFFFFFFF0) + "WAVE" + fmt + data, 20, 16, 44, 5},
        {"no fmt", Riff(Chunk("junk", kFormat + "abcd") + data), 0, 0, 0, 0},
        {"fmt of 15 bytes", Riff(Chunk("fmt ", kFormat.substr(1)) + '\0' + data), 0, 0, 0, 0},
        {"empty data", Riff(fmt + Chunk("data", "")), 0, 0, 0, 0},
        {"no data bytes present", Riff(fmt + "data" + Le32(8)), 0, 0, 0, 0},
        {"fmt cut short", Riff(data + "fmt " + Le32(16) + "PCM:mono:22"), 0, 0, 0, 0},
        {"chunk past the end before fmt", Riff(Chunk("junk", "ab").replace(4, 4, Le32(0xFFFFFFF0)) + fmt + data), 0, 0, 0, 0},
        {"RIFF size ends before data", "RIFF" + Le32(4 + 24) + "WAVE" + fmt + data, 0, 0, 0, 0},
        {"not WAVE", "RIFF" + Le32(4 + 37) + "WAVX" + fmt + data, 0, 0, 0, 0},
    };
    for (const auto& row : rows) {
        const uint8_t* block = reinterpret_cast<const uint8_t*>(row.block.data());
        WaveChunks c;
        ASSERT_EQ(FindWaveChunks(block, row.block.size(), &c), row.formatAt != 0) << row.name;
        if (row.formatAt != 0) {
            EXPECT_EQ(c.format - block, row.formatAt) << row.name;
            EXPECT_EQ(long(c.formatSize), row.formatSize) << row.name;
            EXPECT_EQ(c.samples - block, row.samplesAt) << row.name;
            EXPECT_EQ(long(c.samplesSize), row.samplesSize) << row.name;
        }
    }
}

}  // namespace
