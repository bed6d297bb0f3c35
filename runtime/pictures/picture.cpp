// The Windows side of pictures. Every bitmap is made as a 32-bit top-row-first section and the
// composed pixels (picture_pixels.h) are written straight into it, so rendering does not depend
// on the target's format and a picture is held once decoded and once drawn, never a third time;
// icons go through the system's icon-from-resource calls. Nothing here throws: a failing
// allocation is a failing decode or render like any other.
#include "runtime/pictures/picture.h"

#include <cstring>
#include <vector>

#include "runtime/pictures/icon_directory.h"
#include "runtime/pictures/picture_decode.h"
#include "runtime/pictures/picture_kind.h"
#include "runtime/pictures/picture_pixels.h"

namespace {

int g_stretchMode = COLORONCOLOR;

bool IsIconKind(int32_t kind) { return kind == kPictureIcon || kind == kPictureCursor; }

bool DecodeIcon(const uint8_t* bytes, size_t length, DecodedPicture* out) {
    IconImage image;
    if (!SelectIconImage(bytes, length, &image))
        return false;
    // The system reads but does not write the bits; its declaration just lacks the const.
    BYTE* bits = const_cast<BYTE*>(bytes + image.offset);
    HICON icon = CreateIconFromResourceEx(bits, image.size, TRUE, 0x00030000, image.width, image.height, 0);
    if (!icon && image.bitCount != 16)
        icon = CreateIconFromResource(bits, image.size, TRUE, 0x00030000);
    if (!icon)
        return false;
    out->kind = image.type == 1 ? kPictureIcon : kPictureCursor;
    out->width = image.width;
    out->height = image.height;
    out->icon = icon;
    out->pixels.clear();
    return true;
}

// A 32-bit top-row-first section of the given size (blue, green, red, x rows), its bits zero;
// null when it is larger than a picture may be or the system has no room for it.
HBITMAP MakeSection(int32_t width, int32_t height, uint8_t** bits) {
    size_t bytes = 0;
    if (!PictureBytes(width, height, 4, &bytes))
        return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p, nullptr, 0);
    if (bitmap && !p) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    *bits = static_cast<uint8_t*>(p);
    return bitmap;
}

// The picture's rectangle at its own size where -1 is given.
void OwnSize(const RenderedPicture& p, int* width, int* height) {
    if (*width == -1)
        *width = p.width;
    if (*height == -1)
        *height = p.height;
}

// Draws `bitmap` with the pixels of `colour` left transparent, through a monochrome mask: the
// picture XORed on, the mask ANDed (1 keeps the target), the picture XORed again.
void DrawTransparent(const RenderedPicture& p, HDC source, int x, int y, int width, int height, COLORREF colour) {
    HDC maskDc = CreateCompatibleDC(p.dc);
    HBITMAP mask = CreateBitmap(p.width, p.height, 1, 1, nullptr);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    const COLORREF oldSourceBack = SetBkColor(source, colour);
    BitBlt(maskDc, 0, 0, p.width, p.height, source, 0, 0, SRCCOPY);
    SetBkColor(source, oldSourceBack);
    const COLORREF oldBack = SetBkColor(p.dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(p.dc, RGB(0, 0, 0));
    StretchBlt(p.dc, x, y, width, height, source, 0, 0, p.width, p.height, SRCINVERT);
    StretchBlt(p.dc, x, y, width, height, maskDc, 0, 0, p.width, p.height, SRCAND);
    StretchBlt(p.dc, x, y, width, height, source, 0, 0, p.width, p.height, SRCINVERT);
    SetBkColor(p.dc, oldBack);
    SetTextColor(p.dc, oldText);
    SelectObject(maskDc, oldMask);
    DeleteObject(mask);
    DeleteDC(maskDc);
}

}  // namespace

void RenderedPicture::Release() {
    if (icon)
        DestroyIcon(icon);
    if (bitmap)
        DeleteObject(bitmap);
    icon = nullptr;
    bitmap = nullptr;
}

