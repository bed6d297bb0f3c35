// Value to text: numbers, logicals and date-times as the display texts the runtime shows.
// Reals are formatted here rather than by the C library so that every build prints what the
// Windows C runtime prints: three-digit exponents, ties rounded away from zero, "1.#INF".
#include "runtime/commands/value_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A text being built; cut short at its capacity, which no output of this module reaches.
class TextOut {
public:
    void put(char c)
    {
        if (length_ + 1 < sizeof(text_))
            text_[length_++] = c;
    }
    void put(const char* s)
    {
        while (*s)
            put(*s++);
    }
    // Appends what a printf-style format gives; every format used here has a bounded output.
    template <typename... Args>
    void print(const char* format, Args... args)
    {
        char piece[kValueTextSize];
        std::snprintf(piece, sizeof(piece), format, args...);
        put(piece);
    }
    // Copies the text with its terminator, cut to fit; returns the length copied.
    size_t copyTo(char* buffer, size_t size) const
    {
        if (size == 0)
            return 0;
        size_t n = length_ < size - 1 ? length_ : size - 1;
        std::memcpy(buffer, text_, n);
        buffer[n] = '\0';
        return n;
    }

private:
    char text_[kValueTextSize];
    size_t length_ = 0;
};

// ---- Reals in the Windows C runtime's "%.Ng" form -----------------------------------------

// A double's exact decimal expansion has at most 767 significant digits, so asking for more
// gives every digit as it is, none of them rounded. The C library's own conversion does it (the
// MinGW one, not the system's, which stops after 17 digits); the shortest-form conversion of
// <charconv> would bring 180 KB of tables into every program for the same digits.
#if defined(_WIN32) && !(defined(__USE_MINGW_ANSI_STDIO) && __USE_MINGW_ANSI_STDIO)
#error "exact digits need the MinGW printf"
#endif
constexpr int kExactDigits = 780;

// The first digits of a finite double, rounded; exponent is the power of ten of digits[0].
struct RoundedDecimal {
    char digits[24];  // precision + 1 digits while rounding, at most 18
    int count;        // significant digits kept, trailing zeros dropped, at least 1
    int exponent;
    bool negative;
};

// Adds one to the last of count digits; true when the carry ran out of the front, so that
// 9.99... became 10.0... (the digits then read 1 0 0...).
bool CarryUp(char* digits, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    digits[0] = '1';
    return true;
}

// Rounds half away from zero on the exact value, as the Windows C runtime does ("%.2g" of
// 0.125 is "0.13" there, "0.12" with round-half-even libraries).
RoundedDecimal RoundToDigits(double value, int precision)
{
    char exact[kExactDigits + 16];  // "-d." digits "e-324"
    std::snprintf(exact, sizeof(exact), "%.*e", kExactDigits, value);
    RoundedDecimal r{};
    const char* p = exact;
    r.negative = (*p == '-');
    p += r.negative;
    r.digits[0] = p[0];  // "d.ddd...e+XX"
    std::memcpy(r.digits + 1, p + 2, precision);
    r.exponent = std::atoi(std::strchr(p, 'e') + 1);
    if (r.digits[precision] >= '5' && CarryUp(r.digits, precision))
        ++r.exponent;
    r.count = precision;
    while (r.count > 1 && r.digits[r.count - 1] == '0')
        --r.count;
    return r;
}

void PutExponent(int exponent, TextOut& out)
{
    out.put('e');
    out.put(exponent < 0 ? '-' : '+');
    out.print("%03d", exponent < 0 ? -exponent : exponent);
}

void PutScientific(const RoundedDecimal& r, TextOut& out)
{
    out.put(r.digits[0]);
    if (r.count > 1) {
        out.put('.');
        for (int i = 1; i < r.count; ++i)
            out.put(r.digits[i]);
    }
    PutExponent(r.exponent, out);
}

void PutFixed(const RoundedDecimal& r, TextOut& out)
{
    if (r.exponent < 0) {
        out.put("0.");
        for (int i = -1; i > r.exponent; --i)
            out.put('0');
        for (int i = 0; i < r.count; ++i)
            out.put(r.digits[i]);
        return;
    }
    for (int i = 0; i <= r.exponent; ++i)
        out.put(i < r.count ? r.digits[i] : '0');
    if (r.count > r.exponent + 1) {
        out.put('.');
        for (int i = r.exponent + 1; i < r.count; ++i)
            out.put(r.digits[i]);
    }
}

