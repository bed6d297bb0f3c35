// The runtime's pictures on Windows: decoding any kind (icons and cursors become icon handles),
// rendering for a device context over a background colour, drawing stretched or with one colour
// transparent, and a whole picture block straight to a bitmap.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "runtime/pictures/decoded_picture.h"

struct RenderedPicture {
    HDC dc = nullptr;  // the target that DrawPicture draws into
    int32_t kind = kPictureUnknown;
    int32_t width = 0;
    int32_t height = 0;
    HICON icon = nullptr;     // kinds 3 and 4 (a copy owned by this picture)
    HBITMAP bitmap = nullptr; // all other kinds
    void Release();
};

// Nothing below throws: memory that runs out while decoding, rendering or drawing is a failure
// like any other, with everything taken on the way freed again.

// Recognises and decodes a block or a file; false for kind 0 and every failure.
bool DecodePicture(const uint8_t* bytes, size_t length, DecodedPicture* out) noexcept;
bool DecodePicture(const char* path, DecodedPicture* out) noexcept;
// Destroys the icon and frees the pixel block.
void ReleasePicture(DecodedPicture* picture) noexcept;

// 1 when a bitmap or icon was made for `dc` (0x00BBGGRR background behind transparent parts).
int RenderPicture(HDC dc, const DecodedPicture& picture, RenderedPicture* out, COLORREF background) noexcept;

// As RenderPicture, but always a bitmap: an icon is drawn onto the background colour at its size.
int RenderPictureOpaque(HDC dc, const DecodedPicture& picture, RenderedPicture* out, COLORREF background) noexcept;

// Draws at (x, y) with the given size (-1: the picture's own); a raster operation of 0 or more
// stretch-copies with that operation, a negative one -c leaves the picture's pixels of colour c
// transparent.
void DrawPicture(const RenderedPicture& picture, int x, int y, int width, int height, int32_t rasterOperation) noexcept;

// The stretch mode DrawPicture uses (COLORONCOLOR unless set).
void SetPictureStretchMode(int mode);

// A bitmap owned by the caller, or null when the block is no picture the runtime decodes.
HBITMAP PictureToBitmap(const uint8_t* bytes, size_t length, COLORREF background = 0xFFFFFF) noexcept;
