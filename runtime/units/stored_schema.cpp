// Stored-data layouts of the unit kinds and the one record codec over them; see stored_schema.h.
#include "runtime/units/stored_schema.h"

#include <cassert>
#include <utility>

#include "runtime/framework/archive.h"
#include "runtime/framework/mem_file.h"

namespace {

using K = StoredFieldKind;

// The window writes version 6. Later versions appended words to the head of the record, so the
// fields of versions 2 to 6 sit between the first words and the blocks; a block of version 5 has
// no class name, one of version 1 ends the words after the help topic. The class name is read
// only when the version equals 6, which is "from 6 on" because anything above 6 is refused.
const StoredField kWindowFields[] = {
    // name                  kind          default      text  since  own property
    {"border",               K::Choice,    2,           nullptr, 0,  1},   // 0..6, 2 fixed
    {"picture-layout",       K::Choice,    1,           nullptr, 0,  4},   // 1 tiled
    {"background-colour",    K::Colour,    -16777216,   nullptr, 0,  2},   // 0xFF000000 button face
    {"maximise-button",      K::Logical,   0,           nullptr, 0,  8},
    {"minimise-button",      K::Logical,   1,           nullptr, 0,  9},
    {"control-box",          K::Logical,   1,           nullptr, 0,  7},   // the system menu
    {"position",             K::Choice,    1,           nullptr, 0,  10},  // 1 centred on screen
    {"close-button",         K::Logical,   1,           nullptr, 0,  11},
    {"sound-playing",        K::Choice,    0,           nullptr, 0,  6},   // 0 repeat
    {"enter-moves-focus",    K::Logical,   0,           nullptr, 0,  13},
    {"esc-closes",           K::Logical,   1,           nullptr, 0,  14},
    {"f1-opens-help",        K::Logical,   0,           nullptr, 0,  15},
    {"help-topic",           K::Int32,     0,           nullptr, 0,  17},
    {"shown-in-taskbar",     K::Logical,   1,           nullptr, 2,  18},
    {"drag-anywhere",        K::Logical,   0,           nullptr, 3,  19},
    {"shape",                K::Choice,    0,           nullptr, 3,  20},  // 0..29
    {"always-on-top",        K::Logical,   0,           nullptr, 4,  21},
    {"title-stays-active",   K::Logical,   0,           nullptr, 5,  22},
    {"class-name",           K::Text,      0,           nullptr, 6,  23},  // empty: the default class
    {"background-picture",   K::ByteBlock, 0,           nullptr, 0,  3},
    {"icon",                 K::ByteBlock, 0,           nullptr, 0,  12},
    {"background-sound",     K::ByteBlock, 0,           nullptr, 0,  5},   // MIDI or WAVE file
    {"caption",              K::Text,      0,           nullptr, 0,  0},   // the title
    {"help-file",            K::Text,      0,           nullptr, 0,  16},
};

// Version 2 added the data binding names after the content; older blocks end at the content.
const StoredField kEditBoxFields[] = {
    // name                  kind          default      text  since  own property
    {"border",               K::Choice,    1,           nullptr, 0,  1},   // border style 0..5
    {"text-colour",          K::Colour,    0,           nullptr, 0,  2},   // black
    {"background-colour",    K::Colour,    0xFFFFFF,    nullptr, 0,  3},   // white
    {"hide-selection",       K::Logical,   1,           nullptr, 0,  5},
    {"max-length",           K::Int32,     0,           nullptr, 0,  6},   // 0: the control's limit
    {"multi-line",           K::Logical,   0,           nullptr, 0,  7},
    {"scroll-bars",          K::Choice,    0,           nullptr, 0,  8},
    {"alignment",            K::Choice,    0,           nullptr, 0,  9},
    {"input-mode",           K::Choice,    0,           nullptr, 0,  10},  // 0..11
    {"password-char",        K::Int16,     42,          nullptr, 0,  11},  // '*'
    {"letter-case",          K::Choice,    0,           nullptr, 0,  12},
    {"adjuster",             K::Choice,    0,           nullptr, 0,  13},
    {"adjuster-lower",       K::Int32,     0,           nullptr, 0,  14},
    {"adjuster-upper",       K::Int32,     100,         nullptr, 0,  15},
    {"selection-start",      K::Int32,     0,           nullptr, 0,  16},
    {"selection-length",     K::Int32,     0,           nullptr, 0,  17},
    {"font",                 K::FontBlock, 0,           nullptr, 0,  4},
    {"content",              K::Text,      0,           nullptr, 0,  0},
    {"data-source",          K::Text,      0,           nullptr, 2,  19},
    {"data-column",          K::Text,      0,           nullptr, 2,  20},
};

const StoredField kButtonFields[] = {
    // name                  kind          default      text  since  own property
    {"default-button",       K::Choice,    0,           nullptr, 0,  1},
    {"horizontal-alignment", K::Choice,    1,           nullptr, 0,  3},   // centre
    {"vertical-alignment",   K::Choice,    1,           nullptr, 0,  4},   // centre
    {"picture",              K::ByteBlock, 0,           nullptr, 0,  0},
    {"font",                 K::FontBlock, 0,           nullptr, 0,  5},
    {"caption",              K::Text,      0,           "\xB0\xB4\xC5\xA5", 0, 2},  // "按钮"
};

const StoredField kTransLabelFields[] = {
    // name                  kind          default      text  since  own property
    {"effect",               K::Choice,    0,           nullptr, 0,  1},   // none
    {"text-colour",          K::Colour,    0,           nullptr, 0,  3},   // black
    {"horizontal-alignment", K::Choice,    0,           nullptr, 0,  4},   // left
    {"vertical-alignment",   K::Choice,    1,           nullptr, 0,  6},   // centre
    {"word-wrap",            K::Logical,   0,           nullptr, 0,  5},
    {"font",                 K::FontBlock, 0,           nullptr, 0,  2},
    {"caption",              K::Text,      0,           "\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9", 0, 0},  // "透明标签"
};

template <size_t N>
constexpr size_t CountOf(const StoredField (&)[N]) { return N; }

}  // namespace

