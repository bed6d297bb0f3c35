#!/usr/bin/env bash
# Picture decoding benchmark (natively, optimised, no sanitizers): generates a 1600x1200 picture
# with ImageMagick in every format and bit depth the decoders handle, then times our decoders
# against stb_image (BMP, GIF) and against libpng and libjpeg called directly (PNG, JPEG).
# Prints milliseconds per decode and the ratio ours/other (below 1: ours is faster).
#   scripts/picture-bench.sh
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$top/build/picture-bench"
mkdir -p "$out"
cd "$top"
sources="runtime/core/byte_reader.cpp runtime/core/byte_writer.cpp runtime/pictures/decoded_picture.cpp
  runtime/pictures/picture_kind.cpp runtime/pictures/bmp_decoder.cpp runtime/pictures/gif_decoder.cpp
  runtime/pictures/pcx_decoder.cpp runtime/pictures/png_decoder.cpp runtime/pictures/jpeg_decoder.cpp
  runtime/pictures/picture_decode.cpp"
# shellcheck disable=SC2086
g++ -std=c++17 -O2 -DNDEBUG -I"$top" -w tests/bench/picture_bench.cpp $sources -lpng -ljpeg -o "$out/picture_bench"
cd "$out"
convert -seed 1 -size 1600x1200 plasma:fractal -blur 0x2 -depth 8 source.png
convert source.png -type truecolor bmp3:rgb24.bmp
convert source.png -colors 256 -type palette -compress none bmp3:palette8.bmp
convert source.png -colors 16 -type palette -compress none bmp3:palette4.bmp
convert source.png -colors 256 photo256.gif
convert source.png -colors 256 -interlace GIF photo256-interlaced.gif
convert source.png -colors 256 -type palette pcx:palette8.pcx
convert source.png -type truecolor pcx:rgb24.pcx
convert source.png PNG24:rgb8.png
convert source.png -alpha set -channel A -fx 'i/w' PNG32:rgba8.png
convert source.png -interlace PNG PNG24:rgb8-interlaced.png
convert source.png -quality 90 photo.jpg
convert source.png -colorspace gray -quality 90 grey.jpg
./picture_bench rgb24.bmp palette8.bmp palette4.bmp photo256.gif photo256-interlaced.gif palette8.pcx rgb24.pcx \
  rgb8.png rgba8.png rgb8-interlaced.png photo.jpg grey.jpg
