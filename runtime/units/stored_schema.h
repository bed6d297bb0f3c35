// The stored-data layouts of the unit kinds as data: for each kind the version it writes and its
// fields in stored order, with kind, default and the version from which a field is stored. One
// generic record (StoredRecord) loads and saves any of them, so the form compiler, the form
// printer and the units share one codec. Portable: no Win32 header.
//
// Texts and blocks are kept as the stored bytes (texts in the ANSI code page, GBK for the tool).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CArchive;

enum class StoredFieldKind : uint8_t {
    Int32,      // 32-bit integer
    Int16,      // 16-bit value (the edit box's password character)
    Logical,    // 0 or 1, stored as 32 bits
    Colour,     // 0x00BBGGRR, or 0xFF000000 for the system's button face
    Choice,     // small index into a fixed list, stored as 32 bits
    Text,       // 32-bit length, then the bytes; a length of 0 or less is empty
    ByteBlock,  // picture, icon or sound: 32-bit length, then the bytes
    FontBlock,  // a byte block holding a 60-byte LOGFONTA; any other length is the default font
};

struct StoredField {
    const char* name;          // readable name, as the form compiler spells it
    StoredFieldKind kind;
    int32_t defaultNumber;     // numeric kinds
    const char* defaultText;   // Text: the default's bytes (GBK); null means empty
    uint32_t sinceVersion;     // the field is stored only from this version on
    int32_t property;          // the unit's own property number that reads and writes it
};

struct StoredKind {
    const char* typeName;      // the type's English name: window, EditBox, Button, TransLabel
    uint32_t typeId;           // (library << 16) | type number in the tool's image
    uint32_t version;          // the version this kind writes; higher ones are refused
    const StoredField* fields; // in stored order
    size_t fieldCount;
};

extern const StoredKind kWindowStoredKind;
extern const StoredKind kEditBoxStoredKind;
extern const StoredKind kButtonStoredKind;
extern const StoredKind kTransLabelStoredKind;

// The four kinds, and lookups by type id and by English type name; null when unknown.
const StoredKind* const* AllStoredKinds(size_t* count);
const StoredKind* FindStoredKind(uint32_t typeId);
const StoredKind* FindStoredKindByName(const std::string& typeName);

bool IsNumericKind(StoredFieldKind kind);

// One value per field of a kind. Numeric fields keep a number; texts and blocks their bytes.
struct StoredValue {
    int32_t number = 0;
    std::string bytes;
};

class StoredRecord {
public:
    explicit StoredRecord(const StoredKind& kind);

    const StoredKind& Kind() const { return *kind_; }
    size_t FieldCount() const { return kind_->fieldCount; }
    const StoredField& Field(size_t index) const { return kind_->fields[index]; }
    // Index of the field with this name, or -1.
    int FindField(const std::string& name) const;

    // Every field to its default.
    void Reset();
    // Resets, then loads: the version word first; a version above the kind's own (unsigned) is
    // refused; fields newer than the stored version keep their defaults. False when refused or
    // when the data ends early. Reads nothing after the last field of that version.
    bool Load(CArchive& ar);
    // Always the kind's own version with every field.
    bool Save(CArchive& ar) const;

    // Loading from a whole stored-data block: an empty block means all defaults.
    bool LoadBlock(const uint8_t* data, size_t size);
    std::vector<uint8_t> SaveBlock() const;

    // The version of the block last loaded (the kind's own after Reset).
    uint32_t LoadedVersion() const { return loadedVersion_; }

    const StoredValue& Value(size_t index) const { return values_[index]; }
    int32_t Number(size_t index) const { return values_[index].number; }
    const std::string& Bytes(size_t index) const { return values_[index].bytes; }
    void SetNumber(size_t index, int32_t number);
    void SetBytes(size_t index, std::string bytes);
    bool IsDefault(size_t index) const;

private:
    const StoredKind* kind_;
    std::vector<StoredValue> values_;
    uint32_t loadedVersion_ = 0;
};