const StoredKind kWindowStoredKind = {"window", 0x00010001, 6, kWindowFields, CountOf(kWindowFields)};
const StoredKind kEditBoxStoredKind = {"EditBox", 0x00010005, 2, kEditBoxFields, CountOf(kEditBoxFields)};
const StoredKind kButtonStoredKind = {"Button", 0x0001000B, 1, kButtonFields, CountOf(kButtonFields)};
const StoredKind kTransLabelStoredKind = {"TransLabel", 0x00020005, 1, kTransLabelFields,
                                          CountOf(kTransLabelFields)};

namespace {
const StoredKind* const kAllKinds[] = {
    &kWindowStoredKind,      // library 1, type 1
    &kEditBoxStoredKind,     // library 1, type 5
    &kButtonStoredKind,      // library 1, type 11
    &kTransLabelStoredKind,  // library 2, type 5
};
}  // namespace

const StoredKind* const* AllStoredKinds(size_t* count) {
    *count = sizeof(kAllKinds) / sizeof(kAllKinds[0]);
    return kAllKinds;
}

const StoredKind* FindStoredKind(uint32_t typeId) {
    for (const StoredKind* kind : kAllKinds) {
        if (kind->typeId == typeId)
            return kind;
    }
    return nullptr;
}

const StoredKind* FindStoredKindByName(const std::string& typeName) {
    for (const StoredKind* kind : kAllKinds) {
        if (typeName == kind->typeName)
            return kind;
    }
    return nullptr;
}

bool IsNumericKind(StoredFieldKind kind) {
    return kind != K::Text && kind != K::ByteBlock && kind != K::FontBlock;
}

// ---------------------------------------------------------------------------------------------

StoredRecord::StoredRecord(const StoredKind& kind) : kind_(&kind), values_(kind.fieldCount) {
    Reset();
}

int StoredRecord::FindField(const std::string& name) const {
    for (size_t i = 0; i < kind_->fieldCount; ++i) {
        if (name == kind_->fields[i].name)
            return static_cast<int>(i);
    }
    return -1;
}

void StoredRecord::Reset() {
    for (size_t i = 0; i < kind_->fieldCount; ++i) {
        const StoredField& f = kind_->fields[i];
        values_[i].number = IsNumericKind(f.kind) ? f.defaultNumber : 0;
        values_[i].bytes = f.defaultText ? f.defaultText : "";
    }
    loadedVersion_ = kind_->version;
}

bool StoredRecord::Load(CArchive& ar) {
    Reset();
    uint32_t version = ar.ReadDWord();
    if (ar.Failed() || version > kind_->version)
        return false;
    for (size_t i = 0; i < kind_->fieldCount; ++i) {
        const StoredField& f = kind_->fields[i];
        if (f.sinceVersion > version)
            continue;
        StoredValue& v = values_[i];
        switch (f.kind) {
        case K::Int16:
            v.number = ar.ReadWord();
            break;
        case K::Text:
            ar.ReadText(v.bytes);
            break;
        case K::ByteBlock:
        case K::FontBlock: {
            std::vector<uint8_t> block;
            ar.ReadBlock(block);
            v.bytes.assign(block.begin(), block.end());
            break;
        }
        default:
            v.number = ar.ReadInt();
            break;
        }
        if (ar.Failed())
            break;
    }
    if (ar.Failed()) {
        Reset();
        return false;
    }
    loadedVersion_ = version;
    return true;
}

bool StoredRecord::Save(CArchive& ar) const {
    ar.WriteDWord(kind_->version);
    for (size_t i = 0; i < kind_->fieldCount; ++i) {
        const StoredValue& v = values_[i];
        switch (kind_->fields[i].kind) {
        case K::Int16:
            ar.WriteWord(static_cast<uint16_t>(v.number));
            break;
        case K::Text:
        case K::ByteBlock:
        case K::FontBlock:
            ar.WriteBlock(v.bytes.data(), v.bytes.size());
            break;
        default:
            ar.WriteInt(v.number);
            break;
        }
    }
    return !ar.Failed();
}

bool StoredRecord::LoadBlock(const uint8_t* data, size_t size) {
    if (!data || size == 0) {
        Reset();
        return size == 0;
    }
    CMemFile file(data, size);
    CArchive ar(file, CArchive::load);
    return Load(ar);
}

std::vector<uint8_t> StoredRecord::SaveBlock() const {
    CMemFile file;
    {
        CArchive ar(file, CArchive::store);
        Save(ar);
        ar.Close();
    }
    return file.Detach();
}

void StoredRecord::SetNumber(size_t index, int32_t number) {
    assert(index < values_.size() && IsNumericKind(kind_->fields[index].kind));
    // A 16-bit field keeps only what it can store, so that saving and loading agree.
    if (kind_->fields[index].kind == K::Int16)
        number &= 0xFFFF;
    values_[index].number = number;
}

void StoredRecord::SetBytes(size_t index, std::string bytes) {
    assert(index < values_.size() && !IsNumericKind(kind_->fields[index].kind));
    values_[index].bytes = std::move(bytes);
}

bool StoredRecord::IsDefault(size_t index) const {
    const StoredField& f = kind_->fields[index];
    if (IsNumericKind(f.kind))
        return values_[index].number == f.defaultNumber;
    return values_[index].bytes == (f.defaultText ? f.defaultText : "");
}
