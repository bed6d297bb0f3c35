// The form block of a program image: the window list, one window description per window, and
// each window's unit table with its unit and menu item records. Reading goes through CMemFile and
// CArchive (one bounds-checked reader) and validates everything it hands out, so the runtime and
// the form compiler can walk a table without checking again. Writing produces the same layout.
//
// A unit table is kept exactly as the image lays it out: N identifiers, N offsets counted from
// byte 8*N, then the entries, each a size word and the record bytes. The runtime writes live
// pointers into the records in place (unit object slot, cursor slot, relocated handlers), which
// is why the record parser also reports where those words lie. Portable: no Win32 header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/image/handler_area.h"

// Identifier layout: bits 28-31 sub-kind, 24-27 kind, 0-23 serial.
enum IdentifierKind : uint32_t {
    kIdKindWindow = 0x2,
    kIdKindTableEntry = 0x6,
};
enum IdentifierSubKind : uint32_t {
    kIdSubKindOwnEntry = 0x0,  // the window's own entry (entry 0) of its unit table
    kIdSubKindUnit = 0x1,
    kIdSubKindMenuItem = 0x2,
    kIdSubKindWindow = 0x5,
};

inline uint32_t IdSubKind(uint32_t id) { return id >> 28; }
inline uint32_t IdKind(uint32_t id) { return (id >> 24) & 0xF; }
inline uint32_t IdSerial(uint32_t id) { return id & 0xFFFFFF; }
inline bool IsValidId(uint32_t id) { return IdSerial(id) != 0 && IdKind(id) != 0; }
inline bool IsMenuItemId(uint32_t id) {
    return IdKind(id) == kIdKindTableEntry && IdSubKind(id) == kIdSubKindMenuItem;
}

// UnitRecord flag bits.
constexpr uint32_t kUnitVisible = 1;
constexpr uint32_t kUnitDisabled = 2;
constexpr uint32_t kUnitTabStop = 4;

// A handler word that names no handler before relocation.
constexpr uint32_t kNoHandlerOffset = 0xFFFFFFFFu;

struct EventBinding {
    int32_t event;     // own events from 0, common events negative
    uint32_t handler;  // offset from HandlerBase in the image; an address (0 = none) once relocated
};

// Every field of a UnitRecord in record order. Texts are the image's bytes (ANSI code page).
struct UnitRecordFields {
    uint32_t typeId = 0;
    uint32_t eventSource = 0;
    uint32_t reserved1[4] = {};
    std::string name;
    std::string secondName;
    uint32_t unitObject = 0;  // live unit object while the window is loaded
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t cursor = 0;      // live cursor while the window is loaded
    uint32_t parent = 0;      // 0: the window itself
    std::vector<uint32_t> children;  // a 0 separates pages
    std::vector<uint8_t> mousePointer;
    std::string tag;
    uint32_t reserved2 = 0;
    uint32_t flags = 0;
    int32_t tabOrder = 0;
    std::vector<EventBinding> bindings;
    uint32_t reserved3[5] = {};
    std::vector<uint8_t> storedData;
};

// Where the words that the runtime rewrites in place lie, as byte offsets into the record.
struct UnitRecordLayout {
    size_t unitObjectOffset = 0;
    size_t cursorOffset = 0;
    std::vector<size_t> handlerOffsets;  // one per binding, in binding order
    size_t storedDataOffset = 0;         // the stored data runs from here to the record's end
};

// A menu item record: the same head as a UnitRecord, then shortcut, level, flag word, caption
// and one handler word. Bytes after the handler word are kept as they are.
struct MenuItemFields {
    uint32_t typeId = 0;
    uint32_t eventSource = 0;
    uint32_t reserved1[4] = {};
    std::string name;
    std::string secondName;
    uint32_t shortcut = 0;  // 0 none, else a row of the shortcut table
    uint32_t level = 0;     // nesting depth
    uint32_t flags = 0;     // bit 0 hidden, bit 1 disabled, bit 2 checked
    std::string caption;
    uint32_t handler = kNoHandlerOffset;
    std::vector<uint8_t> tail;
};

constexpr uint32_t kMenuItemHidden = 1;
constexpr uint32_t kMenuItemDisabled = 2;
constexpr uint32_t kMenuItemChecked = 4;

