// GIF decoding: header, colour tables, extensions up to the first image descriptor, the image's
// sub-blocks joined into one LZW stream, the LZW decoder and interlaced row order. The indices
// are decoded straight into the bitmap's rows, so a picture takes one copy of itself.
#include "runtime/pictures/gif_decoder.h"

#include <algorithm>
#include <cstring>

#include "runtime/core/byte_reader.h"

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxMinCodeSize = kMaxCodeBits - 1;  // the clear and end codes must fit
constexpr int kDictionarySize = 1 << kMaxCodeBits;

// The codes of one image, least significant bit first across the joined sub-blocks.
class CodeReader {
public:
    explicit CodeReader(const std::vector<uint8_t>& data) : data_(data) {}
    // -1 at the end of the data.
    int Next(int bits) {
        while (count_ < bits) {
            if (pos_ >= data_.size())
                return -1;
            buffer_ |= uint32_t(data_[pos_++]) << count_;
            count_ += 8;
        }
        const int code = int(buffer_ & ((1u << bits) - 1));
        buffer_ >>= bits;
        count_ -= bits;
        return code;
    }

private:
    const std::vector<uint8_t>& data_;
    size_t pos_ = 0;
    uint32_t buffer_ = 0;
    int count_ = 0;
};

// Each dictionary entry is its prefix code and its last index; strings are written backwards.
struct Dictionary {
    uint16_t prefix[kDictionarySize];
    uint8_t suffix[kDictionarySize];
    uint8_t first[kDictionarySize];   // first index of the string, for the KwKwK case
    uint16_t length[kDictionarySize];
};

// Colour table entries as blue, green, red, 0 into the bitmap's table.
bool ReadColourTable(ByteReader& r, uint32_t entries, uint8_t* table) {
    const uint8_t* rgb = r.view(size_t(entries) * 3);
    if (!rgb)
        return false;
    for (uint32_t i = 0; i < entries; ++i) {
        table[i * 4 + 0] = rgb[i * 3 + 2];
        table[i * 4 + 1] = rgb[i * 3 + 1];
        table[i * 4 + 2] = rgb[i * 3 + 0];
    }
    return true;
}

// Sub-blocks up to the zero-length terminator; false when the file ends before it.
bool ReadSubBlocks(ByteReader& r, std::vector<uint8_t>* data) {
    for (;;) {
        const uint8_t n = r.u8();
        if (!r.ok())
            return false;
        if (n == 0)
            return true;
        const uint8_t* block = r.view(n);
        if (!block)
            return false;
        if (data)
            data->insert(data->end(), block, block + n);
    }
}

// Extensions before the image: a graphic control extension gives the transparent index.
bool SkipExtension(ByteReader& r, int32_t* transparentIndex) {
    const uint8_t label = r.u8();
    if (label != 0xF9)
        return ReadSubBlocks(r, nullptr);
    std::vector<uint8_t> control;
    if (!ReadSubBlocks(r, &control))
        return false;
    if (control.size() >= 4 && (control[0] & 1))
        *transparentIndex = control[3];
    return true;
}

// Row y of the decoded order is stored row RowOf(y): passes of every 8th row from 0, every 8th
// from 4, every 4th from 2, every 2nd from 1.
int32_t InterlacedRow(int32_t y, int32_t height) {
    static const int32_t kStart[4] = {0, 4, 2, 1};
    static const int32_t kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int32_t rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (y < rows)
            return kStart[pass] + y * kStep[pass];
        y -= rows;
    }
    return 0;
}

// The index that stands for colours a code size above 8 can name beyond 255: the first entry
// past the file's table, black like every entry past it; a table of all 256 leaves only its
// first black entry, or else entry 0.
uint8_t IndexOutside(const uint8_t* table, uint32_t entries) {
    if (entries < 256)
        return uint8_t(entries);
    for (uint32_t i = 0; i < 256; ++i)
        if (table[i * 4] == 0 && table[i * 4 + 1] == 0 && table[i * 4 + 2] == 0)
            return uint8_t(i);
    return 0;
}

// `height` rows of `width` indices packed at the start of `rows` spread to rows of `rowSize`
// bytes, zero-padded; from the last row up, so that no row is overwritten before it moves.
void SpreadRows(uint8_t* rows, size_t width, size_t rowSize, int32_t height) {
    for (int32_t y = height; y-- > 0;) {
        std::memmove(rows + size_t(y) * rowSize, rows + size_t(y) * width, width);
        std::memset(rows + size_t(y) * rowSize + width, 0, rowSize - width);
    }
}

// Rows in decoded order moved to their interlaced places, cycle by cycle through one spare row.
void Deinterlace(uint8_t* rows, size_t rowSize, int32_t height) {
    std::vector<bool> placed(size_t(height), false);
    std::vector<uint8_t> carry(rowSize);
    for (int32_t start = 0; start < height; ++start) {
        if (placed[size_t(start)])
            continue;
        std::memcpy(carry.data(), rows + size_t(start) * rowSize, rowSize);
        for (int32_t y = start;;) {
            const int32_t to = InterlacedRow(y, height);
            std::swap_ranges(carry.begin(), carry.end(), rows + size_t(to) * rowSize);
            placed[size_t(to)] = true;
            if (to == start)
                break;
            y = to;
        }
    }
}

}  // namespace

