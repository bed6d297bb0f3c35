// TransLabelData: the stored-data record of the transparent label unit (portable, so that its
// loader is fuzzed natively).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/units/unit_data.h"

constexpr uint32_t kTransLabelStoredVersion = 1;

class TransLabelData : public UnitData {
public:
    std::string caption;
    int32_t effect = 0;
    std::vector<uint8_t> font;
    uint32_t textColour = 0;
    int32_t horizontalAlignment = 0;
    int32_t wordWrap = 0;
    int32_t verticalAlignment = 1;

    void Reset() override;
    int Serialize(CArchive& archive) override;
    void ForEachText(UnitTextVisitor& visitor) override;
};
