// DecodedPicture: a picture file decoded into a pixel block whose form depends on its kind (see
// PictureKind), plus the size checks every decoder makes before it allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The kinds the recogniser tells apart; the numbers are stored and compared as they are.
enum PictureKind : int32_t {
    kPictureUnknown = 0,
    kPictureJpeg = 1,
    kPictureBmp = 2,
    kPictureIcon = 3,
    kPictureCursor = 4,
    kPictureGif = 5,
    kPicturePcx8 = 6,
    kPicturePcx1 = 7,
    kPicturePng = 8,
};

// No picture may make a pixel block (or a rendered bitmap) larger than this: a file that claims
// more is refused before anything is allocated. The fuzz targets build with a smaller limit, so
// that they spend their time on the decoding rather than on clearing huge blocks.
#ifndef TAVORI_PICTURE_LIMIT_BITS
#define TAVORI_PICTURE_LIMIT_BITS 28
#endif
constexpr uint64_t kMaxPictureBytes = uint64_t(1) << TAVORI_PICTURE_LIMIT_BITS;

struct DecodedPicture {
    int32_t kind = kPictureUnknown;
    int32_t width = 0;   // for a GIF, the logical screen
    int32_t height = 0;
    void* icon = nullptr;  // HICON of kinds 3 and 4 (owned; destroyed by the Windows layer)
    // Kinds 1, 2: packed blue-green-red, bottom row first, rows not padded.
    // Kinds 5, 6: a device-independent bitmap (40-byte header, colour table, rows padded to 4);
    //   kind 6 from a three-plane PCX is a 24-bit one without colour table.
    // Kind 7: 1-bit rows, top row first, each padded to 16 bits, bit 1 white.
    // Kind 8: blue-green-red-alpha, top row first.
    std::vector<uint8_t> pixels;
    int32_t transparentIndex = -1;  // GIF: the colour index a graphic control extension hides
};

// width x height x bytesPerPixel in bytes when it is within kMaxPictureBytes; false otherwise
// (also for a zero or negative side).
bool PictureBytes(int64_t width, int64_t height, uint64_t bytesPerPixel, size_t* bytes);

// The row size of a device-independent bitmap: width x bits rounded up to 32 bits, in bytes.
uint64_t DibRowSize(int64_t width, uint32_t bitCount);

// Starts a device-independent bitmap: the 40-byte header (height negative: top row first) and a
// colour table of `colours` entries left zero; the rows follow, zero-filled. False when the
// whole would exceed the limit.
bool StartDib(int32_t width, int32_t height, uint16_t bitCount, uint32_t colours, std::vector<uint8_t>* dib);
constexpr size_t kDibHeaderSize = 40;
