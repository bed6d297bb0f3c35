// Form source to form block; see form_text.h for the format.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <utility>

#include "runtime/image/form_block.h"
#include "runtime/image/shortcut_table.h"
#include "runtime/units/stored_schema.h"
#include "tools/formc/form_text.h"
#include "tools/formc/gbk.h"

namespace {

// Parsing stops at the first error; an exception carries it to CompileFormText, the only caller.
struct FormError {
    int line;
    std::string message;
};

struct Token {
    enum Kind { Word, String, Open, Close, End } kind = End;
    std::string text;  // a word, or a string's characters with escapes resolved
    // A string's pieces: UTF-8 text to convert, or raw bytes from \x escapes.
    std::vector<std::pair<bool, std::string>> pieces;
    int line = 0;
};

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' || c == '+';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AddPiece(Token& t, bool raw, const std::string& s) {
    if (t.pieces.empty() || t.pieces.back().first != raw)
        t.pieces.emplace_back(raw, std::string());
    t.pieces.back().second += s;
    t.text += s;
}

// Reads the string that starts at text[i] == '"'; i ends after the closing quote.
Token ReadString(const std::string& text, size_t& i, int& line) {
    Token t;
    t.kind = Token::String;
    t.line = line;
    for (++i; i < text.size() && text[i] != '"'; ++i) {
        char c = text[i];
        if (c == '\n')
            ++line;
        if (c != '\\') {
            AddPiece(t, false, std::string(1, c));
            continue;
        }
        if (++i >= text.size())
            break;
        switch (text[i]) {
        case 'n': AddPiece(t, false, "\n"); break;
        case 'r': AddPiece(t, false, "\r"); break;
        case 't': AddPiece(t, false, "\t"); break;
        case '"': AddPiece(t, false, "\""); break;
        case '\\': AddPiece(t, false, "\\"); break;
        case 'x': {
            int hi = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            int lo = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (hi < 0 || lo < 0)
                throw FormError{line, "\\x needs two hexadecimal digits"};
            AddPiece(t, true, std::string(1, static_cast<char>(hi * 16 + lo)));
            i += 2;
            break;
        }
        default:
            throw FormError{line, std::string("unknown escape \\") + text[i]};
        }
    }
    if (i >= text.size())
        throw FormError{t.line, "the text has no closing quote"};
    ++i;
    return t;
}

std::vector<Token> Tokenize(const std::string& text) {
    std::vector<Token> tokens;
    int line = 1;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == '"') {
            tokens.push_back(ReadString(text, i, line));
        } else if (c == '{' || c == '}') {
            Token t;
            t.kind = c == '{' ? Token::Open : Token::Close;
            t.text = std::string(1, c);
            t.line = line;
            tokens.push_back(t);
            ++i;
        } else if (IsWordChar(c)) {
            Token t;
            t.kind = Token::Word;
            t.line = line;
            while (i < text.size() && IsWordChar(text[i]))
                t.text += text[i++];
            tokens.push_back(t);
        } else {
            throw FormError{line, std::string("unexpected character '") + c + "'"};
        }
    }
    Token end;
    end.line = line;
    tokens.push_back(end);
    return tokens;
}

// A binding's handler as written; resolved to an offset once every handler name is known.
struct HandlerRef {
    enum Kind { Name, None, Offset } kind = None;
    std::string name;
    uint32_t offset = 0;
    int line = 0;
};

struct ParsedEntry {
    uint32_t id = 0;
    bool menu = false;
    UnitRecordFields unit;
    MenuItemFields item;
    std::vector<HandlerRef> refs;  // per binding, or the menu item's one handler
};

struct ParsedWindow {
    WindowDescriptionData description;
    std::vector<ParsedEntry> entries;
    int line = 0;
};

class Parser {
public:
    Parser(std::vector<Token> tokens, std::string baseDir)
        : tokens_(std::move(tokens)), baseDir_(std::move(baseDir)) {}

    void ParseFile() {
        while (Peek().kind != Token::End) {
            std::string word = Word("'handlers' or 'window'");
            if (word == "handlers")
                ParseHandlers();
            else if (word == "window")
                ParseWindow();
            else
                Fail("expected 'handlers' or 'window', found '" + word + "'");
        }
    }

