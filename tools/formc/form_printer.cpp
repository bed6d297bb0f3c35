// Form block to form source; see form_text.h. Whatever cannot be said by field name (stored data
// that is not in its kind's canonical form, an unknown type's data) is printed as bytes, so that
// compiling the printed text gives back the block it came from.
#include <cstdio>
#include <string>

#include "runtime/image/form_block.h"
#include "runtime/image/shortcut_table.h"
#include "runtime/units/stored_schema.h"
#include "tools/formc/form_text.h"
#include "tools/formc/gbk.h"

namespace {

std::string Hex32(uint32_t v) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "0x%08X", v);
    return buffer;
}

std::string EscapeByte(unsigned char c) {
    switch (c) {
    case '"': return "\\\"";
    case '\\': return "\\\\";
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    default: break;
    }
    if (c >= 0x20 && c < 0x7F)
        return std::string(1, static_cast<char>(c));
    char buffer[8];
    std::snprintf(buffer, sizeof(buffer), "\\x%02X", c);
    return buffer;
}

std::string Quote(const std::string& gbk) { return "\"" + GbkToUtf8Escaped(gbk, EscapeByte) + "\""; }

template <typename Container>
std::string HexBytes(const Container& bytes) {
    std::string out = "hex \"";
    for (size_t i = 0; i < bytes.size(); ++i) {
        char buffer[4];
        std::snprintf(buffer, sizeof(buffer), "%02X", static_cast<unsigned char>(bytes[i]));
        if (i && i % 4 == 0)
            out += ' ';
        out += buffer;
    }
    return out + "\"";
}

std::string TypeName(uint32_t typeId) {
    const StoredKind* kind = FindStoredKind(typeId);
    return kind ? kind->typeName : Hex32(typeId);
}

class Printer {
public:
    explicit Printer(const std::vector<HandlerSlot>* handlers) : handlers_(handlers) {}

    std::string out;

    void Handlers() {
        if (!handlers_ || handlers_->empty())
            return;
        out += "handlers {\n";
        for (size_t i = 0; i < handlers_->size(); ++i) {
            const HandlerSlot& h = (*handlers_)[i];
            out += std::string("  ") + (h.producesValue ? "returns " : "") + h.name + "    # slot " +
                   std::to_string(i) + ", offset " + std::to_string(12 * i) + "\n";
        }
        out += "}\n\n";
    }

    void Window(const WindowDescriptionData& w) {
        out += "window " + Hex32(w.windowId) + " {\n";
        if (w.wordA)
            Line("word-a " + Hex32(w.wordA));
        if (w.wordB)
            Line("word-b " + Hex32(w.wordB));
        if (!w.textA.empty())
            Line("text-a " + Quote(w.textA));
        if (!w.textB.empty())
            Line("text-b " + Quote(w.textB));
        for (uint32_t i = 0; i < w.table.Count(); ++i) {
            out += "\n";
            std::vector<uint8_t> record = w.table.RecordCopy(i);
            if (w.table.IsMenuItem(i))
                MenuItem(w.table.IdAt(i), record);
            else
                Unit(w.table.IdAt(i), record, i == 0);
        }
        out += "}\n";
    }

private:
    void Line(const std::string& s, int depth = 1) { out += std::string(2 * static_cast<size_t>(depth), ' ') + s + "\n"; }

    std::string Handler(uint32_t word) const {
        if (word == kNoHandlerOffset)
            return "none";
        if (handlers_ && word % 12 == 0 && word / 12 < handlers_->size())
            return (*handlers_)[word / 12].name;
        return "offset " + std::to_string(word);
    }

    template <typename Fields>
    void Head(const Fields& f) {
        if (!f.secondName.empty())
            Line("second-name " + Quote(f.secondName), 2);
        if (f.eventSource)
            Line("event-source " + Hex32(f.eventSource), 2);
        if (f.reserved1[0] || f.reserved1[1] || f.reserved1[2] || f.reserved1[3])
            Line("reserved-a " + Hex32(f.reserved1[0]) + " " + Hex32(f.reserved1[1]) + " " +
                 Hex32(f.reserved1[2]) + " " + Hex32(f.reserved1[3]), 2);
    }

    void Flags(uint32_t flags, const char* const names[3]) {
        std::string s;
        for (int bit = 0; bit < 3; ++bit) {
            if (flags & (1u << bit))
                s += std::string(s.empty() ? "" : " ") + names[bit];
        }
        if (flags & ~7u)
            s += std::string(s.empty() ? "" : " ") + "flags " + Hex32(flags & ~7u);
        if (!s.empty())
            Line(s, 2);
    }