bool DecodePicture(const uint8_t* bytes, size_t length, DecodedPicture* out) noexcept {
    if (IsIconKind(DetectPictureKind(bytes, length)))
        return DecodeIcon(bytes, length, out);
    return DecodePortablePicture(bytes, length, out);
}

bool DecodePicture(const char* path, DecodedPicture* out) noexcept {
    std::vector<uint8_t> bytes;
    return ReadPictureFile(path, &bytes) && DecodePicture(bytes.data(), bytes.size(), out);
}

void ReleasePicture(DecodedPicture* picture) noexcept {
    if (picture->icon)
        DestroyIcon(static_cast<HICON>(picture->icon));
    picture->icon = nullptr;
    std::vector<uint8_t>().swap(picture->pixels);
}

int RenderPicture(HDC dc, const DecodedPicture& picture, RenderedPicture* out, COLORREF background) noexcept {
    *out = RenderedPicture();
    out->dc = dc;
    out->kind = picture.kind;
    out->width = picture.width;
    out->height = picture.height;
    if (IsIconKind(picture.kind)) {
        out->icon = picture.icon ? CopyIcon(static_cast<HICON>(picture.icon)) : nullptr;
        return out->icon ? 1 : 0;
    }
    uint8_t* bits = nullptr;
    out->bitmap = MakeSection(picture.width, picture.height, &bits);
    if (out->bitmap && !ComposePictureInto(picture, background, bits))
        out->Release();
    return out->bitmap ? 1 : 0;
}

int RenderPictureOpaque(HDC dc, const DecodedPicture& picture, RenderedPicture* out, COLORREF background) noexcept {
    if (!RenderPicture(dc, picture, out, background))
        return 0;
    if (!out->icon)
        return 1;
    uint8_t* bits = nullptr;
    HBITMAP bitmap = MakeSection(out->width, out->height, &bits);
    if (bitmap) {
        for (size_t i = 0, n = size_t(out->width) * size_t(out->height) * 4; i < n; i += 4) {
            bits[i + 0] = GetBValue(background);
            bits[i + 1] = GetGValue(background);
            bits[i + 2] = GetRValue(background);
        }
        HDC target = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(target, bitmap);
        DrawIconEx(target, 0, 0, out->icon, out->width, out->height, 0, nullptr, DI_NORMAL);
        SelectObject(target, old);
        DeleteDC(target);
    }
    DestroyIcon(out->icon);
    out->icon = nullptr;
    out->bitmap = bitmap;
    return bitmap ? 1 : 0;
}

void DrawPicture(const RenderedPicture& p, int x, int y, int width, int height, int32_t rasterOperation) noexcept {
    OwnSize(p, &width, &height);
    SetStretchBltMode(p.dc, g_stretchMode);
    if (p.icon) {
        DrawIconEx(p.dc, x, y, p.icon, width, height, 0, nullptr, DI_NORMAL);
        return;
    }
    if (!p.bitmap)
        return;
    HDC source = CreateCompatibleDC(p.dc);
    HGDIOBJ old = SelectObject(source, p.bitmap);
    if (rasterOperation >= 0)
        StretchBlt(p.dc, x, y, width, height, source, 0, 0, p.width, p.height, static_cast<DWORD>(rasterOperation));
    else
        DrawTransparent(p, source, x, y, width, height, static_cast<COLORREF>(-int64_t(rasterOperation)));
    SelectObject(source, old);
    DeleteDC(source);
}

void SetPictureStretchMode(int mode) { g_stretchMode = mode; }

HBITMAP PictureToBitmap(const uint8_t* bytes, size_t length, COLORREF background) noexcept {
    DecodedPicture picture;
    if (!DecodePicture(bytes, length, &picture))
        return nullptr;
    HDC screen = GetDC(nullptr);
    RenderedPicture rendered;
    // An icon is drawn on white; every other kind is rendered over the background colour.
    const bool icon = IsIconKind(picture.kind);
    RenderPictureOpaque(screen, picture, &rendered, icon ? RGB(255, 255, 255) : background);
    ReleaseDC(nullptr, screen);
    ReleasePicture(&picture);
    return rendered.bitmap;  // handed over
}
