// The edit box's input modes without the control: which typed characters a mode lets through,
// and the text a mode makes of the content when the box loses the focus. Portable (no Win32
// header) so that every rule is tested natively as well; texts are ANSI bytes (GBK here).
#pragma once

#include <cstdint>
#include <string>

enum EditInputMode : int32_t {
    kInputPlain = 0,
    kInputReadOnly = 1,
    kInputPassword = 2,
    kInputIntegerText = 3,
    kInputDecimalText = 4,
    kInputByte = 5,
    kInputShort = 6,
    kInputInteger = 7,
    kInputLong = 8,
    kInputSingle = 9,
    kInputDouble = 10,
    kInputDateTime = 11,
};
constexpr int32_t kInputModeCount = 12;

// True when a typed character (one byte of WM_CHAR) may reach the control in this mode.
// Control characters (below 32) always pass; the filter looks at characters, not positions.
bool InputModeAccepts(int32_t mode, uint32_t character);

// The integer value of a text as the byte and short modes read it: leading blanks skipped, an
// optional sign, then the leading decimal digits; no digits read as 0. Saturates at the 64-bit
// limits instead of overflowing.
int64_t LeadingInteger(const std::string& text);

// The decimal number at the start of a text (blanks, sign, digits, point, exponent); 0 when
// there is none. Hexadecimal, "inf" and "nan" are not numbers here.
double LeadingDecimal(const std::string& text);

// Reads a date-time in the form DateTimeToText writes ("2000年1月1日18时1分30秒", the time
// part optional and cut after hours or minutes) or as "2000-1-1 18:01:30" / "2000/1/1";
// the result is days since 30 December 1899. False for anything else or an impossible date.
bool ParseDateTimeText(const std::string& text, double* days);

// The text the box holds after leaving it in this mode. Modes 0 to 4 return the text as it is.
std::string NormaliseInput(int32_t mode, const std::string& text);
