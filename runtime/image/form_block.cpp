// Form block reading, writing and validation; see form_block.h.
#include "runtime/image/form_block.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "runtime/framework/archive.h"
#include "runtime/framework/mem_file.h"

namespace {

uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void StoreU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

size_t Remaining(const CMemFile& file) { return file.GetLength() - file.GetPosition(); }

// The form block's byte blocks and texts: a size word, then that many bytes. The archive takes a
// negative size as empty, which would let a damaged size word pass and shift every later field;
// here a size beyond what is left is a damaged block.
bool ReadSized(CArchive& ar, const CMemFile& file, std::vector<uint8_t>* out) {
    out->clear();
    const uint32_t size = ar.ReadDWord();
    if (ar.Failed() || size > Remaining(file))
        return false;
    out->resize(size);
    return size == 0 || ar.Read(out->data(), size);
}

bool ReadSizedText(CArchive& ar, const CMemFile& file, std::string* out) {
    std::vector<uint8_t> bytes;
    if (!ReadSized(ar, file, &bytes))
        return false;
    out->assign(bytes.begin(), bytes.end());
    return true;
}

// A zero-terminated text field, read into `out` or, when `keep` is false, stepped over.
void ReadZTextField(CArchive& ar, bool keep, std::string* out) {
    if (keep)
        ar.ReadZText(*out);
    else
        ar.SkipZText();
}

// A sized byte block, read into `out` or, when `keep` is false, stepped over after the same check.
bool ReadSizedField(CArchive& ar, const CMemFile& file, bool keep, std::vector<uint8_t>* out) {
    if (keep)
        return ReadSized(ar, file, out);
    const uint32_t size = ar.ReadDWord();
    return !ar.Failed() && size <= Remaining(file) && ar.Skip(size);
}

// Reserved words, read or, when `keep` is false, stepped over as one run (every single read of
// the archive costs a call and a file seek).
template <size_t N>
void ReadReservedWords(CArchive& ar, bool keep, uint32_t (&words)[N]) {
    if (!keep) {
        ar.Skip(sizeof words);
        return;
    }
    for (uint32_t& w : words)
        w = ar.ReadDWord();
}

// The head shared by unit records and menu item records; the names only when `keep` is set.
template <typename Fields>
void ReadHead(CArchive& ar, Fields* f, bool keep = true) {
    f->typeId = ar.ReadDWord();
    f->eventSource = ar.ReadDWord();
    ReadReservedWords(ar, keep, f->reserved1);
    ReadZTextField(ar, keep, &f->name);
    ReadZTextField(ar, keep, &f->secondName);
}

template <typename Fields>
void WriteHead(CArchive& ar, const Fields& f) {
    ar.WriteDWord(f.typeId);
    ar.WriteDWord(f.eventSource);
    for (uint32_t w : f.reserved1)
        ar.WriteDWord(w);
    ar.WriteZText(f.name);
    ar.WriteZText(f.secondName);
}

std::vector<uint8_t> Finish(CMemFile& file, CArchive& ar) {
    ar.Close();
    return file.Detach();
}

bool ParseEntry(uint32_t id, const uint8_t* data, size_t size) {
    if (IsMenuItemId(id)) {
        MenuItemFields item;
        return ParseMenuItemRecord(data, size, &item, nullptr);
    }
    UnitRecordFields unit;
    return ParseUnitRecord(data, size, &unit, nullptr);
}

// A unit record from its start up to its stored data, in record order: the one reading of that
// order. With `keep` false only the type, the event source and the bindings are read; the rest is
// stepped over with the same bounds checks and left as it was: event dispatch reads a record on
// every event and needs no more. `where` may be null.
bool ReadUnitRecordFields(CArchive& ar, const CMemFile& file, bool keep, UnitRecordFields* out,
                          UnitRecordLayout* where) {
    ReadHead(ar, out, keep);
    const size_t unitObjectOffset = file.GetPosition();
    const size_t cursorOffset = unitObjectOffset + 20;  // behind unit object, left, top, width, height
    if (keep) {
        out->unitObject = ar.ReadDWord();
        out->left = ar.ReadInt();
        out->top = ar.ReadInt();
        out->width = ar.ReadInt();
        out->height = ar.ReadInt();
        out->cursor = ar.ReadDWord();
        out->parent = ar.ReadDWord();
    } else {
        ar.Skip(7 * 4);  // the seven words above
    }
    uint32_t childCount = ar.ReadDWord();
    // Counts are checked against what is left before anything is allocated for them.
    if (ar.Failed() || childCount > Remaining(file) / 4)
        return false;
    if (keep) {
        out->children.resize(childCount);
        for (uint32_t& child : out->children)
            child = ar.ReadDWord();
    } else {
        ar.Skip(4 * static_cast<size_t>(childCount));
    }
    if (!ReadSizedField(ar, file, keep, &out->mousePointer))
        return false;
    ReadZTextField(ar, keep, &out->tag);
    if (keep) {
        out->reserved2 = ar.ReadDWord();
        out->flags = ar.ReadDWord();
        out->tabOrder = ar.ReadInt();
    } else {
        ar.Skip(3 * 4);  // the three words above
    }
    uint32_t bindingCount = ar.ReadDWord();
    if (ar.Failed() || bindingCount > Remaining(file) / 8)
        return false;
    out->bindings.resize(bindingCount);
    for (EventBinding& b : out->bindings) {
        b.event = ar.ReadInt();
        if (where)
            where->handlerOffsets.push_back(file.GetPosition());
        b.handler = ar.ReadDWord();
    }
    ReadReservedWords(ar, keep, out->reserved3);
    if (ar.Failed())
        return false;
    if (where) {
        where->unitObjectOffset = unitObjectOffset;
        where->cursorOffset = cursorOffset;
        where->storedDataOffset = file.GetPosition();
    }
    return true;
}

}  // namespace

