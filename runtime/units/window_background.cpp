// The background picture of a window. Decoding and rendering are done once per picture and
// colour and kept in a small cache shared by every window: paints come often, pictures change
// rarely, and a window keeps its picture bytes as they were stored. Bytes that do not decode (or
// find no memory to) are kept too, as a failure, so that they are not decoded again on every
// paint.
#include "runtime/units/window_background.h"

#include <algorithm>
#include <new>

#include "runtime/pictures/picture.h"

namespace {

struct CachedPicture {
    std::vector<uint8_t> bytes;
    COLORREF background = 0;
    RenderedPicture rendered;  // no bitmap: the bytes did not decode
};

constexpr size_t kCacheSize = 4;

// The rendered picture for these bytes on this colour; null when they do not decode.
const RenderedPicture* Rendered(HDC dc, const std::vector<uint8_t>& bytes, COLORREF background) noexcept {
    static std::vector<CachedPicture> cache;
    for (size_t i = 0; i < cache.size(); ++i) {
        if (cache[i].background == background && cache[i].bytes == bytes) {
            std::rotate(cache.begin(), cache.begin() + long(i), cache.begin() + long(i) + 1);  // most recent first
            return cache.front().rendered.bitmap ? &cache.front().rendered : nullptr;
        }
    }
    DecodedPicture decoded;
    CachedPicture entry;
    if (DecodePicture(bytes.data(), bytes.size(), &decoded))
        RenderPictureOpaque(dc, decoded, &entry.rendered, background);
    ReleasePicture(&decoded);
    try {
        entry.bytes = bytes;
        cache.reserve(kCacheSize);
        if (cache.size() == kCacheSize) {
            cache.back().rendered.Release();
            cache.pop_back();
        }
        entry.background = background;
        cache.insert(cache.begin(), std::move(entry));
    } catch (const std::bad_alloc&) {
        entry.rendered.Release();  // not kept: drawn nowhere
        return nullptr;
    }
    return cache.front().rendered.bitmap ? &cache.front().rendered : nullptr;
}

void Subtract(HRGN remaining, const RECT& r) {
    HRGN drawn = CreateRectRgnIndirect(&r);
    CombineRgn(remaining, remaining, drawn, RGN_DIFF);
    DeleteObject(drawn);
}

}  // namespace

RECT BackgroundPictureRect(int32_t layout, int pw, int ph, int cw, int ch) {
    switch (layout) {
    case kLayoutCentred: {
        int w = pw, h = ph;
        if (pw > cw || ph > ch) {
            // Shrunk by the smaller of the two ratios, so that it fits both ways.
            const double scale = std::min(double(cw) / pw, double(ch) / ph);
            w = int(pw * scale), h = int(ph * scale);
        }
        const int x = (cw - w) / 2, y = (ch - h) / 2;
        return RECT{x, y, x + w, y + h};
    }
    case kLayoutStretched: return RECT{0, 0, cw, ch};
    default: return RECT{0, 0, pw, ph};
    }
}

bool DrawBackgroundPicture(HDC dc, const RECT& client, const std::vector<uint8_t>& picture, int32_t layout,
                           COLORREF background, HRGN remaining) {
    const RenderedPicture* cached = Rendered(dc, picture, background);
    if (!cached || cached->width <= 0 || cached->height <= 0)
        return false;
    RenderedPicture p = *cached;
    p.dc = dc;
    const int cw = client.right - client.left, ch = client.bottom - client.top;
    const RECT r = BackgroundPictureRect(layout, p.width, p.height, cw, ch);
    if (layout == kLayoutTiled) {
        RECT area;
        GetRgnBox(remaining, &area);
        // Only the tiles that meet the paint area: from the one holding its top-left corner.
        for (int y = std::max(0L, area.top) / p.height * p.height; y < std::min<long>(ch, area.bottom); y += p.height) {
            for (int x = std::max(0L, area.left) / p.width * p.width; x < std::min<long>(cw, area.right); x += p.width) {
                const RECT tile = {x, y, x + p.width, y + p.height};
                RECT meets;
                if (IntersectRect(&meets, &tile, &area))
                    DrawPicture(p, x, y, -1, -1, SRCCOPY);
            }
        }
        SetRectRgn(remaining, 0, 0, 0, 0);
        return true;
    }
    DrawPicture(p, r.left, r.top, r.right - r.left, r.bottom - r.top, SRCCOPY);
    if (layout == kLayoutStretched)
        SetRectRgn(remaining, 0, 0, 0, 0);
    else
        Subtract(remaining, r);
    return true;
}
