// PCX decoding: the 128-byte header, the run-length coded lines (each line holds every plane
// of one row, bytes-per-line bytes per plane), then for 8-bit pictures the palette behind the
// 0x0C marker.
#include "runtime/pictures/pcx_decoder.h"

#include <cstring>
#include <vector>

#include "runtime/core/byte_reader.h"

namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kPaletteSize = 1 + 256 * 3;

struct PcxHeader {
    uint8_t version = 0, encoding = 0, bits = 0, planes = 0;
    int32_t width = 0, height = 0;
    uint16_t bytesPerLine = 0;
};

bool ReadHeader(ByteReader& r, PcxHeader* h) {
    const uint8_t maker = r.u8();
    h->version = r.u8();
    h->encoding = r.u8();
    h->bits = r.u8();
    const uint16_t xmin = r.u16(), ymin = r.u16(), xmax = r.u16(), ymax = r.u16();
    r.seek(65);
    h->planes = r.u8();
    h->bytesPerLine = r.u16();
    if (!r.ok() || maker != 0x0A || h->version > 5 || h->encoding != 1 || xmax < xmin || ymax < ymin)
        return false;
    h->width = xmax - xmin + 1;
    h->height = ymax - ymin + 1;
    return r.seek(kHeaderSize);
}

// The run-length data as one stream of `size` bytes: a byte with both top bits set repeats the
// next byte (byte - 0xC0) times, any other byte is itself. Writers code every value from 0xC0 up
// as a run, so a lone 0xC0 is a run of none that swallows its byte, as other readers take it.
// Runs may cross line ends.
// The reader is left after the last byte used.
bool Unpack(ByteReader& r, size_t size, uint8_t* out) {
    // The rest of the block in place: every step below checks against its end.
    const size_t available = r.remaining();
    const uint8_t* in = r.view(available);
    size_t used = 0, n = 0;
    while (n < size && used < available) {
        const uint8_t b = in[used++];
        if (b < 0xC0) {
            out[n++] = b;
            continue;
        }
        if (used == available)
            return false;
        const uint8_t value = in[used++];
        const size_t run = b - 0xC0u;
        std::memset(out + n, value, run < size - n ? run : size - n);
        n += run;
    }
    return n >= size && r.seek(r.position() - available + used);
}

// The palette follows the pixel data; a file without the marker there keeps a black palette
// unless its last 769 bytes, all of them behind the pixel data, hold one (writers that pad the
// data put it at the very end). Pixel bytes are never taken for the marker.
void ReadPalette(ByteReader& r, uint8_t* table) {
    const uint8_t* p = nullptr;
    if (r.remaining() >= kPaletteSize && r.data()[r.position()] == 0x0C)
        p = r.data() + r.position();
    else if (r.remaining() >= kPaletteSize && r.data()[r.size() - kPaletteSize] == 0x0C)
        p = r.data() + r.size() - kPaletteSize;
    if (!p)
        return;
    for (int i = 0; i < 256; ++i) {
        table[i * 4 + 0] = p[1 + i * 3 + 2];
        table[i * 4 + 1] = p[1 + i * 3 + 1];
        table[i * 4 + 2] = p[1 + i * 3 + 0];
    }
}

bool DecodeMonochrome(const PcxHeader& h, const std::vector<uint8_t>& lines, DecodedPicture* out) {
    const size_t rowSize = (size_t(h.width) + 15) / 16 * 2;
    out->pixels.assign(rowSize * size_t(h.height), 0);
    const size_t used = (size_t(h.width) + 7) / 8;
    for (int32_t y = 0; y < h.height; ++y)
        std::memcpy(out->pixels.data() + y * rowSize, lines.data() + size_t(y) * h.bytesPerLine, used);
    out->kind = kPicturePcx1;
    return true;
}

// Three planes are the red, green and blue bytes of a row: a 24-bit bitmap. The lines are
// unpacked where the rows go when they fit there and moved into place from the last row up, so
// that the picture is held once; lines longer than the rows need a block of their own.
bool DecodeColour(const PcxHeader& h, size_t packed, ByteReader& r, DecodedPicture* out) {
    const uint16_t bits = h.planes == 3 ? 24 : 8;
    if (!StartDib(h.width, h.height, bits, bits == 8 ? 256 : 0, &out->pixels))
        return false;
    uint8_t* table = out->pixels.data() + kDibHeaderSize;
    uint8_t* rows = table + (bits == 8 ? 1024 : 0);
    const size_t rowSize = static_cast<size_t>(DibRowSize(h.width, bits));
    const size_t lineSize = size_t(h.bytesPerLine) * h.planes;
    std::vector<uint8_t> own(lineSize > rowSize ? packed : 0), line(lineSize);
    uint8_t* lines = lineSize > rowSize ? own.data() : rows;
    if (!Unpack(r, packed, lines))
        return false;
    for (int32_t y = h.height; y-- > 0;) {
        std::memcpy(line.data(), lines + size_t(y) * lineSize, lineSize);
        uint8_t* row = rows + size_t(y) * rowSize;
        std::memset(row, 0, rowSize);
        if (bits == 8) {
            std::memcpy(row, line.data(), size_t(h.width));
            continue;
        }
        const uint8_t *red = line.data(), *green = red + h.bytesPerLine, *blue = green + h.bytesPerLine;
        for (int32_t x = 0; x < h.width; ++x, row += 3) {
            row[0] = blue[x];
            row[1] = green[x];
            row[2] = red[x];
        }
    }
    if (bits == 8)
        ReadPalette(r, table);
    out->kind = kPicturePcx8;
    return true;
}

}  // namespace

bool DecodePcx(const uint8_t* bytes, size_t length, DecodedPicture* out) {
    ByteReader r(bytes, length);
    PcxHeader h;
    if (length <= kHeaderSize || !ReadHeader(r, &h))
        return false;
    const bool monochrome = h.bits == 1 && h.planes == 1;
    if (!monochrome && !(h.bits == 8 && (h.planes == 1 || h.planes == 3)))
        return false;
    // A line must hold the whole row of each plane.
    if (uint64_t(h.bytesPerLine) * 8 < uint64_t(h.width) * h.bits)
        return false;
    size_t pixels = 0, packed = 0;
    if (!PictureBytes(h.width, h.height, 4, &pixels) ||
        !PictureBytes(size_t(h.bytesPerLine) * h.planes, h.height, 1, &packed))
        return false;
    out->width = h.width;
    out->height = h.height;
    if (!monochrome)
        return DecodeColour(h, packed, r, out);
    std::vector<uint8_t> lines(packed);
    return Unpack(r, packed, lines.data()) && DecodeMonochrome(h, lines, out);
}
