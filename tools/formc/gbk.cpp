// UTF-8 and GBK through iconv; see gbk.h.
#include "tools/formc/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

namespace {

// One conversion of a whole text; false on any invalid or unconvertible input.
bool Convert(const char* to, const char* from, const std::string& in, std::string* out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out->clear();
    std::string src = in;
    char* inPtr = src.empty() ? nullptr : &src[0];
    size_t inLeft = src.size();
    bool ok = true;
    while (inLeft > 0) {
        char buffer[256];
        char* outPtr = buffer;
        size_t outLeft = sizeof(buffer);
        size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out->append(buffer, sizeof(buffer) - outLeft);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    return ok;
}

size_t Utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

}  // namespace

bool Utf8ToGbk(const std::string& utf8, std::string* gbk, std::string* error) {
    if (Convert("GBK", "UTF-8", utf8, gbk))
        return true;
    // Find the first character that fails, for the message.
    for (size_t i = 0; i < utf8.size();) {
        size_t n = Utf8Length(static_cast<unsigned char>(utf8[i]));
        std::string one = utf8.substr(i, n), converted;
        if (!Convert("GBK", "UTF-8", one, &converted)) {
            *error = "\"" + one + "\" (byte " + std::to_string(i) + ") has no GBK form";
            return false;
        }
        i += n;
    }
    *error = "the text cannot be converted to GBK";
    return false;
}

std::string GbkToUtf8Escaped(const std::string& gbk, std::string (*escape)(unsigned char)) {
    std::string out;
    for (size_t i = 0; i < gbk.size();) {
        unsigned char c = static_cast<unsigned char>(gbk[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < gbk.size()) {
            std::string pair = gbk.substr(i, 2), utf8, back;
            // Kept only when it converts back to the same two bytes: the printed form must
            // compile to exactly what was read.
            if (Convert("UTF-8", "GBK", pair, &utf8) && Convert("GBK", "UTF-8", utf8, &back) && back == pair) {
                out += utf8;
                i += 2;
                continue;
            }
        }
        out += escape(c);
        ++i;
    }
    return out;
}
