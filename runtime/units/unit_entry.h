// What the entry functions and type records of the unit kinds share: the operation table an
// entry function searches, the eight common property descriptors, and the value forms with
// which PropertyChanged and GetProperty exchange texts and blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/image/image_records.h"

// One operation an entry function hands out.
struct UnitOperationRow {
    int32_t operation;
    void* entry;
};

template <size_t N>
void* FindUnitOperation(const UnitOperationRow (&rows)[N], int32_t operation) {
    for (const UnitOperationRow& row : rows) {
        if (row.operation == operation)
            return row.entry;
    }
    return nullptr;
}

template <class Fn>
void* UnitOperationEntry(Fn fn) {
    return reinterpret_cast<void*>(fn);
}

// The common properties 0 to 7, served by the property service for every kind (flag word
// 0xE000); a kind's own descriptors follow them. Expands to GBK names in a GBK source.
#define TAVORI_COMMON_PROPERTY_DESCRIPTORS                             \
    {"左边", "Left", nullptr, 1001, 0xE000, nullptr},                   \
    {"顶边", "Top", nullptr, 1001, 0xE000, nullptr},                    \
    {"宽度", "Width", nullptr, 1001, 0xE000, nullptr},                  \
    {"高度", "Height", nullptr, 1001, 0xE000, nullptr},                 \
    {"标记", "Tag", nullptr, 1005, 0xE000, nullptr},                    \
    {"可视", "Visible", nullptr, 1003, 0xE000, nullptr},                \
    {"禁止", "Disabled", nullptr, 1003, 0xE000, nullptr},               \
    {"鼠标指针", "MousePointer", nullptr, 1011, 0xE000, nullptr}

constexpr int32_t kCommonPropertyCount = 8;

// ---- Value forms ----

inline uint32_t UnitWord(const void* pointer) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}

// A text value: a pointer to a terminated text; null is the empty text.
inline std::string UnitTextValue(const uint32_t* value) {
    const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(value[0]));
    return text ? std::string(text) : std::string();
}

// A block value: data pointer then length; a null pointer or a length of 0 or less is empty.
inline std::vector<uint8_t> UnitBlockValue(const uint32_t* value) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(value[0]));
    const int32_t length = static_cast<int32_t>(value[1]);
    if (!data || length <= 0)
        return {};
    return std::vector<uint8_t>(data, data + length);
}

// Hands out a block the unit keeps owning: pointer 0 and length 0 when empty.
inline void PutUnitBlock(const std::vector<uint8_t>& block, uint32_t* value) {
    value[0] = block.empty() ? 0 : UnitWord(block.data());
    value[1] = static_cast<uint32_t>(block.size());
}

// A choice written as a number outside 0..highest is limited to that range.
inline int32_t LimitChoice(uint32_t word, int32_t highest) {
    const int32_t value = static_cast<int32_t>(word);
    return value < 0 ? 0 : value > highest ? highest : value;
}
