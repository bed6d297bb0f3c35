// The portable sound readers: the WAVE chunk walk over blocks built here (padded and unpadded
// odd chunks, sizes past the end, the refused cases) and over a file sox makes, checked against
// the samples sox itself extracts.
#include "runtime/sound/wave_chunks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A chunk with its id, a size (by default the body's) and the body; `pad` adds the RIFF pad byte.
Bytes Chunk(const char* id, const Bytes& body, bool pad = true, int64_t size = -1) {
    Bytes b(id, id + 4);
    Put32(b, size < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(size));
    b.insert(b.end(), body.begin(), body.end());
    if (pad && body.size() % 2)
        b.push_back(0);
    return b;
}

Bytes Riff(const std::vector<Bytes>& chunks, int64_t riffSize = -1) {
    Bytes b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks)
        b.insert(b.end(), c.begin(), c.end());
    const uint32_t size = riffSize < 0 ? static_cast<uint32_t>(b.size() - 8) : static_cast<uint32_t>(riffSize);
    for (int i = 0; i < 4; ++i)
        b[4 + i] = static_cast<uint8_t>(size >> (8 * i));
    return b;
}

const Bytes kFormat = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0};  // PCM 8 kHz 8-bit mono
const Bytes kSamples = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130};

// Exact-size heap copies, so that the sanitizers see any read past the end.
bool Walk(const Bytes& block, WaveChunks* out) {
    std::vector<uint8_t> copy(block);
    copy.shrink_to_fit();
    const bool found = FindWaveChunks(copy.data(), copy.size(), out);
    if (found) {  // views into the copy: bring them back as offsets into `block`
        out->format = block.data() + (out->format - copy.data());
        out->samples = block.data() + (out->samples - copy.data());
    }
    return found;
}

TEST(WaveChunks, FindsFormatAndSamplesWhereverTheyAre) {
    const Bytes list = Chunk("LIST", {'I', 'N', 'F', 'O', 'x'});  // odd: a pad byte follows
    const Bytes unpadded = Chunk("junk", {1, 2, 3}, false);
    const Bytes fmt = Chunk("fmt ", kFormat), data = Chunk("data", kSamples);
    struct Case {
        const char* name;
        Bytes block;
    } cases[] = {
        {"format first", Riff({fmt, data})},
        {"data first", Riff({data, fmt})},
        {"padded odd chunk", Riff({list, fmt, data})},
        {"unpadded odd chunk", Riff({fmt, unpadded, data})},
        {"data size past the end", Riff({fmt, Chunk("data", kSamples, false, 100000)})},
    };
    for (const Case& c : cases) {
        WaveChunks chunks;
        ASSERT_TRUE(Walk(c.block, &chunks)) << c.name;
        EXPECT_EQ(Bytes(chunks.format, chunks.format + chunks.formatSize), kFormat) << c.name;
        EXPECT_EQ(Bytes(chunks.samples, chunks.samples + chunks.samplesSize), kSamples) << c.name;
    }
}

TEST(WaveChunks, RefusedBlocks) {
    const Bytes fmt = Chunk("fmt ", kFormat), data = Chunk("data", kSamples);
    Bytes short35 = Riff({fmt, data});
    short35.resize(35);
    Bytes notWave = Riff({fmt, data});
    notWave[8] = 'A';
    const Bytes cases[] = {
        short35,
        notWave,
        Riff({fmt, Chunk("data", {})}),                           // empty data
        Riff({data, Chunk("LIST", Bytes(40, 1))}),                // no fmt
        Riff({Chunk("fmt ", Bytes(14, 1)), data}),                // fmt too short for a device
        Riff({Chunk("junk", Bytes(8, 1), true, 0xFFFFFFF0), fmt, data}),  // size past the end
        Riff({Chunk("fmt ", kFormat, true, 0xFFFFFFF0), data}),   // format cut short
        Riff({fmt, Chunk("LIST", Bytes(40, 1)), data}, 60),       // RIFF size ends the walk first
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        WaveChunks chunks;
        EXPECT_FALSE(Walk(cases[i], &chunks)) << "case " << i;
    }
}

TEST(WaveChunks, AgreesWithSox) {
    const std::string wav = testing::TempDir() + "sound_readers.wav", raw = testing::TempDir() + "sound_readers.raw";
    for (const char* format : {"-r 11025 -b 8 -c 1", "-r 22050 -b 16 -c 2"}) {
        const std::string make = std::string("sox -n ") + format + " " + wav + " synth 0.05 sine 440";
        ASSERT_EQ(std::system(make.c_str()), 0);
        ASSERT_EQ(std::system(("sox " + wav + " -t raw " + raw).c_str()), 0);
        std::ifstream w(wav, std::ios::binary), r(raw, std::ios::binary);
        const Bytes file((std::istreambuf_iterator<char>(w)), std::istreambuf_iterator<char>());
        const Bytes samples((std::istreambuf_iterator<char>(r)), std::istreambuf_iterator<char>());
        WaveChunks chunks;
        ASSERT_TRUE(Walk(file, &chunks)) << format;
        EXPECT_EQ(Bytes(chunks.samples, chunks.samples + chunks.samplesSize), samples) << format;
    }
}

}  // namespace