// The Windows C runtime's spellings; its NaN text depends only on the sign.
void PutNonFinite(double value, TextOut& out)
{
    if (std::isinf(value))
        out.put(value < 0 ? "-1.#INF" : "1.#INF");
    else
        out.put(std::signbit(value) ? "-1.#IND" : "1.#QNAN");
}

// "%.<precision>g" with at least three exponent digits; precision is at most 17.
void PutGeneral(double value, int precision, TextOut& out)
{
    if (!std::isfinite(value)) {
        PutNonFinite(value, out);
        return;
    }
    RoundedDecimal r = RoundToDigits(value, precision);
    if (r.negative)
        out.put('-');
    if (r.exponent < -4 || r.exponent >= precision)
        PutScientific(r, out);
    else
        PutFixed(r, out);
}

// ---- Single-precision rounding ------------------------------------------------------------

constexpr double kLog10Of2 = 0.30102999566398119521;

// 10^0 .. 10^38, each the nearest double; a single's decimal exponent never goes further.
static const double kPowersOfTen[] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12,
    1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22, 1e23, 1e24, 1e25,
    1e26, 1e27, 1e28, 1e29, 1e30, 1e31, 1e32, 1e33, 1e34, 1e35, 1e36, 1e37, 1e38,
};

// The binary exponent of a single, taken as a signed byte: exponent byte 0 (zero, denormals)
// gives -127 and 255 (infinity, NaN) gives -128, so the power of ten stays within the table.
int SingleExponent(uint32_t bits)
{
    int e = static_cast<int>((bits >> 23) & 0xFF) - 127;
    return e > 127 ? e - 256 : e;
}

// Rounds a single to six significant digits in double arithmetic, so that its binary noise
// (0.1f is 0.100000001...) is gone before the value is printed with six digits.
double RoundSingle(uint32_t bits)
{
    float x;
    std::memcpy(&x, &bits, sizeof(x));
    int d = static_cast<int>(SingleExponent(bits) * kLog10Of2);
    double p = kPowersOfTen[d < 0 ? -d : d];
    double ax = std::fabs(static_cast<double>(x));
    double y = d > 0 ? ax / p : ax * p;
    if (y >= 10) {  // the exponent guessed one decade low
        p *= 10;
        ++d;
        y *= 10000;
    } else if (y >= 1) {
        y *= 100000;
    } else {  // one decade high (only for negative or zero exponents)
        p *= 10;
        --d;
        y *= 1000000;
    }
    double n = std::floor(y);
    if (y - n >= 0.5)
        n += 1;
    // A negative denormal that rounds away entirely would otherwise come out as "-0".
    if (n == 0)
        return 0.0;
    double s = x < 0 ? -1.0 : 1.0;
    return d > 0 ? n * (s * p) * 0.00001 : n / (s * p * 100000);
}

// ---- Numbers by type tag ------------------------------------------------------------------

uint64_t BothWords(const CmdArg& v)
{
    return (static_cast<uint64_t>(v.second) << 32) | v.value;
}

double DoubleOf(const CmdArg& v)
{
    uint64_t bits = BothWords(v);
    double d;
    std::memcpy(&d, &bits, sizeof(d));
    return d;
}

void PutByte(const CmdArg& v, TextOut& out)
{
    out.print("%u", static_cast<unsigned>(v.value & 0xFF));
}

void PutShort(const CmdArg& v, TextOut& out)
{
    out.print("%d", static_cast<int>(static_cast<int16_t>(v.value & 0xFFFF)));
}

void PutInteger(const CmdArg& v, TextOut& out)
{
    out.print("%d", static_cast<int>(static_cast<int32_t>(v.value)));
}

void PutLong(const CmdArg& v, TextOut& out)
{
    char text[24];
    auto end = std::to_chars(text, text + sizeof(text) - 1,
                             static_cast<int64_t>(BothWords(v))).ptr;
    *end = '\0';
    out.put(text);
}

void PutSingle(const CmdArg& v, TextOut& out)
{
    PutGeneral(RoundSingle(v.value), 6, out);
}

void PutDouble(const CmdArg& v, TextOut& out)
{
    PutGeneral(DoubleOf(v), 13, out);
}

struct NumberWriter {
    uint32_t tag;
    void (*put)(const CmdArg&, TextOut&);
};

