// A compiled form's pictures on the screen: the window's background picture in each layout and
// a button's picture, read back as screen pixels at points whose colour the pictures fix.
#include "tests/driver/driver.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>

namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00, kGrey = 0x808080,
                   kMagenta = 0xFF00FF, kCyan = 0x00FFFF;
constexpr int kPictureWidth = 40, kPictureHeight = 30;

struct Shown {
    e2e::Picture window;
    POINT client = {};  // the client area's origin in the picture
    RECT clientRect = {};
    e2e::Picture button;
    uint32_t At(int x, int y) const { return window.At(client.x + x, client.y + y); }
};

// The quadrant colour of picture point (x, y).
uint32_t Quadrant(int x, int y) {
    const bool right = x >= kPictureWidth / 2, bottom = y >= kPictureHeight / 2;
    return bottom ? (right ? kYellow : kBlue) : (right ? kGreen : kRed);
}

Shown Show(int layout, const std::string& picture = "", bool* answered = nullptr) {
    Shown shown;
    e2e::Process probe;
    const std::string args = std::to_string(layout) + (picture.empty() ? "" : " " + picture);
    EXPECT_TRUE(probe.Start(e2e::OwnFolder() + "pictures_probe.exe", args));
    HWND window = probe.WaitWindow();
    EXPECT_NE(window, nullptr);
    if (!window)
        return shown;
    shown.window = e2e::Capture(window);
    RECT outer;
    GetWindowRect(window, &outer);
    ClientToScreen(window, &shown.client);
    shown.client.x -= outer.left, shown.client.y -= outer.top;
    GetClientRect(window, &shown.clientRect);
    if (HWND button = FindWindowExA(window, nullptr, "Button", nullptr))
        shown.button = e2e::Capture(button);
    DWORD_PTR result = 0;
    if (answered)  // after the paint that the picture was part of
        *answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) && probe.Running();
    return shown;
}

// Every quadrant's centre of the picture placed at (left, top) at natural size.
void ExpectPictureAt(const Shown& s, int left, int top, const char* layout) {
    for (int y = 7; y < kPictureHeight; y += 15)
        for (int x = 10; x < kPictureWidth; x += 20)
            EXPECT_EQ(s.At(left + x, top + y), Quadrant(x, y)) << layout << " at " << left + x << "," << top + y;
}

TEST(PicturesEndToEnd, BackgroundLayoutsAndAPictureButton) {
    const Shown topLeft = Show(0);
    ExpectPictureAt(topLeft, 0, 0, "top-left");
    EXPECT_EQ(topLeft.At(kPictureWidth + 5, 5), kGrey) << "beside the picture: the colour";
    EXPECT_EQ(topLeft.At(5, kPictureHeight + 5), kGrey);

    const Shown tiled = Show(1);
    ExpectPictureAt(tiled, 0, 0, "tiled");
    ExpectPictureAt(tiled, kPictureWidth * 2, kPictureHeight, "tiled");
    ExpectPictureAt(tiled, kPictureWidth * 4, kPictureHeight * 3, "tiled");

    // The picture fits the client area: centred at its own size, the colour around it.
    const Shown centred = Show(2);
    const int cw = centred.clientRect.right, ch = centred.clientRect.bottom;
    ExpectPictureAt(centred, (cw - kPictureWidth) / 2, (ch - kPictureHeight) / 2, "centred");
    EXPECT_EQ(centred.At(5, 5), kGrey);

    const Shown stretched = Show(3);
    const int sw = stretched.clientRect.right, sh = stretched.clientRect.bottom;
    EXPECT_EQ(stretched.At(sw / 4, sh / 4), kRed);
    EXPECT_EQ(stretched.At(sw * 3 / 4, sh / 4), kGreen);
    EXPECT_EQ(stretched.At(sw / 4, sh * 3 / 4), kBlue);
    EXPECT_EQ(stretched.At(sw * 3 / 4, sh * 3 / 4), kYellow);

    // The button shows its picture centred: magenta left of the middle, cyan right of it.
    const e2e::Picture& b = topLeft.button;
    ASSERT_GT(b.width, 20);
    EXPECT_EQ(b.At(b.width / 2 - 6, b.height / 2), kMagenta);
    EXPECT_EQ(b.At(b.width / 2 + 6, b.height / 2), kCyan);
}

// A legal PNG of 8192 x 8192 grey pixels, 256 MiB once decoded, which the probe leaves no room for.
TEST(PicturesEndToEnd, APictureThereIsNoMemoryForLeavesTheColourAndTheWindowAnswers) {
    const std::string path = e2e::OwnFolder() + "large.png";
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = image.height = 8192;
    image.format = PNG_FORMAT_GRAY;
    const std::vector<uint8_t> grey(size_t(8192) * 8192, 0x30);
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, grey.data(), 0, nullptr)) << image.message;
    bool answered = false;
    const Shown shown = Show(0, path, &answered);
    EXPECT_TRUE(answered) << "the window answers after painting";
    ASSERT_GT(shown.window.width, 0);
    EXPECT_EQ(shown.At(10, 10), kGrey) << "the window's colour where the picture would be";
    std::remove(path.c_str());
}

}  // namespace
