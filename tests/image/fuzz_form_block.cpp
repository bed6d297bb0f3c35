// libFuzzer target for the readers of untrusted image data: the form block, unit tables, unit
// and menu item records, and the stored data of every unit kind. Built and run by
// scripts/fuzz.sh with clang (-fsanitize=fuzzer,address,undefined). Beyond "no crash", whatever
// a reader accepts must hold together: reported offsets inside the record, a written block that
// reads again, saved stored data that loads again, event dispatch's short record reader agreeing
// with the full parser. A broken promise traps.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/image/form_block.h"
#include "runtime/units/stored_schema.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

void CheckStoredData(uint32_t typeId, const uint8_t* data, size_t size) {
    const StoredKind* kind = FindStoredKind(typeId);
    if (!kind)
        return;
    StoredRecord record(*kind);
    if (!record.LoadBlock(data, size))
        return;
    std::vector<uint8_t> saved = record.SaveBlock();
    StoredRecord again(*kind);
    Check(again.LoadBlock(saved.data(), saved.size()));
    Check(again.SaveBlock() == saved);
}

// Event dispatch's short reader accepts what the full parser accepts, with the same bindings.
void CheckEventReader(const uint8_t* data, size_t size, bool parsed, const UnitRecordFields& unit) {
    UnitEventFields events;
    Check(ReadUnitEvents(data, size, &events) == parsed);
    if (!parsed)
        return;
    Check(events.typeId == unit.typeId && events.eventSource == unit.eventSource);
    Check(events.bindings.size() == unit.bindings.size());
    for (size_t i = 0; i < unit.bindings.size(); ++i)
        Check(events.bindings[i].event == unit.bindings[i].event &&
              events.bindings[i].handler == unit.bindings[i].handler);
}

void CheckRecord(const uint8_t* data, size_t size) {
    UnitRecordFields unit;
    UnitRecordLayout layout;
    const bool parsed = ParseUnitRecord(data, size, &unit, &layout);
    CheckEventReader(data, size, parsed, unit);
    if (parsed) {
        Check(layout.unitObjectOffset + 4 <= size && layout.cursorOffset + 4 <= size);
        Check(layout.handlerOffsets.size() == unit.bindings.size());
        for (size_t at : layout.handlerOffsets)
            Check(at + 4 <= size);
        Check(layout.storedDataOffset + unit.storedData.size() == size);
        CheckStoredData(unit.typeId, unit.storedData.data(), unit.storedData.size());
    }
    MenuItemFields item;
    size_t handler = 0;
    if (ParseMenuItemRecord(data, size, &item, &handler))
        Check(handler + 4 + item.tail.size() == size);
}

void CheckBlock(const uint8_t* data, size_t size) {
    std::vector<WindowDescriptionData> windows;
    if (!ReadFormBlock(data, size, &windows))
        return;
    for (WindowDescriptionData& w : windows) {
        for (uint32_t i = 0; i < w.table.Count(); ++i) {
            uint32_t recordSize = 0;
            const uint8_t* record = w.table.Record(i, &recordSize);
            Check(record != nullptr);
            CheckRecord(record, recordSize);
        }
        Check(w.table.Find(w.table.IdAt(0)) == 0);
    }
    std::vector<uint8_t> written = WriteFormBlock(windows);
    std::vector<WindowDescriptionData> reread;
    Check(ReadFormBlock(written.data(), written.size(), &reread));
    Check(reread.size() == windows.size());
    // Offsets are whatever the input says: refused or relocated, never read out of bounds.
    (void)RelocateHandlers(windows, 0x00401004, 0x01000000);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckBlock(data, size);
    CheckRecord(data, size);
    for (uint32_t typeId : {0x00010001u, 0x00010005u, 0x0001000Bu, 0x00020005u})
        CheckStoredData(typeId, data, size);
    // The input as a bare unit table: an entry count, then the table's bytes.
    if (size >= 4) {
        uint32_t count = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
        UnitTable table;
        if (table.Assign(count, std::vector<uint8_t>(data + 4, data + size)) && table.Count() > 1) {
            std::vector<uint8_t> first = table.RecordCopy(0);
            first.push_back(0);  // one more byte of stored data: every later entry moves
            Check(table.ReplaceRecord(0, first.data(), first.size()));
            Check(UnitTable::Validate(table.Count(), table.Bytes().data(), table.Bytes().size()));
        }
    }
    return 0;
}
