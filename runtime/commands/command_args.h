// Reading a command's argument records. Compiled code always passes every declared argument,
// but a short array is read as if the missing records were omitted (three zero words).
#pragma once

#include <cstdint>
#include <cstring>

#include "runtime/core/cmd_frame.h"

// RuntimeCallback request codes the commands use (named apart from the units' own list, which
// a file may include next to this one).
constexpr int32_t kCallbackFindObject = 2006;  // WindowId, UnitId (0: the window) -> object or 0
constexpr int32_t kCallbackAllocate = 2024;    // size, mode (0: fatal on failure) -> pointer

// Argument `index` (from 0), or an omitted record when the array is shorter.
inline CmdArg ArgumentAt(int32_t count, const CmdArg* args, int32_t index)
{
    if (!args || index < 0 || index >= count)
        return CmdArg{0, 0, kTagOmitted};
    return args[index];
}

inline bool IsGiven(const CmdArg& arg) { return arg.tag != kTagOmitted; }

// The text an argument carries, or null when it is omitted, not a text, or the null text.
// Reading a number's value word as an address would touch arbitrary memory.
inline const char* TextOf(const CmdArg& arg)
{
    return arg.tag == kTagText ? reinterpret_cast<const char*>(static_cast<uintptr_t>(arg.value))
                               : nullptr;
}

// The double held in a record's two words (low half first), as reals and date-times carry it.
inline double DoubleOf(const CmdArg& arg)
{
    const uint64_t bits = (static_cast<uint64_t>(arg.second) << 32) | arg.value;
    double number;
    std::memcpy(&number, &bits, sizeof(number));
    return number;
}
