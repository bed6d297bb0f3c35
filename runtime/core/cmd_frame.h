// The command call frame: the 12-byte record in which a library command receives each argument
// and returns its result, and the type tags that say what such a record holds.
#pragma once

#include <cstdint>

// One argument of a library command; a command's result uses the same three words.
// Three zero words (tag 0) are an omitted argument.
struct CmdArg {
    uint32_t value;   // the value, a pointer for texts, or the low half of an 8-byte value
    uint32_t second;  // the high half of an 8-byte value, else 0
    uint32_t tag;     // one of the type tags below
};
static_assert(sizeof(CmdArg) == 12, "compiled code lays arguments out as three words");

using CmdResult = CmdArg;

constexpr uint32_t kTagOmitted = 0x00000000;    // no value
constexpr uint32_t kTagByte = 0x80000101;       // low 8 bits of the value word, unsigned
constexpr uint32_t kTagShort = 0x80000201;      // low 16 bits of the value word, signed
constexpr uint32_t kTagInteger = 0x80000301;    // the value word, signed
constexpr uint32_t kTagLong = 0x80000401;       // signed 64 bits, second word = high half
constexpr uint32_t kTagSingle = 0x80000501;     // IEEE 754 single in the value word
constexpr uint32_t kTagDouble = 0x80000601;     // IEEE 754 double, second word = high half
constexpr uint32_t kTagLogical = 0x80000002;    // value word, 0 = false, anything else = true
constexpr uint32_t kTagDateTime = 0x80000003;   // double of days since 30 December 1899
constexpr uint32_t kTagText = 0x80000004;       // pointer to a zero-terminated text, null = empty
constexpr uint32_t kTagWindowRef = 0x00010001;  // WindowId of one of the program's windows
