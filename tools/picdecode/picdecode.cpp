// picdecode: shows how the runtime sees a picture file.
//
//   picdecode [--render COLOUR] FILE OUT.pam
//
// Prints "kind K W H" (the recognised kind 0-8 and the decoded size; a GIF's logical screen)
// and writes the pixels as a PAM file (P7, MAXVAL 255, RGB or RGB_ALPHA, top row first):
// without --render the decoded pixels (a GIF's first image at its own size, a PNG with its
// alpha, an icon or cursor drawn on white); with --render the picture drawn over COLOUR
// (0x00BBGGRR): in the Windows build the bitmap the runtime makes for it, natively the composed
// rows that the Windows build copies into that bitmap. Exit 1 with a reason on stderr when the
// runtime does not decode the file or memory runs out (no output file then), 2 on wrong usage.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "runtime/pictures/picture_decode.h"
#include "runtime/pictures/picture_kind.h"
#include "runtime/pictures/picture_pixels.h"
#ifdef _WIN32
#include "runtime/pictures/picture.h"
#endif

namespace {

const char kUsage[] =
    "usage: picdecode [--render COLOUR] FILE OUT.pam\n"
    "  prints 'kind K W H' and writes the decoded pixels as a PAM file;\n"
    "  --render COLOUR (0x00BBGGRR): the picture drawn over that colour\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

int Refuse(const std::string& file, const std::string& why) {
    std::fprintf(stderr, "picdecode: %s: %s\n", file.c_str(), why.c_str());
    return 1;
}

bool WritePam(const std::string& path, const PixelImage& image) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    std::fprintf(out, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n", image.width,
                 image.height, image.channels, image.channels == 4 ? "RGB_ALPHA" : "RGB");
    const bool written = std::fwrite(image.pixels.data(), 1, image.pixels.size(), out) == image.pixels.size();
    return std::fclose(out) == 0 && written;
}

#ifdef _WIN32
// The bitmap read back as red-green-blue rows.
bool BitmapPixels(HBITMAP bitmap, PixelImage* out) {
    BITMAP info = {};
    if (!GetObject(bitmap, sizeof info, &info))
        return false;
    BITMAPINFO request = {};
    request.bmiHeader.biSize = sizeof request.bmiHeader;
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = -info.bmHeight;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    std::vector<uint8_t> bgrx(size_t(info.bmWidth) * info.bmHeight * 4);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, info.bmHeight, bgrx.data(), &request, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != info.bmHeight)
        return false;
    out->width = info.bmWidth, out->height = info.bmHeight, out->channels = 3;
    out->pixels.resize(size_t(info.bmWidth) * info.bmHeight * 3);
    for (size_t i = 0, n = size_t(info.bmWidth) * info.bmHeight; i < n; ++i) {
        out->pixels[i * 3 + 0] = bgrx[i * 4 + 2];
        out->pixels[i * 3 + 1] = bgrx[i * 4 + 1];
        out->pixels[i * 3 + 2] = bgrx[i * 4 + 0];
    }
    return true;
}
#endif

// Decodes and turns the picture into rows as the options ask; false with `why` set.
bool Pixels(const std::vector<uint8_t>& bytes, bool render, uint32_t colour, DecodedPicture* picture,
            PixelImage* image, std::string* why) {
#ifdef _WIN32
    if (!DecodePicture(bytes.data(), bytes.size(), picture))
        return *why = "the runtime does not decode this picture", false;
    const bool icon = picture->kind == kPictureIcon || picture->kind == kPictureCursor;
    if (render || icon) {
        ReleasePicture(picture);  // the size stays for the report
        HBITMAP bitmap = PictureToBitmap(bytes.data(), bytes.size(), render ? colour : 0xFFFFFF);
        const bool ok = bitmap && BitmapPixels(bitmap, image);
        if (bitmap)
            DeleteObject(bitmap);
        return ok || (*why = "the picture could not be drawn", false);
    }
#else
    if (!DecodePortablePicture(bytes.data(), bytes.size(), picture))
        return *why = "the runtime does not decode this picture", false;
    if (render) {
        if (!ComposePicture(*picture, colour, image))
            return *why = "the picture could not be drawn", false;
        for (size_t i = 0, n = image->pixels.size() / 4; i < n; ++i) {  // blue-green-red-x to red-green-blue
            const uint8_t* bgrx = &image->pixels[i * 4];
            const uint8_t rgb[3] = {bgrx[2], bgrx[1], bgrx[0]};
            std::copy(rgb, rgb + 3, image->pixels.begin() + i * 3);
        }
        image->pixels.resize(image->pixels.size() / 4 * 3);
        image->channels = 3;
        return true;
    }
#endif
    return PicturePixels(*picture, image) || (*why = "the decoded pixels are inconsistent", false);
}

int Run(std::vector<std::string> args) {
    bool render = false;
    uint32_t colour = 0;
    if (args.size() == 4 && args[0] == "--render") {
        char* end = nullptr;
        errno = 0;
        const unsigned long value = std::strtoul(args[1].c_str(), &end, 0);
        if (args[1].empty() || *end || errno || value > 0xFFFFFFFFul)
            return Usage();
        render = true;
        colour = static_cast<uint32_t>(value);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() != 2 || args[0].empty() || args[0][0] == '-')
        return Usage();
    const std::string& file = args[0];
    std::vector<uint8_t> bytes;
    if (!ReadPictureFile(file.c_str(), &bytes))
        return Refuse(file, "cannot be read");
    const PictureKind kind = DetectPictureKind(bytes.data(), bytes.size());
    if (kind == kPictureUnknown)
        return Refuse(file, "not a picture format the runtime recognises");
    DecodedPicture picture;
    PixelImage image;
    std::string why;
    if (!Pixels(bytes, render, colour, &picture, &image, &why))
        return Refuse(file, why + " (kind " + std::to_string(kind) + ")");
    if (!WritePam(args[1], image)) {
        std::remove(args[1].c_str());
        return Refuse(args[1], "cannot be written");
    }
    std::printf("kind %d %d %d\n", kind, picture.width, picture.height);
    return 0;
}

}  // namespace

// The runtime's picture calls never throw; only this tool's own texts and rows can run out of
// memory, and that is a refusal too.
int main(int argc, char** argv) {
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::bad_alloc&) {
        std::fputs("picdecode: out of memory\n", stderr);
        return 1;
    }
}