    std::vector<HandlerSlot> handlers;
    std::map<std::string, size_t> handlerIndex;
    std::vector<ParsedWindow> windows;

private:
    const Token& Peek() const { return tokens_[pos_]; }
    const Token& Next() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }
    [[noreturn]] void Fail(const std::string& message) const {
        int line = tokens_[pos_ > 0 ? pos_ - 1 : 0].line;
        throw FormError{line, message};
    }

    std::string Word(const char* what) {
        const Token& t = Next();
        if (t.kind != Token::Word)
            throw FormError{t.line, std::string("expected ") + what};
        return t.text;
    }
    void Open() {
        if (Next().kind != Token::Open)
            Fail("expected '{'");
    }
    bool CloseNext() {
        if (Peek().kind != Token::Close)
            return false;
        Next();
        return true;
    }
    int64_t Number(const char* what) {
        std::string w = Word(what);
        const char* s = w.c_str();
        bool negative = *s == '-';
        if (negative)
            ++s;
        int base = (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) ? 16 : 10;
        if (base == 16)
            s += 2;
        char* end = nullptr;
        unsigned long long v = *s ? std::strtoull(s, &end, base) : 0;
        if (!*s || *end || v > 0xFFFFFFFFull || (negative && v > 0x80000000ull))
            Fail(std::string("expected ") + what + ", found '" + w + "'");
        return negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    }
    uint32_t Word32(const char* what) { return static_cast<uint32_t>(Number(what)); }
    int32_t Int32(const char* what) { return static_cast<int32_t>(static_cast<uint32_t>(Number(what))); }

    const Token& StringToken(const char* what) {
        const Token& t = Next();
        if (t.kind != Token::String)
            throw FormError{t.line, std::string("expected ") + what + " in quotes"};
        return t;
    }
    // A text for the image: UTF-8 pieces converted to GBK, raw bytes as they are.
    std::string Text(const char* what) {
        const Token& t = StringToken(what);
        std::string out;
        for (const auto& piece : t.pieces) {
            if (piece.first) {
                out += piece.second;
                continue;
            }
            std::string gbk, error;
            if (!Utf8ToGbk(piece.second, &gbk, &error))
                throw FormError{t.line, error};
            out += gbk;
        }
        return out;
    }
    // A zero-terminated text of a record cannot hold a zero byte.
    std::string ZText(const char* what) {
        std::string s = Text(what);
        if (s.find('\0') != std::string::npos)
            Fail(std::string(what) + " cannot hold a zero byte");
        return s;
    }
    std::vector<uint8_t> Hex() {
        const Token& t = StringToken("hexadecimal bytes");
        std::vector<uint8_t> out;
        int high = -1;
        for (char c : t.text) {
            if (std::isspace(static_cast<unsigned char>(c)))
                continue;
            int d = HexDigit(c);
            if (d < 0)
                throw FormError{t.line, std::string("'") + c + "' is not a hexadecimal digit"};
            if (high < 0) {
                high = d;
            } else {
                out.push_back(static_cast<uint8_t>(high * 16 + d));
                high = -1;
            }
        }
        if (high >= 0)
            throw FormError{t.line, "an odd number of hexadecimal digits"};
        return out;
    }
    std::vector<uint8_t> HexAfterKeyword() {
        if (Word("'hex'") != "hex")
            Fail("expected 'hex'");
        return Hex();
    }
    // A byte block: `hex "..."`, or `file "path"` with the path relative to the form's folder
    // (pictures and sounds are kept beside the form as the files they are).
    std::vector<uint8_t> BlockAfterKeyword() {
        std::string word = Word("'hex' or 'file'");
        if (word == "hex")
            return Hex();
        if (word != "file")
            Fail("expected 'hex' or 'file'");
        const Token& t = StringToken("a file path");
        std::string path = t.text;
        if (!path.empty() && path[0] != '/' && !baseDir_.empty())
            path = baseDir_ + "/" + path;
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.is_open() || in.bad())
            throw FormError{t.line, "cannot read the file '" + path + "'"};
        return bytes;
    }

    size_t DeclareHandler(const std::string& name, bool producesValue) {
        if (!IsHandlerName(name))
            Fail("'" + name + "' is not a handler name (a C identifier)");
        auto it = handlerIndex.find(name);
        if (it == handlerIndex.end()) {
            it = handlerIndex.emplace(name, handlers.size()).first;
            handlers.push_back(HandlerSlot{name, producesValue});
        }
        handlers[it->second].producesValue |= producesValue;
        return it->second;
    }

    void ParseHandlers() {
        Open();
        while (!CloseNext()) {
            std::string name = Word("a handler name");
            bool returns = name == "returns";
            if (returns)
                name = Word("a handler name");
            if (handlerIndex.count(name))
                Fail("handler '" + name + "' is declared twice");
            DeclareHandler(name, returns);
        }
    }

    HandlerRef ParseHandlerRef() {
        HandlerRef ref;
        ref.line = Peek().line;
        std::string w = Word("a handler, 'none' or 'offset'");
        if (w == "none") {
            ref.kind = HandlerRef::None;
        } else if (w == "offset") {
            ref.kind = HandlerRef::Offset;
            ref.offset = Word32("a handler offset");
        } else {
            bool returns = w == "returns";
            if (returns)
                w = Word("a handler name");
            ref.kind = HandlerRef::Name;
            ref.name = w;
            // Names are collected in order of use; declared ones keep their declared slots.
            DeclareHandler(w, returns);
        }
        return ref;
    }

    uint32_t TypeId() {
        std::string w = Word("a unit type");
        if (const StoredKind* kind = FindStoredKindByName(w))
            return kind->typeId;
        --pos_;
        return Word32("a unit type name (window, EditBox, Button, TransLabel) or type id");
    }

    void ParseWindow() {
        ParsedWindow w;
        w.line = Peek().line;
        w.description.windowId = Word32("a window identifier");
        Open();
        while (!CloseNext()) {
            std::string key = Word("a window statement");
            if (key == "word-a")
                w.description.wordA = Word32("a word");
            else if (key == "word-b")
                w.description.wordB = Word32("a word");
            else if (key == "text-a")
                w.description.textA = Text("a text");
            else if (key == "text-b")
                w.description.textB = Text("a text");
            else if (key == "unit")
                w.entries.push_back(ParseUnit());
            else if (key == "menu-item")
                w.entries.push_back(ParseMenuItem());
            else
                Fail("unknown window statement '" + key + "'");
        }
        windows.push_back(std::move(w));
    }

    template <typename Fields>
    bool ParseHeadStatement(const std::string& key, Fields& f) {
        if (key == "second-name") {
            f.secondName = ZText("the second name");
        } else if (key == "event-source") {
            f.eventSource = Word32("a unit identifier");
        } else if (key == "reserved-a") {
            for (uint32_t& r : f.reserved1)
                r = Word32("a reserved word");
        } else {
            return false;
        }
        return true;
    }

    ParsedEntry ParseUnit() {
        ParsedEntry e;
        UnitRecordFields& f = e.unit;
        e.id = Word32("a unit identifier");
        f.typeId = TypeId();
        f.name = ZText("the unit's name");
        f.mousePointer.assign(4, 0);  // the default cursor
        bool hasData = false;
        Open();
        while (!CloseNext()) {
            std::string key = Word("a unit statement");
            if (ParseHeadStatement(key, f)) {
            } else if (key == "geometry") {
                f.left = Int32("left");
                f.top = Int32("top");
                f.width = Int32("width");
                f.height = Int32("height");
            } else if (key == "visible") {
                f.flags |= kUnitVisible;
            } else if (key == "disabled") {
                f.flags |= kUnitDisabled;
            } else if (key == "tabstop") {
                f.flags |= kUnitTabStop;
            } else if (key == "flags") {
                f.flags |= Word32("a flag word");
            } else if (key == "tab-order") {
                f.tabOrder = Int32("a tab order");
            } else if (key == "parent") {
                f.parent = Word32("a unit identifier");
            } else if (key == "children") {
                Open();
                while (!CloseNext())
                    f.children.push_back(Word32("a unit identifier or 0"));
            } else if (key == "tag") {
                f.tag = ZText("the tag");
            } else if (key == "mouse-pointer") {
                if (Peek().kind == Token::Word && Peek().text == "hex") {
                    f.mousePointer = HexAfterKeyword();
                } else {
                    uint32_t cursor = Word32("a cursor number or 'hex'");
                    for (int i = 0; i < 4; ++i)
                        f.mousePointer[static_cast<size_t>(i)] = static_cast<uint8_t>(cursor >> (8 * i));
                }
            } else if (key == "on") {
                EventBinding b;
                b.event = Int32("an event number");
                b.handler = kNoHandlerOffset;
                f.bindings.push_back(b);
                e.refs.push_back(ParseHandlerRef());
            } else if (key == "reserved-b") {
                f.reserved2 = Word32("a reserved word");
            } else if (key == "reserved-c") {
                for (uint32_t& r : f.reserved3)
                    r = Word32("a reserved word");
            } else if (key == "object-slot") {
                f.unitObject = Word32("a word");
            } else if (key == "cursor-slot") {
                f.cursor = Word32("a word");
            } else if (key == "data") {
                if (hasData)
                    Fail("a unit has one 'data'");
                hasData = true;
                f.storedData = ParseData(f.typeId);
            } else {
                Fail("unknown unit statement '" + key + "'");
            }
        }
        return e;
    }

    std::vector<uint8_t> ParseData(uint32_t typeId) {
        if (Peek().kind == Token::Word && Peek().text == "hex")
            return HexAfterKeyword();
        const StoredKind* kind = FindStoredKind(typeId);
        if (!kind)
            Fail("type has no known stored-data fields: write its data as 'data hex \"...\"'");
        StoredRecord record(*kind);
        std::set<std::string> seen;
        Open();
        while (!CloseNext()) {
            std::string name = Word("a field name");
            int index = record.FindField(name);
            if (index < 0)
                Fail(std::string("a ") + kind->typeName + " has no field '" + name + "'");
            if (!seen.insert(name).second)
                Fail("field '" + name + "' is given twice");
            size_t i = static_cast<size_t>(index);
            StoredFieldKind fieldKind = record.Field(i).kind;
            if (fieldKind == StoredFieldKind::Text) {
                record.SetBytes(i, Text("a text"));
            } else if (fieldKind == StoredFieldKind::ByteBlock || fieldKind == StoredFieldKind::FontBlock) {
                std::vector<uint8_t> bytes = BlockAfterKeyword();
                record.SetBytes(i, std::string(bytes.begin(), bytes.end()));
            } else if (fieldKind == StoredFieldKind::Logical && Peek().kind == Token::Word &&
                       (Peek().text == "true" || Peek().text == "false")) {
                record.SetNumber(i, Next().text == "true" ? 1 : 0);
            } else {
                record.SetNumber(i, Int32("a number"));
            }
        }
        return record.SaveBlock();
    }

    // A shortcut row by number, or by its name ("Ctrl+S", "F5", "Ins").
    uint32_t Shortcut() {
        const Token& t = Peek();
        if (t.kind != Token::Word || t.text[0] == '-' || std::isdigit(static_cast<unsigned char>(t.text[0])))
            return Word32("a shortcut number or name");
        const uint32_t number = ShortcutNumberOf(t.text);
        if (number == 0)
            Fail("unknown shortcut '" + t.text + "' (names are Ctrl+A to Ctrl+Z, F1 to F12, Ctrl+, Shift+ and "
                 "Ctrl+Shift+ F1 to F12, Ins, Del)");
        Next();
        return number;
    }

    ParsedEntry ParseMenuItem() {
        ParsedEntry e;
        e.menu = true;
        MenuItemFields& f = e.item;
        e.id = Word32("a menu item identifier");
        if (!IsMenuItemId(e.id))
            Fail("a menu item identifier has kind 6 and sub-kind 2 (0x26......)");
        f.typeId = TypeId();
        f.name = ZText("the menu item's name");
        HandlerRef none;
        none.kind = HandlerRef::None;
        e.refs.push_back(none);
        Open();
        while (!CloseNext()) {
            std::string key = Word("a menu item statement");
            if (ParseHeadStatement(key, f)) {
            } else if (key == "shortcut") {
                f.shortcut = Shortcut();
            } else if (key == "level") {
                f.level = Word32("a level");
            } else if (key == "hidden") {
                f.flags |= kMenuItemHidden;
            } else if (key == "disabled") {
                f.flags |= kMenuItemDisabled;
            } else if (key == "checked") {
                f.flags |= kMenuItemChecked;
            } else if (key == "flags") {
                f.flags |= Word32("a flag word");
            } else if (key == "caption") {
                f.caption = ZText("the caption");
            } else if (key == "handler") {
                e.refs[0] = ParseHandlerRef();
            } else if (key == "tail") {
                f.tail = HexAfterKeyword();
            } else {
                Fail("unknown menu item statement '" + key + "'");
            }
        }
        return e;
    }

    std::vector<Token> tokens_;
    std::string baseDir_;
    size_t pos_ = 0;
};

