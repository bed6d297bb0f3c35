// A window's background picture that does not decode is decoded once: the second paint of the
// same bytes allocates nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "runtime/units/window_background.h"

static long g_allocations = 0;

void* operator new(size_t n) {
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

TEST(WindowBackground, APictureThatFailedIsNotDecodedAgain) {
    // A 2x2 GIF whose data starts with a code that is no colour: refused after its bitmap is made.
    const std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
                                      0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 1, 0x34, 0, 0x3B};
    HDC dc = CreateCompatibleDC(nullptr);
    HRGN remaining = CreateRectRgn(0, 0, 10, 10);
    EXPECT_FALSE(DrawBackgroundPicture(dc, {0, 0, 10, 10}, gif, 0, RGB(1, 2, 3), remaining));
    const long before = g_allocations;
    EXPECT_FALSE(DrawBackgroundPicture(dc, {0, 0, 10, 10}, gif, 0, RGB(1, 2, 3), remaining));
    EXPECT_EQ(g_allocations, before) << "the bytes that failed were decoded again";
    DeleteObject(remaining);
    DeleteDC(dc);
}
