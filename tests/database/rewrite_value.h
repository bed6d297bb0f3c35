// The two values db_lock_holder's rewrite mode writes by turns: four blocks, unequal in every byte.
#pragma once

#include <cstdint>
#include <vector>

inline std::vector<uint8_t> RewriteValue(int which)
{
    std::vector<uint8_t> value(2000);
    for (size_t i = 0; i < value.size(); ++i)
        value[i] = static_cast<uint8_t>(i * 7 + i / 500 + which * 101);
    return value;
}