// Parse a whole record; false when it ends early or a count does not fit in what is left.
// `layout` may be null.
bool ParseUnitRecord(const uint8_t* data, size_t size, UnitRecordFields* out, UnitRecordLayout* layout);
std::vector<uint8_t> EncodeUnitRecord(const UnitRecordFields& fields);
// What event dispatch needs of a unit record: its type, the unit whose bindings it follows, and
// its own bindings.
struct UnitEventFields {
    uint32_t typeId = 0;
    uint32_t eventSource = 0;
    std::vector<EventBinding> bindings;
};
// Reads only those, stepping over the rest with the same checks, so it accepts exactly the
// records ParseUnitRecord accepts; dispatch reads a record on every event and needs no more.
bool ReadUnitEvents(const uint8_t* data, size_t size, UnitEventFields* out);
// Where the live words of a unit record lie, found without reading the rest of the record: the
// runtime looks them up on every access to a live unit. False when the record is too short.
struct UnitSlotOffsets {
    size_t unitObject = 0;
    size_t cursor = 0;
    size_t parent = 0;
};
bool LocateUnitSlots(const uint8_t* data, size_t size, UnitSlotOffsets* out);
bool ParseMenuItemRecord(const uint8_t* data, size_t size, MenuItemFields* out, size_t* handlerOffset);
std::vector<uint8_t> EncodeMenuItemRecord(const MenuItemFields& fields);

class UnitTable {
public:
    UnitTable() = default;

    // Takes a table as the image lays it out. False (and the table left empty) unless every
    // offset and size lies inside the bytes, entries do not overlap, and every record parses
    // as a unit record or, for a menu item identifier, as a menu item record. Entry 0 is the
    // window's own record, so it must exist and must not be a menu item.
    bool Assign(uint32_t count, std::vector<uint8_t> bytes);
    static bool Validate(uint32_t count, const uint8_t* bytes, size_t size);
    // Lays out a table from identifiers and records (entries in order, offsets ascending).
    // The result is not validated: callers that build from untrusted parts call Assign.
    static UnitTable Build(const std::vector<uint32_t>& ids, const std::vector<std::vector<uint8_t>>& records);

    uint32_t Count() const { return count_; }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    bool Empty() const { return count_ == 0; }
    void Clear();

    uint32_t IdAt(uint32_t index) const;
    // Index of the entry with this identifier (entry 0 first, then in order); -1 when absent.
    int Find(uint32_t id) const;
    bool IsMenuItem(uint32_t index) const { return IsMenuItemId(IdAt(index)); }

    // The record bytes of an entry and their count.
    const uint8_t* Record(uint32_t index, uint32_t* size) const;
    // For in-place writes of live words at the offsets the record parser reports.
    uint8_t* MutableRecord(uint32_t index, uint32_t* size);
    std::vector<uint8_t> RecordCopy(uint32_t index) const;

    // Puts new bytes in place of an entry's record, resizing the entry: its size word is updated
    // and every entry stored behind it moves by the difference. False (nothing changed) when the
    // index is out of range or the new bytes do not parse as the entry's kind of record.
    bool ReplaceRecord(uint32_t index, const uint8_t* data, size_t size);

private:
    uint32_t OffsetAt(uint32_t index) const;
    size_t EntryStart(uint32_t index) const { return 8 * static_cast<size_t>(count_) + OffsetAt(index); }

    uint32_t count_ = 0;
    std::vector<uint8_t> bytes_;
};

struct WindowDescriptionData {
    uint32_t windowId = 0;
    uint32_t wordA = 0;  // carried along, not used by loading
    uint32_t wordB = 0;
    std::string textA;
    std::string textB;
    UnitTable table;
};

// Reads a whole form block. A size of 0 is a program without windows. False on any error (the
// output is then empty): a short or malformed block, a window list that is not 8*W bytes, a
// table that fails validation, or bytes left over after the last description.
bool ReadFormBlock(const uint8_t* data, size_t size, std::vector<WindowDescriptionData>* out);
// Writes the block; the window list's placeholder words are written as 0.
std::vector<uint8_t> WriteFormBlock(const std::vector<WindowDescriptionData>& windows);

// Turns the handler offsets of a table into addresses: -1 becomes 0 (no handler), any other
// offset HandlerBase plus the offset; menu items' handler and every binding of a unit record.
// False when a record no longer parses or an offset is not one of the `slotCount` slots of the
// handler area (the table is then only partly relocated).
bool RelocateHandlers(UnitTable& table, uint32_t handlerBase, uint32_t slotCount);
bool RelocateHandlers(std::vector<WindowDescriptionData>& windows, uint32_t handlerBase,
                      uint32_t slotCount);
