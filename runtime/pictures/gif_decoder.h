// The GIF decoder: the first image of a GIF87a or GIF89a file, through the format's LZW code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/pictures/decoded_picture.h"

// Decodes into kind 5: an 8-bit device-independent bitmap of the first image's own size with its
// colour table; the picture's width and height are the logical screen's. False for a truncated
// or inconsistent file.
bool DecodeGif(const uint8_t* bytes, size_t length, DecodedPicture* out);

// Decodes an LZW stream of `minCodeSize` (2 to 11) into exactly `count` indices (missing ones
// stay as they were). Colours above 255, which code sizes above 8 can name, become `outside`.
// False for a code that the dictionary cannot explain. Exposed for the tests.
bool DecodeGifLzw(const std::vector<uint8_t>& data, int minCodeSize, uint8_t* pixels, size_t count,
                  uint8_t outside = 0);
