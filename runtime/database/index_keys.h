// The order of index keys. A key is the concatenation of its parts, one per key field, each
// stored as the field's type code says; keys are compared part by part, and the first unequal
// part decides.
#pragma once

#include <cstddef>
#include <cstdint>

// Field type codes of key parts; a negative code -n is a text part of n bytes.
enum IndexFieldType : int32_t {
    kKeyByte = 1,        // unsigned
    kKeyShort = 2,       // signed
    kKeyInt = 3,         // signed
    kKeyLong = 4,        // signed 64-bit
    kKeyFloat = 5,       // numeric, NaN first
    kKeyDouble = 6,      // numeric, NaN first
    kKeyLogical = 7,     // false before true (any non-zero byte)
    kKeyDateTime = 8,    // OLE Automation date, as points in time
    kKeyUnsigned = 9,    // 32-bit value, unsigned
};

// Bytes of a key part of this type; 0 for a code that is not a key field type.
uint32_t KeyPartSize(int32_t type);

// Bytes of a whole key; 0 when any part's code is invalid.
uint32_t KeySize(const int32_t* types, size_t count);

// 1 when `left` is greater, -1 when it is smaller, 0 when every part is equal. Both keys hold
// KeySize(types, count) bytes; a key description with an invalid code compares its parts up to
// that code only. Text parts compare by characters of the code page, a double-byte character as
// one unit.
int CompareIndexKeys(const uint8_t* left, const uint8_t* right, const int32_t* types, size_t count);

// Whether a byte starts a double-byte character in the system's code page (GBK: 0x81 to 0xFE).
bool IsCodePageLeadByte(uint8_t byte);
