// Index key order; see index_keys.h.
#include "runtime/database/index_keys.h"

#include "runtime/core/byte_reader.h"

#include <climits>
#include <cmath>

namespace {

template <typename T>
int Order(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Reals: a NaN is smaller than every number and equal to another NaN, so the order stays a
// total order that an index tree can rely on.
int RealOrder(double a, double b)
{
    const bool aNan = std::isnan(a);
    const bool bNan = std::isnan(b);
    if (aNan || bNan)
        return aNan && bNan ? 0 : (aNan ? -1 : 1);
    return Order(a, b);
}

// An OLE Automation date counts days from 30 December 1899; below zero the fraction still runs
// forward within the day (-1.25 is 29 December 06:00, later than -1.0). As a point in time that
// is the day's whole number plus the fraction's magnitude.
double DateTimeLine(double date)
{
    if (std::isnan(date) || date >= 0)
        return date;
    const double day = std::trunc(date);
    return day + (day - date);
}

// One character unit of a text part: a double-byte character as lead byte * 256 + trail.
unsigned TextUnit(const uint8_t* text, uint32_t size, uint32_t* pos)
{
    const uint8_t first = text[(*pos)++];
    if (IsCodePageLeadByte(first) && *pos < size && text[*pos] != 0)
        return first * 256u + text[(*pos)++];
    return first;
}

int TextOrder(const uint8_t* a, const uint8_t* b, uint32_t size)
{
    uint32_t pa = 0;
    uint32_t pb = 0;
    for (;;) {
        const bool aEnd = pa >= size || a[pa] == 0;
        const bool bEnd = pb >= size || b[pb] == 0;
        if (aEnd || bEnd)
            return aEnd && bEnd ? 0 : (aEnd ? -1 : 1);
        const int order = Order(TextUnit(a, size, &pa), TextUnit(b, size, &pb));
        if (order != 0)
            return order;
    }
}

int PartOrder(int32_t type, ByteReader& a, ByteReader& b)
{
    switch (type) {
    case kKeyByte: return Order(a.u8(), b.u8());
    case kKeyShort: return Order(static_cast<int16_t>(a.u16()), static_cast<int16_t>(b.u16()));
    case kKeyInt: return Order(a.i32(), b.i32());
    case kKeyLong: return Order(static_cast<int64_t>(a.u64()), static_cast<int64_t>(b.u64()));
    case kKeyFloat: return RealOrder(a.f32(), b.f32());
    case kKeyDouble: return RealOrder(a.f64(), b.f64());
    case kKeyLogical: return Order(a.u8() != 0, b.u8() != 0);
    case kKeyDateTime: return RealOrder(DateTimeLine(a.f64()), DateTimeLine(b.f64()));
    case kKeyUnsigned: return Order(a.u32(), b.u32());
    default: {
        const uint32_t size = KeyPartSize(type);
        const uint8_t* ta = a.view(size);
        const uint8_t* tb = b.view(size);
        return ta && tb ? TextOrder(ta, tb, size) : 0;
    }
    }
}

}  // namespace

bool IsCodePageLeadByte(uint8_t byte) { return byte >= 0x81 && byte <= 0xFE; }

uint32_t KeyPartSize(int32_t type)
{
    // Codes come from index files: every value of the word is checked before it is used.
    static const uint8_t kSizes[] = {0, 1, 2, 4, 8, 4, 8, 1, 8, 4};  // by type code 0 to 9
    if (type == INT32_MIN)
        return 0;
    if (type < 0)
        return static_cast<uint32_t>(-type);
    return type < static_cast<int32_t>(sizeof kSizes) ? kSizes[type] : 0;
}

uint32_t KeySize(const int32_t* types, size_t count)
{
    uint64_t total = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t size = KeyPartSize(types[i]);
        if (size == 0)
            return 0;
        total += size;
    }
    return total <= UINT32_MAX ? static_cast<uint32_t>(total) : 0;
}

int CompareIndexKeys(const uint8_t* left, const uint8_t* right, const int32_t* types, size_t count)
{
    // The parts before the first invalid code are all that is compared.
    size_t valid = 0;
    uint64_t size = 0;
    for (; valid < count && KeyPartSize(types[valid]) != 0; ++valid)
        size += KeyPartSize(types[valid]);
    ByteReader a(left, static_cast<size_t>(size));
    ByteReader b(right, static_cast<size_t>(size));
    for (size_t i = 0; i < valid; ++i) {
        const int order = PartOrder(types[i], a, b);
        if (order != 0)
            return order;
    }
    return 0;
}
