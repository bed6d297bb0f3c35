// Picture recognition: one test per row, in the order that decides between overlapping ones.
#include "runtime/pictures/picture_kind.h"

#include <cstring>

namespace {

bool StartsWith(const uint8_t* bytes, size_t length, const char* magic, size_t n) {
    return length >= n && std::memcmp(bytes, magic, n) == 0;
}

uint16_t U16At(const uint8_t* bytes, size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

PictureKind IconKind(const uint8_t* b) {
    if (U16At(b, 0) != 0 || U16At(b, 4) == 0)
        return kPictureUnknown;
    switch (U16At(b, 2)) {
    case 1: return kPictureIcon;
    case 2: return kPictureCursor;
    default: return kPictureUnknown;
    }
}

PictureKind PcxKind(const uint8_t* b) {
    const uint8_t version = b[1], encoding = b[2], bits = b[3];
    if (b[0] != 0x0A || encoding != 1)
        return kPictureUnknown;
    if (version <= 5 && bits == 8)
        return kPicturePcx8;
    if (version == 3 && bits == 1)
        return kPicturePcx1;
    return kPictureUnknown;
}

}  // namespace

PictureKind DetectPictureKind(const uint8_t* b, size_t length) {
    if (!b || length <= 5)
        return kPictureUnknown;
    if (StartsWith(b, length, "BM", 2))
        return kPictureBmp;
    if (StartsWith(b, length, "\xFF\xD8", 2))
        return kPictureJpeg;
    if (StartsWith(b, length, "\x89PNG", 4))
        return kPicturePng;
    if (const PictureKind icon = IconKind(b))
        return icon;
    if (StartsWith(b, length, "GIF87a", 6) || StartsWith(b, length, "GIF89a", 6))
        return kPictureGif;
    return PcxKind(b);
}