bool ParseUnitRecord(const uint8_t* data, size_t size, UnitRecordFields* out, UnitRecordLayout* layout) {
    *out = UnitRecordFields();
    UnitRecordLayout where;
    if (!data && size)
        return false;
    CMemFile file(data, size);
    CArchive ar(file, CArchive::load);
    if (!ReadUnitRecordFields(ar, file, true, out, &where))
        return false;
    out->storedData.assign(data + where.storedDataOffset, data + size);
    if (layout)
        *layout = std::move(where);
    return true;
}

bool ReadUnitEvents(const uint8_t* data, size_t size, UnitEventFields* out) {
    *out = UnitEventFields();
    if (!data && size)
        return false;
    CMemFile file(data, size);
    CArchive ar(file, CArchive::load);
    UnitRecordFields fields;
    if (!ReadUnitRecordFields(ar, file, false, &fields, nullptr))
        return false;
    out->typeId = fields.typeId;
    out->eventSource = fields.eventSource;
    out->bindings = std::move(fields.bindings);
    return true;
}

bool LocateUnitSlots(const uint8_t* data, size_t size, UnitSlotOffsets* out) {
    // The head: type, event source and four reserved words, then two zero-terminated texts.
    size_t at = 24;
    for (int text = 0; text < 2; ++text) {
        if (!data || at >= size)
            return false;
        const void* end = std::memchr(data + at, 0, size - at);
        if (!end)
            return false;
        at = static_cast<size_t>(static_cast<const uint8_t*>(end) - data) + 1;
    }
    // Unit object, left, top, width, height, cursor, parent.
    if (size - at < 28)
        return false;
    out->unitObject = at;
    out->cursor = at + 20;
    out->parent = at + 24;
    return true;
}

