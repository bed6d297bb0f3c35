#include "runtime/image/mouse_pointer.h"

#include <cstring>

namespace {

// Program cursor number -> system cursor; number 0 is the default cursor.
const uint32_t kSystemCursors[] = {
    0,      // 0 default
    32512,  // 1 arrow
    32515,  // 2 cross
    32513,  // 3 I-beam
    32646,  // 4 four-way arrows
    32643,  // 5 north-east/south-west arrows
    32645,  // 6 north/south arrows
    32642,  // 7 north-west/south-east arrows
    32644,  // 8 west/east arrows
    32516,  // 9 up arrow
    32514,  // 10 hourglass
    32648,  // 11 no
    32650,  // 12 arrow with hourglass
    32651,  // 13 arrow with question mark
    32649,  // 14 hand
};
constexpr uint32_t kCursorCount = sizeof(kSystemCursors) / sizeof(kSystemCursors[0]);

uint32_t FirstWord(const std::vector<uint8_t>& data)
{
    uint32_t v = 0;
    std::memcpy(&v, data.data(), 4);
    return v;
}

void SetFirstWord(std::vector<uint8_t>& data, uint32_t v) { std::memcpy(data.data(), &v, 4); }

}  // namespace

void PointerDataToSystem(std::vector<uint8_t>& data)
{
    if (data.size() < 4)
        return;
    const uint32_t number = FirstWord(data);
    if (number < kCursorCount)
        SetFirstWord(data, kSystemCursors[number]);
}

void PointerDataToProgram(std::vector<uint8_t>& data)
{
    if (data.size() < 4)
        return;
    const uint32_t system = FirstWord(data);
    for (uint32_t number = 1; number < kCursorCount; ++number) {
        if (kSystemCursors[number] == system) {
            SetFirstWord(data, number);
            return;
        }
    }
}

HCURSOR MakeMousePointerCursor(const std::vector<uint8_t>& data)
{
    if (data.size() < 4)
        return nullptr;
    const uint32_t system = FirstWord(data);
    for (uint32_t number = 1; number < kCursorCount; ++number) {
        if (kSystemCursors[number] == system)
            return LoadCursorA(nullptr, MAKEINTRESOURCEA(system));
    }
    return nullptr;  // custom cursor pictures belong to the picture facility
}

void DestroyMouseCursor(HCURSOR)
{
    // System cursors are shared and never destroyed.
}
