# cmake -DIN=file -DOUT=file.cpp -DNAME=symbol -P embed.cmake
# Writes the file's bytes as `extern "C" const uint8_t NAME[]` and `NAMESize`.
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUT}" "// ${IN} as bytes, written by the build.\n#include <cstdint>\n\n"
  "extern \"C\" const uint8_t ${NAME}[] = {\n    ${bytes}\n};\n"
  "extern \"C\" const uint32_t ${NAME}Size = ${size};\n")
