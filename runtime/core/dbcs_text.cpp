#include "runtime/core/dbcs_text.h"

#include <windows.h>

namespace {

// The width in bytes of the character at `p`: a lead byte followed by the end is one byte.
size_t Width(const char* p)
{
    return IsDBCSLeadByte(static_cast<BYTE>(p[0])) && p[1] ? 2 : 1;
}

}  // namespace

size_t WholeCharacterPrefix(const char* text, size_t limit)
{
    size_t at = 0;
    while (text && text[at]) {
        const size_t width = Width(text + at);
        if (at + width > limit)
            break;
        at += width;
    }
    return at;
}

size_t LastCharacter(const std::string& text, char c)
{
    size_t found = std::string::npos;
    for (size_t at = 0; at < text.size(); at += Width(text.c_str() + at)) {
        if (text[at] == c)
            found = at;
    }
    return found;
}
