// Icon and cursor directories: a 6-byte header, then 16-byte entries; the chosen image's own
// bitmap header gives its size (a directory byte of 0 means 256, so it cannot be trusted).
#include "runtime/pictures/icon_directory.h"

#include <cstdlib>

#include "runtime/core/byte_reader.h"
#include "runtime/pictures/decoded_picture.h"

namespace {

struct Entry {
    uint8_t width = 0, colours = 0;
    uint32_t size = 0, offset = 0;
};

Entry ReadEntry(ByteReader& r) {
    Entry e;
    e.width = r.u8();
    r.u8();  // height
    e.colours = r.u8();
    r.skip(5);  // reserved, planes or hot spot, bit count
    e.size = r.u32();
    e.offset = r.u32();
    return e;
}

// Size from the image itself: a bitmap header (height counts colour rows and mask) or a PNG.
bool ImageSize(const uint8_t* image, size_t size, IconImage* out) {
    ByteReader r(image, size);
    if (size >= 24 && image[0] == 0x89 && image[1] == 'P') {
        r.seek(16);
        out->width = static_cast<int32_t>(r.u32be());
        out->height = static_cast<int32_t>(r.u32be());
        out->bitCount = 32;
    } else {
        if (r.u32() < 40)
            return false;
        out->width = r.i32();
        out->height = r.i32() / 2;
        r.u16();
        out->bitCount = r.u16();
    }
    size_t bytes = 0;
    return r.ok() && PictureBytes(out->width, out->height, 4, &bytes);
}

}  // namespace

bool SelectIconImage(const uint8_t* bytes, size_t length, IconImage* image) {
    ByteReader r(bytes, length);
    const uint16_t reserved = r.u16(), type = r.u16(), count = r.u16();
    if (!r.ok() || reserved != 0 || (type != 1 && type != 2) || count == 0)
        return false;
    Entry chosen;
    for (uint16_t i = 0; i < count; ++i) {
        const Entry e = ReadEntry(r);
        if (!r.ok())
            return false;
        chosen = e;
        if (e.colours > 15 && e.width == 32)
            break;
    }
    if (chosen.offset > length || chosen.size > length - chosen.offset || chosen.size == 0)
        return false;
    image->type = type;
    image->offset = chosen.offset;
    image->size = chosen.size;
    return ImageSize(bytes + chosen.offset, chosen.size, image);
}
