// ButtonData: the stored-data record of the button unit (portable, so that its loader is fuzzed
// natively).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/units/unit_data.h"

constexpr uint32_t kButtonStoredVersion = 1;

class ButtonData : public UnitData {
public:
    std::vector<uint8_t> picture;
    int32_t defaultButton = 0;
    std::string caption;
    int32_t horizontalAlignment = 1;
    int32_t verticalAlignment = 1;
    std::vector<uint8_t> font;

    void Reset() override;
    int Serialize(CArchive& archive) override;
    void ForEachText(UnitTextVisitor& visitor) override;
};
