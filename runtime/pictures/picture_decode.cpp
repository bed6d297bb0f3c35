// Recognition leads to one decoder per kind. Running out of memory anywhere in a decoder is a
// failure to decode like any other: the exception ends here, with every block freed on its way.
#include "runtime/pictures/picture_decode.h"

#include <cstdio>
#include <new>

#include "runtime/pictures/bmp_decoder.h"
#include "runtime/pictures/gif_decoder.h"
#include "runtime/pictures/jpeg_decoder.h"
#include "runtime/pictures/pcx_decoder.h"
#include "runtime/pictures/picture_kind.h"
#include "runtime/pictures/png_decoder.h"

namespace {

using Decoder = bool (*)(const uint8_t*, size_t, DecodedPicture*);

// Indexed by kind; icons and cursors have none here.
const Decoder kDecoders[] = {
    nullptr,    // 0 unknown
    DecodeJpeg, // 1
    DecodeBmp,  // 2
    nullptr,    // 3 icon
    nullptr,    // 4 cursor
    DecodeGif,  // 5
    DecodePcx,  // 6 PCX, 8 bits
    DecodePcx,  // 7 PCX, 1 bit
    DecodePng,  // 8
};

}  // namespace

bool DecodePortablePicture(const uint8_t* bytes, size_t length, DecodedPicture* out) noexcept {
    const Decoder decode = kDecoders[DetectPictureKind(bytes, length)];
    try {
        DecodedPicture picture;
        if (!decode || !decode(bytes, length, &picture))
            return false;
        *out = std::move(picture);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool ReadPictureFile(const char* path, std::vector<uint8_t>* bytes) noexcept {
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    bytes->clear();
    uint8_t chunk[65536];
    size_t n = 0;
    bool ok = true;
    try {
        while (ok && (n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
            ok = bytes->size() + n <= kMaxPictureBytes;
            bytes->insert(bytes->end(), chunk, chunk + (ok ? n : 0));
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    ok = ok && !std::ferror(file);
    std::fclose(file);
    if (!ok)
        std::vector<uint8_t>().swap(*bytes);
    return ok;
}
