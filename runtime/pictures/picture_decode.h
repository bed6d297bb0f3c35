// Decoding a picture block of any kind that needs no platform call: everything but icons and
// cursors, which the Windows layer (picture.h) makes into icon handles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/pictures/decoded_picture.h"

// Recognises and decodes; false (and `out` untouched but for its pixels) for kind 0, icons,
// cursors and every decoding failure.
bool DecodePortablePicture(const uint8_t* bytes, size_t length, DecodedPicture* out);

// A whole file, opened for shared reading; false when it cannot be read or is larger than a
// picture may be.
bool ReadPictureFile(const char* path, std::vector<uint8_t>* bytes);
