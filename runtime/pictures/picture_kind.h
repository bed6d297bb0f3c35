// Recognising a picture file from its first bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/pictures/decoded_picture.h"

// The kind of the picture file in `bytes` (kPictureUnknown for 5 bytes or less). The tests run
// in a fixed order and the first that holds decides, so a block that begins "BM" is a BMP.
PictureKind DetectPictureKind(const uint8_t* bytes, size_t length);
