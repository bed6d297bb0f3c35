// The edit box's typing filter and its normalisation on leaving; see edit_input_modes.h.
#include "runtime/units/edit_input_modes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "runtime/commands/value_text.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Which characters each mode lets through besides the control characters.
enum CharacterSet { kAny, kDigits, kSignedDigits, kSignedDecimal };

const CharacterSet kModeCharacters[kInputModeCount] = {
    kAny,            // 0 plain text
    kAny,            // 1 read-only (the control refuses typing itself)
    kAny,            // 2 password
    kSignedDigits,   // 3 integer text
    kSignedDecimal,  // 4 decimal text
    kDigits,         // 5 byte: no sign, a byte is never negative
    kSignedDigits,   // 6 short integer
    kSignedDigits,   // 7 integer
    kSignedDigits,   // 8 long integer
    kSignedDecimal,  // 9 single-precision
    kSignedDecimal,  // 10 double-precision
    kAny,            // 11 date-time
};

int64_t Clamp(int64_t value, int64_t low, int64_t high) {
    return value < low ? low : value > high ? high : value;
}

std::string DecimalText(int64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    return text;
}

std::string RealText(uint32_t tag, uint32_t low, uint32_t high) {
    char text[kValueTextSize];
    CmdArg value{low, high, tag};
    ValueToText(value, text, sizeof text);
    return text;
}

// ---- Date-time ----

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1 January 1970 of a proleptic Gregorian date (the civil-date algorithm).
int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr int64_t kDaysFrom1899To1970 = 25569;

// Reads an unsigned decimal number of at most `maxDigits` digits at text[*at].
bool ReadNumber(const std::string& text, size_t* at, int maxDigits, int* out) {
    size_t start = *at;
    int value = 0;
    while (*at < text.size() && IsDigit(text[*at]) && static_cast<int>(*at - start) < maxDigits)
        value = value * 10 + (text[(*at)++] - '0');
    if (*at == start || (*at < text.size() && IsDigit(text[*at])))
        return false;
    *out = value;
    return true;
}

bool ReadWord(const std::string& text, size_t* at, const char* word) {
    size_t length = std::strlen(word);
    if (text.compare(*at, length, word) != 0)
        return false;
    *at += length;
    return true;
}

void SkipBlanks(const std::string& text, size_t* at) {
    while (*at < text.size() && IsBlank(text[*at]))
        ++*at;
}

// True when nothing but blanks is left.
bool AtEnd(const std::string& text, size_t at) {
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    return at == text.size();
}

struct DateTimeParts {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "Y年M月D日" and the optional "H时", "H时M分" or "H时M分S秒" after it.
bool ReadDisplayForm(const std::string& text, size_t* at, DateTimeParts& p) {
    if (!ReadNumber(text, at, 4, &p.year) || !ReadWord(text, at, "年") ||
        !ReadNumber(text, at, 2, &p.month) || !ReadWord(text, at, "月") ||
        !ReadNumber(text, at, 2, &p.day) || !ReadWord(text, at, "日"))
        return false;
    if (AtEnd(text, *at))
        return true;
    if (!ReadNumber(text, at, 2, &p.hour) || !ReadWord(text, at, "时"))
        return false;
    if (AtEnd(text, *at))
        return true;
    if (!ReadNumber(text, at, 2, &p.minute) || !ReadWord(text, at, "分"))
        return false;
    if (AtEnd(text, *at))
        return true;
    return ReadNumber(text, at, 2, &p.second) && ReadWord(text, at, "秒");
}

// "Y-M-D" or "Y/M/D", then optionally blanks and "H:M" or "H:M:S".
bool ReadNumericForm(const std::string& text, size_t* at, DateTimeParts& p) {
    if (!ReadNumber(text, at, 4, &p.year) || *at >= text.size())
        return false;
    const char separator = text[*at];
    if (separator != '-' && separator != '/')
        return false;
    ++*at;
    if (!ReadNumber(text, at, 2, &p.month) || *at >= text.size() || text[*at] != separator)
        return false;
    ++*at;
    if (!ReadNumber(text, at, 2, &p.day))
        return false;
    if (AtEnd(text, *at))
        return true;
    SkipBlanks(text, at);
    if (!ReadNumber(text, at, 2, &p.hour) || !ReadWord(text, at, ":") ||
        !ReadNumber(text, at, 2, &p.minute))
        return false;
    if (*at < text.size() && text[*at] == ':') {
        ++*at;
        if (!ReadNumber(text, at, 2, &p.second))
            return false;
    }
    return true;
}

bool IsValid(const DateTimeParts& p) {
    // The range of day counts DateTimeToText shows: 1 January 100 to 31 December 9999.
    return p.year >= 100 && p.year <= 9999 && p.month >= 1 && p.month <= 12 && p.day >= 1 &&
           p.day <= DaysInMonth(p.year, p.month) && p.hour <= 23 && p.minute <= 59 && p.second <= 59;
}

}  // namespace

