// Drawing rendered pictures into a memory bitmap and reading the pixels back: own size, stretch,
// white made transparent, a GIF on its logical screen. The files are built here byte by byte.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <vector>

#include "runtime/pictures/picture.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
void Put32(Bytes& b, uint32_t v) { Put16(b, v & 0xFFFF), Put16(b, v >> 16); }

// A 24-bit BMP of `width` x `height` whose pixel (x, y) (top row first) is colour(x, y) as 0xRRGGBB.
template <typename Colour>
Bytes Bmp(int width, int height, Colour colour) {
    const int row = (width * 3 + 3) / 4 * 4;
    Bytes b = {'B', 'M'};
    Put32(b, 54 + row * height), Put32(b, 0), Put32(b, 54);
    Put32(b, 40), Put32(b, uint32_t(width)), Put32(b, uint32_t(height)), Put16(b, 1), Put16(b, 24);
    for (int i = 0; i < 6; ++i)
        Put32(b, 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colour(x, y);
            b.push_back(uint8_t(c)), b.push_back(uint8_t(c >> 8)), b.push_back(uint8_t(c >> 16));
        }
        b.resize(b.size() + size_t(row - width * 3), 0);
    }
    return b;
}

// A memory bitmap filled with one colour, drawn into, and read back.
class Canvas {
public:
    Canvas(int width, int height, uint32_t fill) : width_(width), height_(height) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap_);
        for (int i = 0; i < width * height; ++i)
            bits_[i] = fill;
    }
    ~Canvas() { SelectObject(dc_, old_), DeleteDC(dc_), DeleteObject(bitmap_); }
    HDC dc() const { return dc_; }
    uint32_t At(int x, int y) const {
        GdiFlush();
        return bits_[y * width_ + x] & 0xFFFFFF;
    }

private:
    int width_, height_;
    HBITMAP bitmap_;
    HDC dc_;
    HGDIOBJ old_;
    uint32_t* bits_ = nullptr;
};

RenderedPicture Render(const Bytes& file, HDC dc, COLORREF background) {
    DecodedPicture decoded;
    RenderedPicture rendered;
    EXPECT_TRUE(DecodePicture(file.data(), file.size(), &decoded));
    EXPECT_EQ(RenderPicture(dc, decoded, &rendered, background), 1);
    ReleasePicture(&decoded);
    return rendered;
}

constexpr uint32_t kRed = 0xFF0000, kWhite = 0xFFFFFF, kBlue = 0x0000FF, kGreen = 0x00FF00;

TEST(DrawPicture, OwnSizeStretchAndWhiteLeftTransparent) {
    // 4x4: a red left half and a white right half.
    const Bytes file = Bmp(4, 4, [](int x, int) { return x < 2 ? kRed : kWhite; });
    Canvas canvas(16, 16, kBlue);
    RenderedPicture p = Render(file, canvas.dc(), 0);
    EXPECT_EQ(p.width, 4);

    DrawPicture(p, 1, 1, -1, -1, SRCCOPY);  // own size
    EXPECT_EQ(canvas.At(1, 1), kRed);
    EXPECT_EQ(canvas.At(4, 4), kWhite);
    EXPECT_EQ(canvas.At(5, 5), kBlue) << "nothing beyond the picture's own size";

    DrawPicture(p, 8, 8, 8, 8, -0xFFFFFF);  // twice the size, white transparent
    EXPECT_EQ(canvas.At(8, 8), kRed);
    EXPECT_EQ(canvas.At(11, 15), kRed);
    EXPECT_EQ(canvas.At(12, 8), kBlue) << "white pixels show the target";
    EXPECT_EQ(canvas.At(15, 15), kBlue);
    p.Release();
}

TEST(RenderPicture, GifOnItsLogicalScreenWithTheBackgroundAroundAndThroughIt) {
    // Screen 6x4; one 2x2 image at the top left, indices 0 1 / 1 2, index 2 transparent;
    // colours 0 red, 1 green, 2 white, 3 black. LZW (code size 2): clear, 0, 1, 1, 2, end.
    const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 6, 0, 4, 0, 0x81, 0, 0,
                       255, 0, 0, 0, 255, 0, 255, 255, 255, 0, 0, 0,
                       0x21, 0xF9, 4, 1, 0, 0, 2, 0,
                       0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0,
                       2, 3, 0x44, 0x22, 0x05, 0, 0x3B};
    Canvas canvas(8, 8, kBlue);
    RenderedPicture p = Render(gif, canvas.dc(), RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(p.width, 6);
    EXPECT_EQ(p.height, 4);
    DrawPicture(p, 0, 0, -1, -1, SRCCOPY);
    EXPECT_EQ(canvas.At(0, 0), kRed);
    EXPECT_EQ(canvas.At(1, 0), kGreen);
    EXPECT_EQ(canvas.At(0, 1), kGreen);
    EXPECT_EQ(canvas.At(1, 1), 0x123456u) << "the transparent index";
    EXPECT_EQ(canvas.At(5, 3), 0x123456u) << "beyond the first image";
    p.Release();
}

}  // namespace