std::vector<uint8_t> EncodeUnitRecord(const UnitRecordFields& f) {
    CMemFile file;
    CArchive ar(file, CArchive::store);
    WriteHead(ar, f);
    ar.WriteDWord(f.unitObject);
    ar.WriteInt(f.left);
    ar.WriteInt(f.top);
    ar.WriteInt(f.width);
    ar.WriteInt(f.height);
    ar.WriteDWord(f.cursor);
    ar.WriteDWord(f.parent);
    ar.WriteDWord(static_cast<uint32_t>(f.children.size()));
    for (uint32_t child : f.children)
        ar.WriteDWord(child);
    ar.WriteBlock(f.mousePointer.data(), f.mousePointer.size());
    ar.WriteZText(f.tag);
    ar.WriteDWord(f.reserved2);
    ar.WriteDWord(f.flags);
    ar.WriteInt(f.tabOrder);
    ar.WriteDWord(static_cast<uint32_t>(f.bindings.size()));
    for (const EventBinding& b : f.bindings) {
        ar.WriteInt(b.event);
        ar.WriteDWord(b.handler);
    }
    for (uint32_t w : f.reserved3)
        ar.WriteDWord(w);
    ar.Write(f.storedData.data(), f.storedData.size());
    return Finish(file, ar);
}

bool ParseMenuItemRecord(const uint8_t* data, size_t size, MenuItemFields* out, size_t* handlerOffset) {
    *out = MenuItemFields();
    if (!data && size)
        return false;
    CMemFile file(data, size);
    CArchive ar(file, CArchive::load);
    ReadHead(ar, out);
    out->shortcut = ar.ReadDWord();
    out->level = ar.ReadDWord();
    out->flags = ar.ReadDWord();
    ar.ReadZText(out->caption);
    size_t at = file.GetPosition();
    out->handler = ar.ReadDWord();
    if (ar.Failed())
        return false;
    out->tail.assign(data + file.GetPosition(), data + size);
    if (handlerOffset)
        *handlerOffset = at;
    return true;
}

std::vector<uint8_t> EncodeMenuItemRecord(const MenuItemFields& f) {
    CMemFile file;
    CArchive ar(file, CArchive::store);
    WriteHead(ar, f);
    ar.WriteDWord(f.shortcut);
    ar.WriteDWord(f.level);
    ar.WriteDWord(f.flags);
    ar.WriteZText(f.caption);
    ar.WriteDWord(f.handler);
    ar.Write(f.tail.data(), f.tail.size());
    return Finish(file, ar);
}

// ---------------------------------------------------------------------------------------------
// UnitTable

bool UnitTable::Validate(uint32_t count, const uint8_t* bytes, size_t size) {
    if (count == 0 || (!bytes && size) || count > size / 8)
        return false;
    const size_t base = 8 * static_cast<size_t>(count);
    const size_t region = size - base;
    std::vector<std::pair<size_t, size_t>> spans;  // [start, end) of each entry within the region
    spans.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t id = LoadU32(bytes + 4 * static_cast<size_t>(i));
        size_t offset = LoadU32(bytes + 4 * (static_cast<size_t>(count) + i));
        if (offset > region || region - offset < 4)
            return false;
        size_t recordSize = LoadU32(bytes + base + offset);
        if (recordSize > region - offset - 4)
            return false;
        if (i == 0 && IsMenuItemId(id))
            return false;
        if (!ParseEntry(id, bytes + base + offset + 4, recordSize))
            return false;
        spans.emplace_back(offset, offset + 4 + recordSize);
    }
    // Overlapping entries would make a resize of one corrupt another.
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].first < spans[i - 1].second)
            return false;
    }
    return true;
}

bool UnitTable::Assign(uint32_t count, std::vector<uint8_t> bytes) {
    if (!Validate(count, bytes.data(), bytes.size())) {
        Clear();
        return false;
    }
    count_ = count;
    bytes_ = std::move(bytes);
    return true;
}