uint32_t Resolve(const HandlerRef& ref, const std::map<std::string, size_t>& index) {
    switch (ref.kind) {
    case HandlerRef::None: return kNoHandlerOffset;
    case HandlerRef::Offset: return ref.offset;
    case HandlerRef::Name: break;
    }
    return static_cast<uint32_t>(12 * index.at(ref.name));
}

WindowDescriptionData Assemble(ParsedWindow& w, const std::map<std::string, size_t>& index) {
    if (w.entries.empty())
        throw FormError{w.line, "a window needs at least its own entry (the first unit)"};
    if (w.entries[0].menu)
        throw FormError{w.line, "the first entry of a window is the window itself, not a menu item"};
    std::vector<uint32_t> ids;
    std::vector<std::vector<uint8_t>> records;
    std::set<uint32_t> seen;
    for (ParsedEntry& e : w.entries) {
        if (!seen.insert(e.id).second)
            throw FormError{w.line, "identifier used twice in one window"};
        ids.push_back(e.id);
        if (e.menu) {
            e.item.handler = Resolve(e.refs[0], index);
            records.push_back(EncodeMenuItemRecord(e.item));
        } else {
            for (size_t i = 0; i < e.refs.size(); ++i)
                e.unit.bindings[i].handler = Resolve(e.refs[i], index);
            records.push_back(EncodeUnitRecord(e.unit));
        }
    }
    WindowDescriptionData out = std::move(w.description);
    out.table = UnitTable::Build(ids, records);
    return out;
}

}  // namespace