bool DecodeGifLzw(const std::vector<uint8_t>& data, int minCodeSize, uint8_t* pixels, size_t count, uint8_t outside) {
    if (minCodeSize < 2 || minCodeSize > kMaxMinCodeSize)
        return false;
    static thread_local Dictionary d;
    const int clear = 1 << minCodeSize, end = clear + 1;
    for (int i = 0; i < clear; ++i)
        d.prefix[i] = 0, d.suffix[i] = d.first[i] = i < 256 ? uint8_t(i) : outside, d.length[i] = 1;
    CodeReader codes(data);
    int bits = minCodeSize + 1, next = clear + 2, previous = -1;
    size_t written = 0;
    while (written < count) {
        const int code = codes.Next(bits);
        if (code < 0 || code == end)
            break;  // a stream without its end code keeps what it gave
        if (code == clear) {
            bits = minCodeSize + 1, next = clear + 2, previous = -1;
            continue;
        }
        if (previous < 0) {
            if (code >= clear)
                return false;
            pixels[written++] = d.suffix[code];
            previous = code;
            continue;
        }
        if (code > next || (code == next && next >= kDictionarySize))
            return false;
        // A full dictionary stops growing until the next clear code.
        if (next < kDictionarySize) {
            d.prefix[next] = uint16_t(previous);
            d.first[next] = d.first[previous];
            d.suffix[next] = code == next ? d.first[previous] : d.first[code];
            d.length[next] = uint16_t(d.length[previous] + 1);
            ++next;
            if (next == (1 << bits) && bits < kMaxCodeBits)
                ++bits;
        }
        // Write the string of `code` backwards, cut at the end of the picture.
        const size_t length = d.length[code];
        int c = code;
        for (size_t i = length; i-- > 0;) {
            if (written + i < count)
                pixels[written + i] = d.suffix[c];
            c = d.prefix[c];
        }
        written += length;
        previous = code;
    }
    return true;
}

bool DecodeGif(const uint8_t* bytes, size_t length, DecodedPicture* out) {
    ByteReader r(bytes, length);
    if (length <= 13 || (std::memcmp(bytes, "GIF87a", 6) != 0 && std::memcmp(bytes, "GIF89a", 6) != 0))
        return false;
    r.skip(6);
    const uint16_t screenWidth = r.u16(), screenHeight = r.u16();
    const uint8_t flags = r.u8();
    r.skip(2);  // background index, aspect ratio
    uint8_t globalTable[1024] = {};
    const uint32_t globalEntries = flags & 0x80 ? 2u << (flags & 7) : 0;
    if (!ReadColourTable(r, globalEntries, globalTable))
        return false;
    int32_t transparentIndex = -1;
    for (;;) {
        const uint8_t introducer = r.u8();
        if (!r.ok() || introducer == 0x3B)
            return false;  // no image at all
        if (introducer == 0x2C)
            break;
        if (introducer != 0x21 || !SkipExtension(r, &transparentIndex))
            return false;
    }
    r.skip(4);  // the image's left and top are not applied
    const uint16_t width = r.u16(), height = r.u16();
    const uint8_t imageFlags = r.u8();
    size_t screenBytes = 0, imageBytes = 0;
    if (!r.ok() || !PictureBytes(screenWidth, screenHeight, 4, &screenBytes) ||
        !PictureBytes(width, height, 4, &imageBytes))
        return false;
    imageBytes /= 4;  // one index a pixel; limited as the 32-bit rows it may be shown as
    std::vector<uint8_t> dib;
    if (!StartDib(width, height, 8, 256, &dib))
        return false;
    uint8_t* table = dib.data() + kDibHeaderSize;
    uint32_t entries = globalEntries;
    if (imageFlags & 0x80) {
        entries = 2u << (imageFlags & 7);
        if (!ReadColourTable(r, entries, table))
            return false;
    } else {
        std::memcpy(table, globalTable, sizeof globalTable);
    }
    const int minCodeSize = r.u8();
    std::vector<uint8_t> data;
    uint8_t* rows = table + 1024;
    if (!r.ok() || !ReadSubBlocks(r, &data) ||
        !DecodeGifLzw(data, minCodeSize, rows, imageBytes, IndexOutside(table, entries)))
        return false;
    const size_t rowSize = static_cast<size_t>(DibRowSize(width, 8));
    SpreadRows(rows, width, rowSize, height);
    if (imageFlags & 0x40)
        Deinterlace(rows, rowSize, height);
    out->kind = kPictureGif;
    out->width = screenWidth;
    out->height = screenHeight;
    out->pixels = std::move(dib);
    out->transparentIndex = transparentIndex;
    return true;
}