UnitTable UnitTable::Build(const std::vector<uint32_t>& ids, const std::vector<std::vector<uint8_t>>& records) {
    UnitTable table;
    const size_t n = std::min(ids.size(), records.size());
    table.count_ = static_cast<uint32_t>(n);
    table.bytes_.assign(8 * n, 0);
    uint32_t offset = 0;
    for (size_t i = 0; i < n; ++i) {
        StoreU32(table.bytes_.data() + 4 * i, ids[i]);
        StoreU32(table.bytes_.data() + 4 * (n + i), offset);
        uint8_t sizeWord[4];
        StoreU32(sizeWord, static_cast<uint32_t>(records[i].size()));
        table.bytes_.insert(table.bytes_.end(), sizeWord, sizeWord + 4);
        table.bytes_.insert(table.bytes_.end(), records[i].begin(), records[i].end());
        offset += 4 + static_cast<uint32_t>(records[i].size());
    }
    return table;
}

void UnitTable::Clear() {
    count_ = 0;
    bytes_.clear();
}

uint32_t UnitTable::IdAt(uint32_t index) const {
    return index < count_ ? LoadU32(bytes_.data() + 4 * static_cast<size_t>(index)) : 0;
}

uint32_t UnitTable::OffsetAt(uint32_t index) const {
    return LoadU32(bytes_.data() + 4 * (static_cast<size_t>(count_) + index));
}

int UnitTable::Find(uint32_t id) const {
    if (count_ == 0)
        return -1;
    if (IdAt(0) == id)
        return 0;
    for (uint32_t i = 1; i < count_; ++i) {
        if (IdAt(i) == id)
            return static_cast<int>(i);
    }
    return -1;
}

const uint8_t* UnitTable::Record(uint32_t index, uint32_t* size) const {
    if (index >= count_) {
        *size = 0;
        return nullptr;
    }
    const uint8_t* entry = bytes_.data() + EntryStart(index);
    *size = LoadU32(entry);
    return entry + 4;
}

uint8_t* UnitTable::MutableRecord(uint32_t index, uint32_t* size) {
    return const_cast<uint8_t*>(static_cast<const UnitTable*>(this)->Record(index, size));
}

std::vector<uint8_t> UnitTable::RecordCopy(uint32_t index) const {
    uint32_t size = 0;
    const uint8_t* p = Record(index, &size);
    return p ? std::vector<uint8_t>(p, p + size) : std::vector<uint8_t>();
}

