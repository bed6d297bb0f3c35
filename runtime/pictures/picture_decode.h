// Decoding a picture block of any kind that needs no platform call: everything but icons and
// cursors, which the Windows layer (picture.h) makes into icon handles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/pictures/decoded_picture.h"

// Recognises and decodes; false (and `out` untouched) for kind 0, icons, cursors and every
// decoding failure, running out of memory included: nothing is left allocated then.
bool DecodePortablePicture(const uint8_t* bytes, size_t length, DecodedPicture* out) noexcept;

// A whole file, opened for shared reading; false when it cannot be read, is larger than a
// picture may be or memory runs out.
bool ReadPictureFile(const char* path, std::vector<uint8_t>* bytes) noexcept;
