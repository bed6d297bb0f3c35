// The PCX decoder: 8-bit pictures (one plane with a 256-colour palette, or three planes of red,
// green and blue) and 1-bit monochrome pictures.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/pictures/decoded_picture.h"

// Decodes into kind 6 (a device-independent bitmap: 8-bit with the palette, or 24-bit for three
// planes) or kind 7 (1-bit rows, bit 1 white). False for other layouts and truncated files.
bool DecodePcx(const uint8_t* bytes, size_t length, DecodedPicture* out);