bool InputModeAccepts(int32_t mode, uint32_t character) {
    if (character < 32)
        return true;
    const CharacterSet set = mode >= 0 && mode < kInputModeCount ? kModeCharacters[mode] : kAny;
    const bool digit = character >= '0' && character <= '9';
    switch (set) {
    case kDigits: return digit;
    case kSignedDigits: return digit || character == '-';
    case kSignedDecimal: return digit || character == '-' || character == '.';
    case kAny:
    default: return true;
    }
}

int64_t LeadingInteger(const std::string& text) {
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    // Accumulated as a negative number: its range holds the 64-bit minimum as well.
    const int64_t lowest = std::numeric_limits<int64_t>::min();
    int64_t value = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        const int digit = text[at] - '0';
        if (value < (lowest + digit) / 10) {
            value = lowest;
            while (at < text.size() && IsDigit(text[at]))
                ++at;
            break;
        }
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    return value == lowest ? std::numeric_limits<int64_t>::max() : -value;
}

double LeadingDecimal(const std::string& text) {
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    const size_t start = at;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        ++at;
    size_t digits = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at)
        ++digits;
    if (at < text.size() && text[at] == '.') {
        ++at;
        for (; at < text.size() && IsDigit(text[at]); ++at)
            ++digits;
    }
    if (digits == 0)
        return 0.0;
    size_t end = at;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        size_t e = at + 1;
        if (e < text.size() && (text[e] == '-' || text[e] == '+'))
            ++e;
        if (e < text.size() && IsDigit(text[e])) {
            while (e < text.size() && IsDigit(text[e]))
                ++e;
            end = e;
        }
    }
    // Only the checked prefix reaches strtod, so it cannot take hexadecimal or "inf".
    const std::string number = text.substr(start, end - start);
    return std::strtod(number.c_str(), nullptr);
}

bool ParseDateTimeText(const std::string& text, double* days) {
    size_t at = 0;
    SkipBlanks(text, &at);
    DateTimeParts parts;
    size_t display = at;
    size_t numeric = at;
    bool read = ReadDisplayForm(text, &display, parts);
    if (read) {
        at = display;
    } else {
        parts = DateTimeParts();
        read = ReadNumericForm(text, &numeric, parts);
        at = numeric;
    }
    SkipBlanks(text, &at);
    if (!read || at != text.size() || !IsValid(parts))
        return false;
    const int64_t day = DaysFromCivil(parts.year, parts.month, parts.day) + kDaysFrom1899To1970;
    const double time = (parts.hour * 3600 + parts.minute * 60 + parts.second) / 86400.0;
    // Before the epoch the whole part counts back and the fraction still counts forward in
    // the day, so the time is subtracted there.
    *days = day < 0 ? static_cast<double>(day) - time : static_cast<double>(day) + time;
    return true;
}

std::string NormaliseInput(int32_t mode, const std::string& text) {
    std::string result;
    switch (mode) {
    case kInputByte: result = DecimalText(Clamp(LeadingInteger(text), 0, 255)); break;
    case kInputShort: result = DecimalText(Clamp(LeadingInteger(text), -32768, 32767)); break;
    case kInputInteger:
        result = DecimalText(Clamp(LeadingInteger(text), std::numeric_limits<int32_t>::min(),
                                   std::numeric_limits<int32_t>::max()));
        break;
    case kInputLong: result = DecimalText(LeadingInteger(text)); break;
    case kInputSingle: {
        // "-0" reads as zero and empties the box like "0"; the sign of a zero is not kept. A
        // value beyond the single range stops at its largest value, as integers stop at theirs.
        constexpr double kLargest = std::numeric_limits<float>::max();
        const double real = std::min(std::max(LeadingDecimal(text), -kLargest), kLargest);
        const float single = static_cast<float>(real) + 0.0f;
        uint32_t bits;
        std::memcpy(&bits, &single, sizeof bits);
        result = RealText(kTagSingle, bits, 0);
        break;
    }
    case kInputDouble: {
        const double real = LeadingDecimal(text) + 0.0;
        uint64_t bits;
        std::memcpy(&bits, &real, sizeof bits);
        result = RealText(kTagDouble, static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32));
        break;
    }
    case kInputDateTime: {
        double days = 0;
        if (!ParseDateTimeText(text, &days) || days == 0.0)
            return std::string();
        char shown[kValueTextSize];
        DateTimeToText(days, shown, sizeof shown);
        return shown;
    }
    default: return text;
    }
    // A zero in a number mode shows as an empty box.
    return result == "0" ? std::string() : result;
}
