// Text and argument routines compiled into every program.
#include "runtime/core/program_support.h"

#include <cassert>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

ProgramAllocFunction g_alloc = nullptr;

}  // namespace

void SetProgramAllocator(ProgramAllocFunction alloc)
{
    g_alloc = alloc;
}

uint32_t TextLength(const char* text)
{
    return text ? static_cast<uint32_t>(std::strlen(text)) : 0;
}

char* TextJoin(int count, ...)
{
    // The allocation size is a signed 32-bit value: a total that does not fit would reach the
    // heap as a wrapped size and the copies would run past the block, so it ends here instead.
    uint64_t total = 0;
    va_list args;
    va_start(args, count);
    for (int i = 0; i < count; ++i)
        total += TextLength(va_arg(args, const char*));
    va_end(args);
    if (total + 1 > static_cast<uint64_t>(INT32_MAX) || !g_alloc)
        std::abort();

    char* joined = static_cast<char*>(g_alloc(static_cast<int32_t>(total + 1)));
    if (!joined)
        return nullptr;  // null is the empty text; the runtime's service never gets here
    char* end = joined;
    va_start(args, count);
    for (int i = 0; i < count; ++i) {
        const char* text = va_arg(args, const char*);
        const uint32_t length = TextLength(text);
        if (length)
            std::memcpy(end, text, length);
        end += length;
    }
    va_end(args);
    *end = '\0';
    return joined;
}

int TextCompare(const char* a, const char* b)
{
    if (!a)
        return !b || !*b ? 0 : -1;
    if (!b)
        return *a ? 1 : 0;
    const int order = std::strcmp(a, b);  // strcmp compares as unsigned char
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

CmdArg* PushOmittedArgs(CmdArg* at, int words)
{
    assert(words % kWordsPerArg == 0);
    if (words <= 0)
        return at;
    std::memset(at, 0, static_cast<size_t>(words) * sizeof(uint32_t));
    return at + words / kWordsPerArg;
}
