// Size checks and the device-independent bitmap layout shared by the decoders.
#include "runtime/pictures/decoded_picture.h"

#include <algorithm>

#include "runtime/core/byte_writer.h"

bool PictureBytes(int64_t width, int64_t height, uint64_t bytesPerPixel, size_t* bytes) {
    if (width <= 0 || height <= 0 || bytesPerPixel == 0)
        return false;
    // Each factor is below 2^32, so the first product cannot overflow 64 bits; the second is
    // only formed when the first is already within the limit.
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    if (pixels > kMaxPictureBytes || pixels * bytesPerPixel > kMaxPictureBytes)
        return false;
    *bytes = static_cast<size_t>(pixels * bytesPerPixel);
    return true;
}

uint64_t DibRowSize(int64_t width, uint32_t bitCount) {
    return (uint64_t(width) * bitCount + 31) / 32 * 4;
}

bool StartDib(int32_t width, int32_t height, uint16_t bitCount, uint32_t colours, std::vector<uint8_t>* dib) {
    size_t rows = 0;
    if (!PictureBytes(DibRowSize(width, bitCount), height, 1, &rows))
        return false;
    const size_t total = kDibHeaderSize + size_t(colours) * 4 + rows;
    if (total > kMaxPictureBytes)
        return false;
    dib->assign(total, 0);
    ByteWriter w;
    w.u32(kDibHeaderSize);
    w.i32(width);
    w.i32(-height);  // top row first
    w.u16(1);        // planes
    w.u16(bitCount);
    w.u32(0);        // no compression
    w.u32(static_cast<uint32_t>(rows));
    w.i32(0);
    w.i32(0);
    w.u32(colours);
    w.u32(0);
    std::copy(w.data(), w.data() + w.size(), dib->begin());
    return true;
}
