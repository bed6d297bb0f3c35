// The picture libraries built for the target work inside a Windows program: a PNG and a JPEG
// made here are read back from memory through the interfaces the picture decoders use.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <vector>

#include <png.h>
#include <jpeglib.h>

namespace {

TEST(PictureLibraries, PngDecodesFromMemoryToBlueGreenRedAlpha)
{
    const int width = 3, height = 2;
    const uint8_t rgba[width * height * 4] = {
        255, 0,   0,   255, 0,   255, 0,   128, 0,   0,   255, 0,
        10,  20,  30,  255, 200, 100, 50,  255, 255, 255, 255, 64,
    };
    png_image out = {};
    out.version = PNG_IMAGE_VERSION;
    out.width = width;
    out.height = height;
    out.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    ASSERT_TRUE(png_image_write_to_memory(&out, nullptr, &size, 0, rgba, 0, nullptr));
    std::vector<uint8_t> file(size);
    ASSERT_TRUE(png_image_write_to_memory(&out, file.data(), &size, 0, rgba, 0, nullptr));

    png_image in = {};
    in.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&in, file.data(), size)) << in.message;
    EXPECT_EQ(in.width, 3u);
    EXPECT_EQ(in.height, 2u);
    in.format = PNG_FORMAT_BGRA;
    std::vector<uint8_t> bgra(PNG_IMAGE_SIZE(in));
    ASSERT_TRUE(png_image_finish_read(&in, nullptr, bgra.data(), 0, nullptr)) << in.message;
    for (int i = 0; i < width * height; ++i) {
        EXPECT_EQ(bgra[i * 4 + 0], rgba[i * 4 + 2]) << "pixel " << i;
        EXPECT_EQ(bgra[i * 4 + 1], rgba[i * 4 + 1]) << "pixel " << i;
        EXPECT_EQ(bgra[i * 4 + 2], rgba[i * 4 + 0]) << "pixel " << i;
        EXPECT_EQ(bgra[i * 4 + 3], rgba[i * 4 + 3]) << "pixel " << i;
    }
}

// Encodes a 16x16 picture whose left and right halves are flat colours (whole 8x8 blocks, so
// that the lossy coding keeps them nearly exact).
std::vector<uint8_t> EncodeJpeg(int components, const uint8_t left[3], const uint8_t right[3])
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = 16;
    cinfo.image_height = 16;
    cinfo.input_components = components;
    cinfo.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    cinfo.comp_info[0].h_samp_factor = 1;  // full-resolution colour: no blur across the halves
    cinfo.comp_info[0].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(16 * components);
    for (int x = 0; x < 16; ++x)
        for (int c = 0; c < components; ++c)
            row[x * components + c] = x < 8 ? left[c] : right[c];
    while (cinfo.next_scanline < 16) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> file(buffer, buffer + size);
    free(buffer);
    return file;
}

std::vector<uint8_t> DecodeJpegToRgb(std::vector<uint8_t>& file, int* width, int* height)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;  // greyscale is widened too
    jpeg_start_decompress(&cinfo);
    *width = static_cast<int>(cinfo.output_width);
    *height = static_cast<int>(cinfo.output_height);
    std::vector<uint8_t> rgb(static_cast<size_t>(*width) * *height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {rgb.data() + cinfo.output_scanline * *width * 3};
        jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return rgb;
}

void ExpectHalves(const std::vector<uint8_t>& rgb, const uint8_t left[3], const uint8_t right[3])
{
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const uint8_t* want = x < 8 ? left : right;
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(rgb[(y * 16 + x) * 3 + c], want[c], 3) << "at " << x << "," << y;
        }
    }
}

TEST(PictureLibraries, JpegDecodesFromMemoryToRgb)
{
    const uint8_t left[3] = {200, 40, 30}, right[3] = {20, 90, 220};
    std::vector<uint8_t> file = EncodeJpeg(3, left, right);
    int width = 0, height = 0;
    std::vector<uint8_t> rgb = DecodeJpegToRgb(file, &width, &height);
    ASSERT_EQ(width, 16);
    ASSERT_EQ(height, 16);
    ExpectHalves(rgb, left, right);
}

TEST(PictureLibraries, GreyscaleJpegIsWidenedToRgb)
{
    const uint8_t left[3] = {30, 30, 30}, right[3] = {180, 180, 180};
    std::vector<uint8_t> file = EncodeJpeg(1, left, right);
    int width = 0, height = 0;
    std::vector<uint8_t> rgb = DecodeJpegToRgb(file, &width, &height);
    ASSERT_EQ(width, 16);
    ExpectHalves(rgb, left, right);
}

}  // namespace
