// The GIF LZW decoder against an encoder written here from the format's description: every
// code size, a dictionary that fills up and is never cleared, runs that use a code in the step
// that defines it, a stream with and without its end code; and damaged streams are refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "runtime/pictures/gif_decoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Codes are packed least significant bit first; the width grows when the next code to assign
// no longer fits (the decoder, one entry behind, grows at the same code). No clear code after
// the first, so a long stream fills the dictionary and stays at 12 bits.
template <typename Pixels>
Bytes Encode(const Pixels& pixels, int minCodeSize, bool endCode) {
    Bytes out;
    uint32_t buffer = 0;
    int count = 0, bits = minCodeSize + 1;
    auto emit = [&](int code) {
        buffer |= uint32_t(code) << count;
        for (count += bits; count >= 8; count -= 8, buffer >>= 8)
            out.push_back(uint8_t(buffer));
    };
    const int clear = 1 << minCodeSize;
    std::map<std::pair<int, int>, int> table;
    int next = clear + 2, prefix = pixels[0];
    emit(clear);
    for (size_t i = 1; i < pixels.size(); ++i) {
        auto it = table.find({prefix, pixels[i]});
        if (it != table.end()) {
            prefix = it->second;
            continue;
        }
        emit(prefix);
        if (next < 4096) {
            table[{prefix, pixels[i]}] = next++;
            if (next - 1 == (1 << bits) && bits < 12)
                ++bits;
        }
        prefix = pixels[i];
    }
    emit(prefix);
    if (endCode)
        emit(clear + 1);
    if (count > 0)
        out.push_back(uint8_t(buffer));
    return out;
}

TEST(GifLzw, DecodesWhatTheEncoderWroteAtEveryCodeSize) {
    std::mt19937 random(5);
    for (int minCodeSize = 2; minCodeSize <= 8; ++minCodeSize) {
        for (int pattern = 0; pattern < 3; ++pattern) {
            // Noise (fills the dictionary), one colour (codes used as they are defined), stripes.
            Bytes pixels(60000);
            for (size_t i = 0; i < pixels.size(); ++i)
                pixels[i] = uint8_t(pattern == 0 ? random() % (1u << minCodeSize)
                                    : pattern == 1 ? 1 : (i / 7) % (1u << minCodeSize));
            for (bool endCode : {true, false}) {
                Bytes decoded(pixels.size(), 0xEE);
                ASSERT_TRUE(DecodeGifLzw(Encode(pixels, minCodeSize, endCode), minCodeSize, decoded.data(),
                                         decoded.size()));
                EXPECT_EQ(decoded, pixels) << "code size " << minCodeSize << ", pattern " << pattern
                                           << (endCode ? "" : ", no end code");
            }
        }
    }
}

TEST(GifLzw, CodeSizesAboveEightGiveColoursPast255AsTheIndexOutside) {
    std::mt19937 random(9);
    for (int minCodeSize = 9; minCodeSize <= 11; ++minCodeSize) {
        std::vector<uint16_t> colours(30000);  // every 5th past 255, where a table ends
        Bytes expected(colours.size()), decoded(colours.size());
        for (size_t i = 0; i < colours.size(); ++i) {
            colours[i] = uint16_t(i % 5 ? random() % 256 : 256 + random() % ((1u << minCodeSize) - 256));
            expected[i] = colours[i] < 256 ? uint8_t(colours[i]) : 0x9D;
        }
        ASSERT_TRUE(DecodeGifLzw(Encode(colours, minCodeSize, true), minCodeSize, decoded.data(), decoded.size(), 0x9D));
        EXPECT_EQ(decoded, expected) << "code size " << minCodeSize;
    }
    EXPECT_FALSE(DecodeGifLzw(Bytes{0, 0}, 12, Bytes(4).data(), 4)) << "code size 12 leaves no code for clear";
}

TEST(GifLzw, ShortStreamsLeaveZerosAndBadCodesAreRefused) {
    const Bytes pixels = {1, 2, 3, 1, 2, 3, 1, 2, 3};
    Bytes stream = Encode(pixels, 2, true);
    Bytes decoded(pixels.size() + 5, 9);
    ASSERT_TRUE(DecodeGifLzw(stream, 2, decoded.data(), decoded.size()));
    EXPECT_EQ(Bytes(decoded.begin(), decoded.begin() + 9), pixels);
    EXPECT_EQ(Bytes(decoded.begin() + 9, decoded.end()), Bytes(5, 9)) << "nothing written past the stream";
    // A first code after the clear code that is no colour, and a code beyond the next free one.
    EXPECT_FALSE(DecodeGifLzw(Bytes{0x34}, 2, decoded.data(), decoded.size()));  // clear(4), then 6
    EXPECT_FALSE(DecodeGifLzw(Bytes{0xCC, 0x01}, 2, decoded.data(), decoded.size()));  // clear, 1, 7
    EXPECT_FALSE(DecodeGifLzw(stream, 1, decoded.data(), decoded.size())) << "code size below 2";
}

}  // namespace
