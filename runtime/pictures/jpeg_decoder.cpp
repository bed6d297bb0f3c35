// JPEG decoding from memory with libjpeg. libjpeg reports fatal errors (out of memory too) through
// error_exit, which must not return: it jumps back here, and the decompressor is destroyed on that
// path too. Warnings are sorted: those that mean damaged or cut data refuse the picture, the rest
// (bytes before a marker, an unknown JFIF revision or Adobe transform) are what every viewer
// shows past.
#include "runtime/pictures/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf exit;
    bool damaged = false;
};

void ExitToDecoder(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->exit, 1);
}

// The warnings of data that is damaged or ends too early: libjpeg goes on with grey or
// repeated blocks where the data is missing.
bool MeansDamage(int code) {
    switch (code) {
    case JWRN_JPEG_EOF:          // the file ends before the picture
    case JWRN_HIT_MARKER:        // a marker inside the coded data
    case JWRN_MUST_RESYNC:       // a restart marker out of place
    case JWRN_HUFF_BAD_CODE:     // coded data that decodes to nothing
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION: // progressive scans that do not fit together
    case JWRN_NOT_SEQUENTIAL:
        return true;
    default:
        return false;
    }
}

// Level -1 is a warning, 0 and up trace messages; nothing is printed.
void NoteMessage(j_common_ptr info, int level) {
    if (level < 0 && MeansDamage(info->err->msg_code))
        reinterpret_cast<ErrorManager*>(info->err)->damaged = true;
}

// libjpeg-turbo writes blue-green-red itself; plain libjpeg gives red-green-blue to swap.
#ifdef JCS_EXTENSIONS
constexpr J_COLOR_SPACE kOutputSpace = JCS_EXT_BGR;
constexpr bool kSwapRedBlue = false;
#else
constexpr J_COLOR_SPACE kOutputSpace = JCS_RGB;
constexpr bool kSwapRedBlue = true;
#endif

// The rows of the started decompressor as blue-green-red, stored from the bottom of `pixels`,
// so that the result is bottom row first.
void ReadRows(jpeg_decompress_struct& info, const ErrorManager& errors, uint8_t* pixels) {
    const size_t rowBytes = size_t(info.output_width) * 3;
    while (info.output_scanline < info.output_height) {
        uint8_t* row = pixels + size_t(info.output_height - 1 - info.output_scanline) * rowBytes;
        JSAMPROW rows[1] = {row};
        // Damage already refuses the picture: stop early.
        if (jpeg_read_scanlines(&info, rows, 1) != 1 || errors.damaged)
            break;
        for (size_t x = 0; kSwapRedBlue && x < rowBytes; x += 3) {
            const uint8_t red = row[x];
            row[x] = row[x + 2];
            row[x + 2] = red;
        }
    }
}

// The pixel block for the picture, or false (nothing allocated) when memory runs out.
bool Allocate(size_t size, DecodedPicture* out) {
    try {
        out->pixels.assign(size, 0);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

bool DecodeJpeg(const uint8_t* bytes, size_t length, DecodedPicture* out) {
    if (!bytes || length < 4)
        return false;
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = ExitToDecoder;
    errors.base.emit_message = NoteMessage;
    // Everything that must survive the jump lives in `out` or is re-read from `info`.
    if (setjmp(errors.exit)) {
        jpeg_destroy_decompress(&info);
        out->pixels.clear();
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<uint8_t*>(bytes), static_cast<unsigned long>(length));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = kOutputSpace;  // greyscale is widened to colour
    // Limited as the 32-bit bitmap it is drawn from; the block itself has 3 bytes a pixel.
    size_t size = 0;
    if (!PictureBytes(info.image_width, info.image_height, 4, &size) || !Allocate(size / 4 * 3, out)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    ReadRows(info, errors, out->pixels.data());
    // A file cut short is refused: libjpeg would pad it with grey and only warn. What follows
    // the last row (a missing end marker) no longer matters.
    const bool complete = info.output_scanline == info.output_height && !errors.damaged;
    if (complete)
        jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (!complete) {
        out->pixels.clear();
        return false;
    }
    out->kind = kPictureJpeg;
    out->width = static_cast<int32_t>(info.output_width);
    out->height = static_cast<int32_t>(info.output_height);
    return true;
}