bool UnitTable::ReplaceRecord(uint32_t index, const uint8_t* data, size_t size) {
    if (index >= count_ || (!data && size) || !ParseEntry(IdAt(index), data, size))
        return false;
    if (index == 0 && IsMenuItemId(IdAt(0)))
        return false;
    const size_t start = EntryStart(index);
    const uint32_t oldOffset = OffsetAt(index);
    const size_t oldSize = LoadU32(bytes_.data() + start);
    // Offsets and sizes are words: the grown table (whose records alone hold the new one) must
    // still be addressable by them. Counted in 64 bits, since size_t may be as narrow as a word.
    const uint64_t grownSize = uint64_t{bytes_.size()} - oldSize + size;
    if (grownSize - 8 * uint64_t{count_} > 0xFFFFFFFFu || grownSize > std::numeric_limits<size_t>::max() / 2)
        return false;
    std::vector<uint8_t> grown;
    grown.reserve(bytes_.size() - oldSize + size);
    grown.insert(grown.end(), bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(start));
    uint8_t sizeWord[4];
    StoreU32(sizeWord, static_cast<uint32_t>(size));
    grown.insert(grown.end(), sizeWord, sizeWord + 4);
    grown.insert(grown.end(), data, data + size);
    grown.insert(grown.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(start + 4 + oldSize), bytes_.end());
    bytes_.swap(grown);
    // Entries stored behind this one moved; the delta is applied modulo 2^32, which is exact
    // because every resulting offset was checked to fit in a word above.
    const uint32_t delta = static_cast<uint32_t>(size) - static_cast<uint32_t>(oldSize);
    for (uint32_t j = 0; j < count_; ++j) {
        uint32_t offset = OffsetAt(j);
        if (j != index && offset > oldOffset)
            StoreU32(bytes_.data() + 4 * (static_cast<size_t>(count_) + j), offset + delta);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// The whole block

bool ReadFormBlock(const uint8_t* data, size_t size, std::vector<WindowDescriptionData>* out) {
    out->clear();
    if (size == 0)
        return true;
    if (!data)
        return false;
    CMemFile file(data, size);
    CArchive ar(file, CArchive::load);
    std::vector<uint8_t> list;
    if (!ReadSized(ar, file, &list) || list.size() % 8 != 0)
        return false;
    const size_t windowCount = list.size() / 8;
    std::vector<WindowDescriptionData> windows(windowCount);
    for (size_t i = 0; i < windowCount; ++i) {
        WindowDescriptionData& w = windows[i];
        w.windowId = LoadU32(list.data() + 4 * i);
        w.wordA = ar.ReadDWord();
        w.wordB = ar.ReadDWord();
        if (!ReadSizedText(ar, file, &w.textA) || !ReadSizedText(ar, file, &w.textB))
            return false;
        uint32_t entryCount = ar.ReadDWord();
        std::vector<uint8_t> tableBytes;
        if (!ReadSized(ar, file, &tableBytes) || !w.table.Assign(entryCount, std::move(tableBytes)))
            return false;
    }
    // The header gives the block's exact size: anything after the last description means the
    // block is not what we think it is.
    if (ar.Failed() || file.GetPosition() != file.GetLength())
        return false;
    out->swap(windows);
    return true;
}

std::vector<uint8_t> WriteFormBlock(const std::vector<WindowDescriptionData>& windows) {
    CMemFile file;
    CArchive ar(file, CArchive::store);
    std::vector<uint8_t> list(8 * windows.size(), 0);
    for (size_t i = 0; i < windows.size(); ++i)
        StoreU32(list.data() + 4 * i, windows[i].windowId);
    ar.WriteBlock(list.data(), list.size());
    for (const WindowDescriptionData& w : windows) {
        ar.WriteDWord(w.wordA);
        ar.WriteDWord(w.wordB);
        ar.WriteText(w.textA);
        ar.WriteText(w.textB);
        ar.WriteDWord(w.table.Count());
        ar.WriteBlock(w.table.Bytes().data(), w.table.Bytes().size());
    }
    return Finish(file, ar);
}

bool RelocateHandlers(UnitTable& table, uint32_t handlerBase, uint32_t slotCount) {
    // A binding must lead to the jump of a slot of the program's handler area.
    auto relocate = [handlerBase, slotCount](uint8_t* word) {
        uint32_t offset = LoadU32(word);
        if (offset == kNoHandlerOffset) {
            StoreU32(word, 0);
            return true;
        }
        if (offset % kHandlerSlotSize != 0 || offset / kHandlerSlotSize >= slotCount)
            return false;
        StoreU32(word, handlerBase + offset);
        return true;
    };
    for (uint32_t i = 0; i < table.Count(); ++i) {
        uint32_t size = 0;
        uint8_t* record = table.MutableRecord(i, &size);
        if (table.IsMenuItem(i)) {
            MenuItemFields item;
            size_t at = 0;
            if (!ParseMenuItemRecord(record, size, &item, &at) || !relocate(record + at))
                return false;
        } else {
            UnitRecordFields unit;
            UnitRecordLayout layout;
            if (!ParseUnitRecord(record, size, &unit, &layout))
                return false;
            for (size_t at : layout.handlerOffsets) {
                if (!relocate(record + at))
                    return false;
            }
        }
    }
    return true;
}

bool RelocateHandlers(std::vector<WindowDescriptionData>& windows, uint32_t handlerBase, uint32_t slotCount) {
    for (WindowDescriptionData& w : windows) {
        if (!RelocateHandlers(w.table, handlerBase, slotCount))
            return false;
    }
    return true;
}
