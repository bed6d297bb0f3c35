// Value to text: the one way the runtime shows a basic value (a number, a logical, a date-time)
// as ANSI text, shared by the message box command and the edit box's typed input modes.
// Every function writes a zero-terminated text into the caller's buffer and never past `size`
// bytes; a buffer of kValueTextSize bytes holds every possible output untruncated.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/core/cmd_frame.h"

constexpr size_t kValueTextSize = 100;

// What the top two bits of a type tag say about the value it describes.
enum TagCategory : int {
    kCategoryNone = 0,   // tag 0: an omitted argument
    kCategoryBasic = 1,  // bits 31..30 = 10: a basic type (number, logical, date-time, text)
    kCategory01 = 2,     // bits 31..30 = 01
    kCategoryOther = 3,  // bits 31..30 = 00 with a non-zero tag, or 11
};

TagCategory TypeTagCategory(uint32_t tag);

// True for exactly the six number tags: byte, short, integer, long, single and double.
bool IsNumericTag(uint32_t tag);

// Writes the text of a numeric value and returns its length. A tag that is not numeric writes
// nothing (the buffer is left untouched) and returns 0.
size_t ValueToText(const CmdArg& value, char* buffer, size_t size);

// Writes "真" or "假" (GBK) and returns the bytes written, terminator included.
size_t LogicalToText(uint32_t flag, char* buffer, size_t size);

// Writes the date of a day count (days since 30 December 1899, the fraction being the time of
// day) and, when it is not midnight, the time; returns the length.
size_t DateTimeToText(double days, char* buffer, size_t size);

// Writes a plain integer in decimal and returns the length.
size_t IntegerToText(int32_t value, char* buffer, size_t size);
