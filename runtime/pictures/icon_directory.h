// The directory of an icon (ICO) or cursor (CUR) file: which image the runtime draws.
#pragma once

#include <cstddef>
#include <cstdint>

struct IconImage {
    uint32_t type = 0;     // 1 icon, 2 cursor
    uint32_t offset = 0;   // the image's bytes (a bitmap header and rows, or a PNG)
    uint32_t size = 0;
    int32_t width = 0;     // the image's own width and half its stored height (the mask is
    int32_t height = 0;    // stored below the colour rows)
    uint16_t bitCount = 0;
};

// The first entry with more than 15 colours and width 32, else the last entry. False when the
// header or the chosen entry does not fit the block or the image's sizes make no sense.
bool SelectIconImage(const uint8_t* bytes, size_t length, IconImage* image);
