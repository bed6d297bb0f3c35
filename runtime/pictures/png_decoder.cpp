// PNG decoding from memory with libpng's simplified interface, which turns every colour type,
// depth, palette and transparency chunk into the one 8-bit format asked for. libpng's own
// allocation failures end in its error path, which frees the image.
#include "runtime/pictures/png_decoder.h"

#include <new>

#include <png.h>

bool DecodePng(const uint8_t* bytes, size_t length, DecodedPicture* out) {
    if (!bytes || length <= 7)
        return false;
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes, length))
        return false;
    image.format = PNG_FORMAT_BGRA;
    size_t size = 0;
    if (!PictureBytes(image.width, image.height, 4, &size)) {
        png_image_free(&image);
        return false;
    }
    try {
        out->pixels.assign(size, 0);
    } catch (const std::bad_alloc&) {
        png_image_free(&image);
        return false;
    }
    // No background (alpha is kept) and no colour map; rows of width x 4 bytes.
    if (!png_image_finish_read(&image, nullptr, out->pixels.data(), 0, nullptr)) {
        out->pixels.clear();
        return false;  // finish_read has freed the image
    }
    out->kind = kPicturePng;
    out->width = static_cast<int32_t>(image.width);
    out->height = static_cast<int32_t>(image.height);
    return true;
}
