// BMP decoding. Rows are stored bottom row first unless the height is negative; either way the
// result is bottom row first, as a 24-bit device bitmap wants it.
#include "runtime/pictures/bmp_decoder.h"

#include <cstdlib>
#include <cstring>

#include "runtime/core/byte_reader.h"

namespace {

struct BmpHeader {
    uint32_t pixelOffset = 0;
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t colourCount = 0;
};

bool ReadHeader(ByteReader& r, BmpHeader* h) {
    r.skip(10);  // "BM", file size, two reserved words
    h->pixelOffset = r.u32();
    h->headerSize = r.u32();
    h->width = r.i32();
    h->height = r.i32();
    r.u16();  // planes
    h->bitCount = r.u16();
    h->compression = r.u32();
    r.skip(12);  // image size, resolution
    h->colourCount = r.u32();
    r.u32();  // important colours
    return r.ok() && h->headerSize >= 40 && h->compression == 0;
}

bool IsPaletted(uint16_t bits) { return bits == 1 || bits == 4 || bits == 8; }

// The colour index of pixel x of a paletted row of 1, 4 or 8 bits.
uint32_t IndexAt(const uint8_t* row, int32_t x, uint16_t bits) {
    switch (bits) {
    case 8: return row[x];
    case 4: return (row[x >> 1] >> (x & 1 ? 0 : 4)) & 0x0F;
    default: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
}

// One stored row to blue-green-red; `palette` holds 256 blue-green-red entries, those beyond
// the file's colour table black.
void ConvertRow(const uint8_t* row, const BmpHeader& h, const uint8_t* palette, uint8_t* out) {
    const int32_t width = std::abs(h.width);
    if (IsPaletted(h.bitCount)) {
        for (int32_t x = 0; x < width; ++x, out += 3)
            std::memcpy(out, palette + IndexAt(row, x, h.bitCount) * 3, 3);
        return;
    }
    const size_t step = h.bitCount / 8;
    for (int32_t x = 0; x < width; ++x, out += 3, row += step)
        out[0] = row[0], out[1] = row[1], out[2] = row[2];
}

}  // namespace

bool DecodeBmp(const uint8_t* bytes, size_t length, DecodedPicture* out) {
    ByteReader r(bytes, length);
    BmpHeader h;
    if (!ReadHeader(r, &h))
        return false;
    uint32_t colours = 0;
    if (IsPaletted(h.bitCount)) {
        const uint32_t most = 1u << h.bitCount;
        colours = h.colourCount == 0 ? most : h.colourCount;
        if (colours > most)
            return false;
    } else if (h.bitCount != 24 && h.bitCount != 32) {
        return false;
    }
    if (h.width == INT32_MIN || h.height == INT32_MIN)
        return false;
    const int32_t width = std::abs(h.width), height = std::abs(h.height);
    // Limited as the 32-bit bitmap it is drawn from; the block itself has 3 bytes a pixel.
    size_t size = 0;
    if (!PictureBytes(width, height, 4, &size))
        return false;
    size = size / 4 * 3;
    // The colour table follows the info header, whatever its version. The sum is formed in 64
    // bits: in a 32-bit size a header size near 2^32 would wrap round to the file's start.
    const uint64_t tableStart = 14 + uint64_t(h.headerSize);
    if (tableStart > r.size() || !r.seek(static_cast<size_t>(tableStart)))
        return false;
    const uint8_t* table = r.view(size_t(colours) * 4);
    const uint64_t rowSize = DibRowSize(width, h.bitCount);
    if (!table || h.pixelOffset < r.position() || !r.seek(h.pixelOffset))
        return false;
    const uint64_t stored = rowSize * uint64_t(height);  // both sides are below 2^31
    const uint8_t* rows = stored <= r.remaining() ? r.view(static_cast<size_t>(stored)) : nullptr;
    if (!rows)
        return false;
    uint8_t palette[256 * 3] = {};
    for (uint32_t i = 0; i < colours; ++i)
        std::memcpy(palette + i * 3, table + i * 4, 3);
    out->pixels.assign(size, 0);
    const bool topDown = h.height < 0;
    for (int32_t y = 0; y < height; ++y) {
        // Output row y counts from the bottom.
        const int32_t source = topDown ? height - 1 - y : y;
        ConvertRow(rows + size_t(source) * rowSize, h, palette, out->pixels.data() + size_t(y) * size_t(width) * 3);
    }
    out->kind = kPictureBmp;
    out->width = width;
    out->height = height;
    return true;
}
