// The BMP decoder: uncompressed Windows bitmaps of 1, 4, 8, 24 and 32 bits per pixel.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/pictures/decoded_picture.h"

// Decodes into kind 2 (packed blue-green-red, bottom row first). False for compressed or
// unsupported bitmaps and for truncated or inconsistent files.
bool DecodeBmp(const uint8_t* bytes, size_t length, DecodedPicture* out);
