// A decoded picture as plain pixel rows: as its file describes it (for checking a decoder against
// another one), or composed over a background colour as the runtime draws it.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/pictures/decoded_picture.h"

struct PixelImage {
    int32_t width = 0;
    int32_t height = 0;
    int channels = 0;            // 3 (red, green, blue) or 4 (with alpha); 4 (blue, green, red, x) when composed
    std::vector<uint8_t> pixels; // top row first, rows not padded
};

// The picture's own pixels, top row first: red-green-blue, or red-green-blue-alpha for PNG. A GIF
// gives its first image at the image's own size; a 1-bit PCX gives white for 1 and black for 0.
// False for icons and cursors (their pixels live in an icon handle), malformed blocks and when
// memory runs out (nothing is left allocated then).
bool PicturePixels(const DecodedPicture& picture, PixelImage* out) noexcept;

// The picture as it is drawn on `background` (0x00BBGGRR): blue-green-red-x rows, top row first,
// at the picture's size. Alpha is blended over the background (alpha 0 gives exactly the
// background, 255 the pixel), a GIF's transparent index and the part of its logical screen that
// its first image leaves uncovered take the background. False as for PicturePixels.
bool ComposePicture(const DecodedPicture& picture, uint32_t background, PixelImage* out) noexcept;

// The same rows written into `bgrx`, which holds width x height x 4 bytes of the picture's own
// size (as PictureBytes gives them): a platform bitmap's bits, with no copy between. Allocates
// nothing; false for what ComposePicture refuses.
bool ComposePictureInto(const DecodedPicture& picture, uint32_t background, uint8_t* bgrx) noexcept;