static const NumberWriter kNumberWriters[] = {
    {kTagByte, PutByte},        // "%u" of the low 8 bits
    {kTagShort, PutShort},      // "%d" of the sign-extended low 16 bits
    {kTagInteger, PutInteger},  // "%d"
    {kTagLong, PutLong},        // signed decimal of both words
    {kTagSingle, PutSingle},    // six digits after rounding the binary noise away
    {kTagDouble, PutDouble},    // "%.13g"
};

const NumberWriter* FindNumberWriter(uint32_t tag)
{
    for (const NumberWriter& w : kNumberWriters)
        if (w.tag == tag)
            return &w;
    return nullptr;
}

// ---- Date-times ---------------------------------------------------------------------------

constexpr double kFirstDay = -657434.0;  // 1 January 100
constexpr double kLastDay = 2958465.0;   // 31 December 9999
constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kDaysFrom1899To1970 = 25569;

struct CivilDate {
    int year, month, day;
};

// Proleptic Gregorian date of a day number counted from 1 January 1970 (era arithmetic over
// 400-year cycles, years starting in March so that the leap day comes last).
CivilDate CivilFromDays(int64_t z)
{
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    int year = static_cast<int>(yoe + era * 400 + (month <= 2));
    return {year, month, day};
}

// Day counts split the OLE Automation way: the whole part (toward zero) is the day, and the
// fraction's magnitude the time, so -1.25 is 29 December 1899 at six o'clock.
int64_t RoundedSeconds(double days)
{
    if (std::isnan(days))  // no date at all; show the epoch rather than garbage
        days = 0.0;
    days = days < kFirstDay ? kFirstDay : days > kLastDay ? kLastDay : days;
    return static_cast<int64_t>(std::round(days * kSecondsPerDay));
}

// A number followed by its unit word. The GBK words stay out of printf formats on purpose:
// no C library then has to scan multibyte text in a format string.
void PutCount(int count, const char* unit, TextOut& out)
{
    out.print("%d", count);
    out.put(unit);
}

// Hours, minutes, seconds; the time is written down to its last non-zero part only.
static const char* const kTimeUnits[] = {
    "时",  // hour
    "分",  // minute
    "秒",  // second
};

void PutTimeOfDay(int64_t seconds, TextOut& out)
{
    const int parts[] = {static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                         static_cast<int>(seconds % 60)};
    int shown = parts[2] != 0 ? 3 : parts[1] != 0 ? 2 : parts[0] != 0 ? 1 : 0;
    for (int i = 0; i < shown; ++i)
        PutCount(parts[i], kTimeUnits[i], out);
}

}  // namespace

TagCategory TypeTagCategory(uint32_t tag)
{
    if (tag == 0)
        return kCategoryNone;
    switch (tag >> 30) {
    case 2:
        return kCategoryBasic;
    case 1:
        return kCategory01;
    default:
        return kCategoryOther;
    }
}

// The bit rule (basic, low byte 0x01) would also pass kinds that have no number type; those
// must not reach ValueToText, which could then only write nothing.
bool IsNumericTag(uint32_t tag)
{
    return TypeTagCategory(tag) == kCategoryBasic && (tag & 0xFF) == 0x01 &&
           FindNumberWriter(tag) != nullptr;
}

size_t ValueToText(const CmdArg& value, char* buffer, size_t size)
{
    const NumberWriter* writer = FindNumberWriter(value.tag);
    if (writer == nullptr)
        return 0;
    TextOut out;
    writer->put(value, out);
    return out.copyTo(buffer, size);
}

size_t LogicalToText(uint32_t flag, char* buffer, size_t size)
{
    TextOut out;
    out.put(flag != 0 ? "真" : "假");
    return size == 0 ? 0 : out.copyTo(buffer, size) + 1;
}

size_t DateTimeToText(double days, char* buffer, size_t size)
{
    int64_t seconds = RoundedSeconds(days);
    CivilDate date = CivilFromDays(seconds / kSecondsPerDay - kDaysFrom1899To1970);
    TextOut out;
    PutCount(date.year, "年", out);
    PutCount(date.month, "月", out);
    PutCount(date.day, "日", out);
    PutTimeOfDay(seconds < 0 ? -(seconds % kSecondsPerDay) : seconds % kSecondsPerDay, out);
    return out.copyTo(buffer, size);
}

size_t IntegerToText(int32_t value, char* buffer, size_t size)
{
    TextOut out;
    out.print("%d", static_cast<int>(value));
    return out.copyTo(buffer, size);
}
