// Picture decoding speed, natively, on the same files in one run: our BMP, GIF and PCX decoders
// against stb_image (which has no PCX reader), and our PNG and JPEG decoders against the same
// libraries called directly, without our size checks and pixel reordering. Built and run by
// scripts/picture-bench.sh with optimisation and without sanitizers; prints one line per file.
//   picture_bench FILE...
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#include <stb/stb_image.h>

#include <png.h>
#include <jpeglib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "runtime/pictures/picture_decode.h"
#include "runtime/pictures/picture_kind.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// Milliseconds per decode of one round: the decode repeated for at least 40 ms.
double Round(const std::function<bool()>& decode) {
    int n = 0;
    const Clock::time_point start = Clock::now();
    double elapsed = 0;
    do {
        if (!decode())
            return -1;
        ++n;
        elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    } while (elapsed < 40);
    return elapsed / n;
}

// The best of 11 rounds for each, the two taking turns, so that a busy machine slows both alike.
void Time(const std::function<bool()>& ours, const std::function<bool()>& other, double* oursMs, double* otherMs) {
    *oursMs = *otherMs = 1e9;
    for (int round = 0; round < 11; ++round) {
        *oursMs = std::min(*oursMs, Round(ours));
        if (other)
            *otherMs = std::min(*otherMs, Round(other));
    }
    if (!other)
        *otherMs = -1;
}

bool Ours(const Bytes& file) {
    DecodedPicture picture;
    return DecodePortablePicture(file.data(), file.size(), &picture);
}

bool Stb(const Bytes& file) {
    int w = 0, h = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &channels, 3);
    stbi_image_free(pixels);
    return pixels != nullptr;
}

bool LibpngDirect(const Bytes& file) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
        return false;
    image.format = PNG_FORMAT_BGRA;
    Bytes pixels(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
}

bool LibjpegDirect(const Bytes& file) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    Bytes pixels(size_t(info.output_width) * info.output_height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.data() + size_t(info.output_scanline) * info.output_width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

Bytes Read(const char* path) {
    Bytes bytes;
    ReadPictureFile(path, &bytes);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    std::printf("%-28s %5s %10s %12s %8s\n", "file", "kind", "ours ms", "other ms", "ratio");
    for (int i = 1; i < argc; ++i) {
        const Bytes file = Read(argv[i]);
        const PictureKind kind = DetectPictureKind(file.data(), file.size());
        std::function<bool()> other;
        const char* name = "";
        if (kind == kPictureBmp || kind == kPictureGif)
            other = [&] { return Stb(file); }, name = "stb_image";
        else if (kind == kPicturePng)
            other = [&] { return LibpngDirect(file); }, name = "libpng";
        else if (kind == kPictureJpeg)
            other = [&] { return LibjpegDirect(file); }, name = "libjpeg";
        double ours = 0, otherMs = 0;
        Time([&] { return Ours(file); }, other, &ours, &otherMs);
        const char* base = std::strrchr(argv[i], '/');
        if (otherMs > 0)
            std::printf("%-28s %5d %10.3f %12.3f %8.2f  (other: %s)\n", base ? base + 1 : argv[i], kind, ours, otherMs,
                        ours / otherMs, name);
        else
            std::printf("%-28s %5d %10.3f %12s %8s\n", base ? base + 1 : argv[i], kind, ours, "-", "-");
    }
    return 0;
}
