// The stored-data record's shared part; see unit_data.h.
#include "runtime/units/unit_data.h"

#include "runtime/framework/mem_file.h"

int UnitData::Serialize(CArchive& archive) {
    if (archive.IsLoading())
        Reset();
    return 1;
}

void UnitData::ForEachText(UnitTextVisitor& visitor) {
    (void)visitor;
}

bool ReadStoredVersion(CArchive& archive, uint32_t ownVersion, uint32_t* stored) {
    uint32_t version = archive.ReadDWord();
    if (stored)
        *stored = version;
    return archive.IsOk() && version <= ownVersion;
}

bool LoadStoredData(UnitData& record, const uint8_t* data, int32_t size) {
    record.Reset();
    if (!data || size < 1)
        return true;
    CMemFile file(data, static_cast<size_t>(size));
    CArchive archive(file, CArchive::load);
    // A record that claims success after reading past the end still read zeros there.
    return record.Serialize(archive) != 0 && archive.IsOk();
}