bool IsHandlerName(const std::string& name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])))
        return false;
    if (name == "none" || name == "offset" || name == "returns")
        return false;
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return false;
    }
    return true;
}

bool CompileFormText(const std::string& text, CompiledForm* out, std::string* error, const std::string& baseDir) {
    try {
        Parser parser(Tokenize(text), baseDir);
        parser.ParseFile();
        std::vector<WindowDescriptionData> windows;
        out->highestSerial = 0;
        for (ParsedWindow& w : parser.windows) {
            out->highestSerial = std::max(out->highestSerial, w.description.windowId & 0xFFFFFFu);
            for (const ParsedEntry& e : w.entries)
                out->highestSerial = std::max(out->highestSerial, e.id & 0xFFFFFFu);
            windows.push_back(Assemble(w, parser.handlerIndex));
        }
        out->firstWindow = parser.windows.empty() ? 0 : parser.windows.front().description.windowId;
        out->block = WriteFormBlock(windows);
        out->handlers = parser.handlers;
        // What we wrote must be what the runtime accepts.
        std::vector<WindowDescriptionData> check;
        if (!ReadFormBlock(out->block.data(), out->block.size(), &check))
            throw FormError{0, "the compiled block does not read back (a record too large?)"};
        return true;
    } catch (const FormError& e) {
        *error = "line " + std::to_string(e.line) + ": " + e.message;
        return false;
    }
}

std::string HandlerListText(const std::vector<HandlerSlot>& handlers) {
    std::string out;
    for (const HandlerSlot& h : handlers)
        out += h.name + (h.producesValue ? " returns\n" : "\n");
    return out;
}

bool ParseHandlerList(const std::string& text, std::vector<HandlerSlot>* handlers, std::string* error) {
    handlers->clear();
    size_t start = 0;
    int line = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string row = text.substr(start, end - start);
        start = end + 1;
        ++line;
        if (!row.empty() && row.back() == '\r')
            row.pop_back();
        if (row.empty())
            continue;
        HandlerSlot slot;
        size_t space = row.find(' ');
        slot.name = row.substr(0, space);
        if (space != std::string::npos) {
            if (row.substr(space + 1) != "returns") {
                *error = "handler list line " + std::to_string(line) + ": expected 'returns' after the name";
                return false;
            }
            slot.producesValue = true;
        }
        if (!IsHandlerName(slot.name)) {
            *error = "handler list line " + std::to_string(line) + ": '" + slot.name + "' is not a handler name";
            return false;
        }
        handlers->push_back(slot);
    }
    return true;
}
