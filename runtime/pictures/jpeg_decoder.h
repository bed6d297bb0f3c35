// The JPEG decoder, through libjpeg.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/pictures/decoded_picture.h"

// Decodes into kind 1 (packed blue-green-red, bottom row first; greyscale widened). False for a
// broken file, a colour space that does not convert to RGB, or one above the size limit.
bool DecodeJpeg(const uint8_t* bytes, size_t length, DecodedPicture* out);
