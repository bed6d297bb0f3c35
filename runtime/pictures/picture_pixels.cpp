// Turning each kind's pixel block into plain rows. The bitmap kinds (5, 6) are read back through
// their own header, so whatever the decoder wrote is what is interpreted here.
#include "runtime/pictures/picture_pixels.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "runtime/core/byte_reader.h"

namespace {

// A device-independent bitmap as the decoders write it: 8 bits with a table, or 24 bits.
struct Dib {
    int32_t width = 0, height = 0;
    uint16_t bits = 0;
    const uint8_t* table = nullptr;
    const uint8_t* rows = nullptr;
    size_t rowSize = 0;
};

bool ReadDib(const std::vector<uint8_t>& block, Dib* dib) {
    ByteReader r(block.data(), block.size());
    r.u32();
    dib->width = r.i32();
    dib->height = -r.i32();
    r.u16();
    dib->bits = r.u16();
    r.skip(16);
    const uint32_t colours = r.u32();
    size_t bytes = 0;
    if (!r.seek(kDibHeaderSize) || (dib->bits != 8 && dib->bits != 24) ||
        !PictureBytes(dib->width, dib->height, 4, &bytes))
        return false;
    dib->table = r.view(size_t(colours) * 4);
    dib->rowSize = static_cast<size_t>(DibRowSize(dib->width, dib->bits));
    dib->rows = r.view(dib->rowSize * size_t(dib->height));
    return dib->table && dib->rows && (dib->bits == 24 || colours == 256);
}

// Pixel (x, y) of a bitmap as blue, green, red.
const uint8_t* DibPixel(const Dib& dib, int32_t x, int32_t y) {
    const uint8_t* row = dib.rows + size_t(y) * dib.rowSize;
    return dib.bits == 8 ? dib.table + size_t(row[x]) * 4 : row + size_t(x) * 3;
}

bool Allocate(int32_t width, int32_t height, int channels, PixelImage* out) {
    size_t bytes = 0;
    if (!PictureBytes(width, height, uint64_t(channels), &bytes))
        return false;
    try {
        out->pixels.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        std::vector<uint8_t>().swap(out->pixels);
        return false;
    }
    out->width = width, out->height = height, out->channels = channels;
    return true;
}

// Every kind's pixel (x, y), top row first, as blue, green, red, alpha.
class PixelSource {
public:
    bool Open(const DecodedPicture& p) {
        p_ = &p;
        size_t bytes = 0;
        switch (p.kind) {
        case kPictureJpeg:
        case kPictureBmp: return PictureBytes(p.width, p.height, 3, &bytes) && bytes == p.pixels.size();
        case kPicturePng: return PictureBytes(p.width, p.height, 4, &bytes) && bytes == p.pixels.size();
        case kPicturePcx1:
            return PictureBytes((int64_t(p.width) + 15) / 16 * 2, p.height, 1, &bytes) && bytes == p.pixels.size();
        case kPictureGif:
        case kPicturePcx8: return ReadDib(p.pixels, &dib_);
        default: return false;
        }
    }
    int32_t Width() const { return UsesDib() ? dib_.width : p_->width; }
    int32_t Height() const { return UsesDib() ? dib_.height : p_->height; }
    void At(int32_t x, int32_t y, uint8_t bgra[4]) const {
        const DecodedPicture& p = *p_;
        bgra[3] = 255;
        if (UsesDib()) {
            std::memcpy(bgra, DibPixel(dib_, x, y), 3);
        } else if (p.kind == kPicturePng) {
            std::memcpy(bgra, &p.pixels[(size_t(y) * p.width + x) * 4], 4);
        } else if (p.kind == kPicturePcx1) {
            const uint8_t byte = p.pixels[size_t(y) * ((size_t(p.width) + 15) / 16 * 2) + x / 8];
            std::memset(bgra, (byte >> (7 - x % 8)) & 1 ? 255 : 0, 3);
        } else {
            std::memcpy(bgra, &p.pixels[(size_t(p.height - 1 - y) * p.width + x) * 3], 3);
        }
    }
    // The GIF's transparent index at (x, y).
    bool Transparent(int32_t x, int32_t y) const {
        return p_->kind == kPictureGif && p_->transparentIndex >= 0 &&
               dib_.rows[size_t(y) * dib_.rowSize + x] == p_->transparentIndex;
    }

private:
    bool UsesDib() const { return p_->kind == kPictureGif || p_->kind == kPicturePcx8; }
    const DecodedPicture* p_ = nullptr;
    Dib dib_;
};

}  // namespace

bool PicturePixels(const DecodedPicture& picture, PixelImage* out) noexcept {
    PixelSource source;
    const int channels = picture.kind == kPicturePng ? 4 : 3;
    if (!source.Open(picture) || !Allocate(source.Width(), source.Height(), channels, out))
        return false;
    uint8_t* o = out->pixels.data();
    for (int32_t y = 0; y < out->height; ++y) {
        for (int32_t x = 0; x < out->width; ++x, o += channels) {
            uint8_t bgra[4];
            source.At(x, y, bgra);
            o[0] = bgra[2], o[1] = bgra[1], o[2] = bgra[0];
            if (channels == 4)
                o[3] = bgra[3];
        }
    }
    return true;
}

bool ComposePicture(const DecodedPicture& picture, uint32_t background, PixelImage* out) noexcept {
    PixelSource source;
    return source.Open(picture) && Allocate(picture.width, picture.height, 4, out) &&
           ComposePictureInto(picture, background, out->pixels.data());
}

bool ComposePictureInto(const DecodedPicture& picture, uint32_t background, uint8_t* bgrx) noexcept {
    PixelSource source;
    size_t bytes = 0;
    if (!source.Open(picture) || !PictureBytes(picture.width, picture.height, 4, &bytes))
        return false;
    const uint8_t back[3] = {uint8_t(background >> 16), uint8_t(background >> 8), uint8_t(background)};
    const int32_t width = std::min(source.Width(), picture.width), height = std::min(source.Height(), picture.height);
    for (int32_t y = 0; y < picture.height; ++y) {
        uint8_t* o = bgrx + size_t(y) * size_t(picture.width) * 4;
        for (int32_t x = 0; x < picture.width; ++x, o += 4) {
            if (x >= width || y >= height || source.Transparent(x, y)) {
                std::memcpy(o, back, 3);
                continue;
            }
            uint8_t bgra[4];
            source.At(x, y, bgra);
            // a/255 of the pixel and the rest of the background, truncated.
            const unsigned a = bgra[3];
            for (int c = 0; c < 3; ++c)
                o[c] = a == 255 ? bgra[c] : uint8_t((a * bgra[c] + (255 - a) * back[c]) / 255);
        }
    }
    return true;
}
