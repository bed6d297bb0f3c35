// Reading a command's argument records. Compiled code always passes every declared argument,
// but a short array is read as if the missing records were omitted (three zero words).
#pragma once

#include <cstdint>

#include "runtime/core/cmd_frame.h"

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
double DoubleOf(const CmdArg& arg);
