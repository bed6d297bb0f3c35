// The stored-data record every unit kind has, and its loading from a stored-data block. This is
// what reads the untrusted bytes of a program image for a unit, so it is portable: it is built
// and fuzzed natively as well.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/framework/archive.h"

// A stored colour that stands for the system's button face, looked up whenever it is used.
constexpr uint32_t kSystemDefaultColour = 0xFF000000;

// Lets a data record show its texts and font blocks to whoever converts them, without the
// converter knowing the record's layout.
class UnitTextVisitor {
public:
    virtual void VisitText(std::string& text) = 0;
    virtual void VisitFontBlock(std::vector<uint8_t>& block) = 0;

protected:
    ~UnitTextVisitor() = default;
};

// The stored-data record of a unit kind. The kind's record lists its fields in Serialize in
// their stored order and reads later-version fields only when the stored version has them.
class UnitData {
public:
    virtual ~UnitData() = default;

    // Every field to its default.
    virtual void Reset() = 0;
    // Loads or stores every field; 1 on success, 0 on failure (a version newer than the kind's
    // own, a block that ends early). The base only resets before a load.
    virtual int Serialize(CArchive& archive);
    // Shows every stored text and every font block to the visitor, in stored order.
    virtual void ForEachText(UnitTextVisitor& visitor);

protected:
    UnitData() = default;
    UnitData(const UnitData&) = default;
    UnitData& operator=(const UnitData&) = default;
};

// Reads the leading version word; false (and the archive left failed) when it is newer than
// `ownVersion`, which the unit cannot understand.
bool ReadStoredVersion(CArchive& archive, uint32_t ownVersion, uint32_t* stored);

// Resets the record, then loads it from the block; an absent or empty block leaves the defaults.
bool LoadStoredData(UnitData& record, const uint8_t* data, int32_t size);
