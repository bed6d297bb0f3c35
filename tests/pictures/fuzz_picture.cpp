// libFuzzer target over one picture decoder, chosen at build time (scripts/fuzz.sh):
// PICTURE_DECODER names the decoder function, or PICTURE_ICON fuzzes the icon directory. A
// decoded picture is also turned into rows both ways, so that what a decoder promises about
// its pixel block is checked too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "runtime/pictures/bmp_decoder.h"
#include "runtime/pictures/gif_decoder.h"
#include "runtime/pictures/icon_directory.h"
#include "runtime/pictures/jpeg_decoder.h"
#include "runtime/pictures/pcx_decoder.h"
#include "runtime/pictures/picture_pixels.h"
#include "runtime/pictures/png_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
#ifdef PICTURE_ICON
    IconImage image;
    if (SelectIconImage(data, size, &image) && (image.offset > size || image.size > size - image.offset))
        std::abort();
#else
    DecodedPicture picture;
    // Pictures near the size limit are legal but slow to turn into rows: the decoder alone
    // is fuzzed for those.
    if (PICTURE_DECODER(data, size, &picture) && int64_t(picture.width) * picture.height <= (1 << 16)) {
        PixelImage plain, composed;
        if (!PicturePixels(picture, &plain) || !ComposePicture(picture, 0x00336699, &composed))
            std::abort();  // a decoder accepted what it could not describe
    }
#endif
    return 0;
}
