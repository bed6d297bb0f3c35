// The PNG decoder, through libpng's simplified reading interface.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/pictures/decoded_picture.h"

// Decodes into kind 8 (blue-green-red-alpha, 8 bits each, top row first), whatever the file's
// colour type, bit depth and interlacing. False for a broken file or one above the size limit.
bool DecodePng(const uint8_t* bytes, size_t length, DecodedPicture* out);