    void Unit(uint32_t id, const std::vector<uint8_t>& record, bool own) {
        UnitRecordFields f;
        ParseUnitRecord(record.data(), record.size(), &f, nullptr);  // validated when read
        out += "  unit " + Hex32(id) + " " + TypeName(f.typeId) + " " + Quote(f.name) + " {" +
               (own ? "    # the window itself" : "") + "\n";
        Head(f);
        Line("geometry " + std::to_string(f.left) + " " + std::to_string(f.top) + " " +
             std::to_string(f.width) + " " + std::to_string(f.height), 2);
        static const char* const kFlagNames[3] = {"visible", "disabled", "tabstop"};
        Flags(f.flags, kFlagNames);
        if (f.tabOrder)
            Line("tab-order " + std::to_string(f.tabOrder), 2);
        if (f.parent)
            Line("parent " + Hex32(f.parent), 2);
        if (!f.children.empty()) {
            std::string s = "children {";
            for (uint32_t c : f.children)
                s += " " + (c ? Hex32(c) : std::string("0"));
            Line(s + " }", 2);
        }
        if (!f.tag.empty())
            Line("tag " + Quote(f.tag), 2);
        MousePointer(f.mousePointer);
        if (f.reserved2)
            Line("reserved-b " + Hex32(f.reserved2), 2);
        if (f.unitObject)
            Line("object-slot " + Hex32(f.unitObject), 2);
        if (f.cursor)
            Line("cursor-slot " + Hex32(f.cursor), 2);
        bool reserved3 = false;
        for (uint32_t r : f.reserved3)
            reserved3 |= r != 0;
        if (reserved3) {
            std::string s = "reserved-c";
            for (uint32_t r : f.reserved3)
                s += " " + Hex32(r);
            Line(s, 2);
        }
        for (const EventBinding& b : f.bindings)
            Line("on " + std::to_string(b.event) + " " + Handler(b.handler), 2);
        StoredData(f.typeId, f.storedData);
        Line("}");
    }

    void MousePointer(const std::vector<uint8_t>& block) {
        if (block.size() != 4) {
            Line("mouse-pointer " + HexBytes(block), 2);
            return;
        }
        uint32_t cursor = block[0] | block[1] << 8 | block[2] << 16 | static_cast<uint32_t>(block[3]) << 24;
        if (cursor)
            Line("mouse-pointer " + std::to_string(cursor), 2);
    }

    void StoredData(uint32_t typeId, const std::vector<uint8_t>& data) {
        if (data.empty())
            return;
        const StoredKind* kind = FindStoredKind(typeId);
        if (kind) {
            StoredRecord record(*kind);
            if (record.LoadBlock(data.data(), data.size()) && record.SaveBlock() == data) {
                Fields(record);
                return;
            }
        }
        Line("data " + HexBytes(data), 2);
    }

    void Fields(const StoredRecord& record) {
        Line("data {", 2);
        for (size_t i = 0; i < record.FieldCount(); ++i) {
            if (record.IsDefault(i))
                continue;
            const StoredField& field = record.Field(i);
            Line(std::string(field.name) + " " + Value(field.kind, record.Value(i)), 3);
        }
        Line("}", 2);
    }

    static std::string Value(StoredFieldKind kind, const StoredValue& v) {
        switch (kind) {
        case StoredFieldKind::Text:
            return Quote(v.bytes);
        case StoredFieldKind::ByteBlock:
        case StoredFieldKind::FontBlock:
            return HexBytes(v.bytes);
        case StoredFieldKind::Logical:
            if (v.number == 0 || v.number == 1)
                return v.number ? "true" : "false";
            break;
        case StoredFieldKind::Colour: {
            char buffer[16];
            uint32_t c = static_cast<uint32_t>(v.number);
            std::snprintf(buffer, sizeof(buffer), c > 0xFFFFFF ? "0x%08X" : "0x%06X", c);
            return buffer;
        }
        default:
            break;
        }
        return std::to_string(v.number);
    }

    void MenuItem(uint32_t id, const std::vector<uint8_t>& record) {
        MenuItemFields f;
        ParseMenuItemRecord(record.data(), record.size(), &f, nullptr);
        out += "  menu-item " + Hex32(id) + " " + TypeName(f.typeId) + " " + Quote(f.name) + " {\n";
        Head(f);
        if (f.shortcut) {
            // By name where the row has one, so that printed forms read as they are written.
            const ShortcutRow* row = FindShortcut(f.shortcut);
            Line("shortcut " + (row && *row->name ? std::string(row->name) : std::to_string(f.shortcut)), 2);
        }
        if (f.level)
            Line("level " + std::to_string(f.level), 2);
        static const char* const kFlagNames[3] = {"hidden", "disabled", "checked"};
        Flags(f.flags, kFlagNames);
        if (!f.caption.empty())
            Line("caption " + Quote(f.caption), 2);
        if (f.handler != kNoHandlerOffset)
            Line("handler " + Handler(f.handler), 2);
        if (!f.tail.empty())
            Line("tail " + HexBytes(f.tail), 2);
        Line("}");
    }

    const std::vector<HandlerSlot>* handlers_;
};

}  // namespace

bool PrintFormBlock(const uint8_t* data, size_t size, const std::vector<HandlerSlot>* handlers,
                    std::string* text, std::string* error) {
    std::vector<WindowDescriptionData> windows;
    if (!ReadFormBlock(data, size, &windows)) {
        *error = "not a valid form block";
        return false;
    }
    Printer p(handlers);
    p.out = "# A form block printed by formc; compiling this text gives the same block.\n\n";
    p.Handlers();
    for (size_t i = 0; i < windows.size(); ++i) {
        if (i)
            p.out += "\n";
        p.Window(windows[i]);
    }
    *text = p.out;
    return true;
}
