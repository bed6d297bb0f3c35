// EditBoxData: the stored-data record of the edit box unit (portable, so that its loader is
// fuzzed natively).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/units/unit_data.h"

constexpr uint32_t kEditBoxStoredVersion = 2;

class EditBoxData : public UnitData {
public:
    std::string content;
    int32_t border = 1;
    uint32_t textColour = 0;
    uint32_t backColour = 0xFFFFFF;
    std::vector<uint8_t> font;
    int32_t hideSelection = 1;
    int32_t maxLength = 0;
    int32_t multiLine = 0;
    int32_t scrollBars = 0;
    int32_t alignment = 0;
    int32_t inputMode = 0;
    uint16_t passwordChar = '*';
    int32_t letterCase = 0;
    int32_t adjuster = 0;
    int32_t adjusterLower = 0;
    int32_t adjusterUpper = 100;
    int32_t selectionStart = 0;
    int32_t selectionLength = 0;
    std::string dataSource;
    std::string dataColumn;

    void Reset() override;
    int Serialize(CArchive& archive) override;
    void ForEachText(UnitTextVisitor& visitor) override;
};
