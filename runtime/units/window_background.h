// The window unit's background picture: drawn by its layout into a paint area, leaving what it
// does not cover to the background colour.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Layouts: 0 top-left at natural size, 1 tiled, 2 centred (shrunk to fit), 3 stretched.
enum WindowPictureLayout : int32_t {
    kLayoutTopLeft = 0,
    kLayoutTiled = 1,
    kLayoutCentred = 2,
    kLayoutStretched = 3,
};

// Draws `picture` (a picture file's bytes) into `dc` over the client area by `layout`, its
// transparent parts on `background`, and removes what it covered from `remaining` (the part of
// the paint area still to fill). False, with `remaining` untouched, when the bytes are no
// picture the runtime decodes.
bool DrawBackgroundPicture(HDC dc, const RECT& client, const std::vector<uint8_t>& picture, int32_t layout,
                           COLORREF background, HRGN remaining);

// The rectangle a picture of the given size takes in a client area of the given size, by layout
// (for tiling: the first tile).
RECT BackgroundPictureRect(int32_t layout, int pictureWidth, int pictureHeight, int clientWidth, int clientHeight);
