// Form block codec: records, unit tables and whole blocks built by hand from the layout's
// definition (every expected offset and byte is counted here, not produced by the encoder),
// handler relocation and record replacement.
#include "runtime/image/form_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Appends words, zero-terminated texts and blocks exactly as the layout defines them.
struct Builder {
    Bytes b;
    Builder& w(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Builder& z(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
        return *this;
    }
    Builder& raw(const Bytes& r) {
        b.insert(b.end(), r.begin(), r.end());
        return *this;
    }
    Builder& block(const Bytes& r) { return w(static_cast<uint32_t>(r.size())).raw(r); }
    Builder& text(const std::string& s) {
        w(static_cast<uint32_t>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
};

uint32_t WordAt(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// A button record: name "ab", one child, pointer block of 4 zero bytes, tag "t", flags 5,
// tab order 3, two bindings (event 0 -> offset 12, event -1 -> none), stored data DE AD.
Bytes ButtonRecord() {
    return Builder()
        .w(0x0001000B).w(0x16010009)        // type id, event source        0..7
        .w(0).w(0).w(0).w(0)                // reserved                     8..23
        .z("ab").z("")                      // name, second name            24..27
        .w(0)                               // unit object slot             28
        .w(static_cast<uint32_t>(-7)).w(9)  // left -7, top 9               32, 36
        .w(72).w(24)                        // width, height                40, 44
        .w(0)                               // cursor slot                  48
        .w(0)                               // parent                       52
        .w(1).w(0x16010003)                 // one child                    56, 60
        .block({0, 0, 0, 0})                // mouse pointer                64..71
        .z("t")                             // tag                          72..73
        .w(0)                               // reserved                     74
        .w(5).w(3)                          // flags, tab order             78, 82
        .w(2)                               // binding count                86
        .w(0).w(12)                         // event 0 -> 12                90, 94
        .w(static_cast<uint32_t>(-1)).w(0xFFFFFFFF)  // event -1 -> none     98, 102
        .w(0).w(0).w(0).w(0).w(0)           // reserved                     106..125
        .raw({0xDE, 0xAD})                  // stored data                  126
        .b;
}

// The window's own record: no bindings beyond event 0 -> 0, no stored data.
Bytes WindowRecord(uint32_t handler) {
    return Builder()
        .w(0x00010001).w(0).w(0).w(0).w(0).w(0)
        .z("").z("")
        .w(0).w(50).w(50).w(216).w(250).w(0).w(0)
        .w(0)               // no children
        .block({0, 0, 0, 0})
        .z("")
        .w(0).w(1).w(0)
        .w(1).w(0).w(handler)
        .w(0).w(0).w(0).w(0).w(0)
        .b;
}

// A menu item: head, shortcut 19, level 1, flags 4, caption "Save", handler 24, tail 77.
Bytes MenuRecord(uint32_t handler) {
    return Builder()
        .w(0).w(0).w(0).w(0).w(0).w(0)
        .z("m").z("")
        .w(19).w(1).w(4)
        .z("Save")
        .w(handler)
        .raw({0x77})
        .b;
}

// An exact-size heap copy, so that the sanitizers see any access past the end.
struct Heap {
    explicit Heap(const Bytes& bytes) : size(bytes.size()), data(new uint8_t[bytes.size() + 1]) {
        if (size)
            std::memcpy(data.get(), bytes.data(), size);
    }
    size_t size;
    std::unique_ptr<uint8_t[]> data;
};

TEST(UnitRecordParsing, FieldsOfAHandBuiltRecord) {
    Bytes r = ButtonRecord();
    ASSERT_EQ(r.size(), 128u);
    Heap h(r);
    UnitRecordFields f;
    UnitRecordLayout layout;
    ASSERT_TRUE(ParseUnitRecord(h.data.get(), h.size, &f, &layout));
    EXPECT_EQ(f.typeId, 0x0001000Bu);
    EXPECT_EQ(f.eventSource, 0x16010009u);
    EXPECT_EQ(f.name, "ab");
    EXPECT_EQ(f.secondName, "");
    EXPECT_EQ(f.left, -7);
    EXPECT_EQ(f.top, 9);
    EXPECT_EQ(f.width, 72);
    EXPECT_EQ(f.height, 24);
    EXPECT_EQ(f.parent, 0u);
    ASSERT_EQ(f.children.size(), 1u);
    EXPECT_EQ(f.children[0], 0x16010003u);
    EXPECT_EQ(f.mousePointer, Bytes(4, 0));
    EXPECT_EQ(f.tag, "t");
    EXPECT_EQ(f.flags, kUnitVisible | kUnitTabStop);
    EXPECT_EQ(f.tabOrder, 3);
    ASSERT_EQ(f.bindings.size(), 2u);
    EXPECT_EQ(f.bindings[0].event, 0);
    EXPECT_EQ(f.bindings[0].handler, 12u);
    EXPECT_EQ(f.bindings[1].event, -1);
    EXPECT_EQ(f.bindings[1].handler, kNoHandlerOffset);
    EXPECT_EQ(f.storedData, (Bytes{0xDE, 0xAD}));
}

TEST(UnitRecordParsing, ReportsTheOffsetsTheRuntimeWritesInPlace) {
    Bytes r = ButtonRecord();
    UnitRecordFields f;
    UnitRecordLayout layout;
    ASSERT_TRUE(ParseUnitRecord(r.data(), r.size(), &f, &layout));
    EXPECT_EQ(layout.unitObjectOffset, 28u);
    EXPECT_EQ(layout.cursorOffset, 48u);
    ASSERT_EQ(layout.handlerOffsets.size(), 2u);
    EXPECT_EQ(layout.handlerOffsets[0], 94u);
    EXPECT_EQ(layout.handlerOffsets[1], 102u);
    EXPECT_EQ(layout.storedDataOffset, 126u);
}

// The quick look-up of the live words reads only the head; it must agree with the full parser
// whatever the texts before the words, and refuse a record cut before the parent word ends.
TEST(UnitSlotLookup, AgreesWithTheParserAndRefusesCutRecords) {
    Bytes r = ButtonRecord();
    for (size_t n = 0; n <= r.size(); ++n) {
        Heap h(Bytes(r.begin(), r.begin() + static_cast<std::ptrdiff_t>(n)));
        UnitSlotOffsets slots;
        const bool ok = LocateUnitSlots(h.data.get(), h.size, &slots);
        EXPECT_EQ(ok, n >= 56) << "cut at " << n;
        if (ok) {
            EXPECT_EQ(slots.unitObject, 28u);
            EXPECT_EQ(slots.cursor, 48u);
            EXPECT_EQ(slots.parent, 52u);
        }
    }
    for (const char* name : {"", "a", "\xB0\xB4\xC5\xA5", "a long name of a unit"}) {
        UnitRecordFields f;
        f.name = name;
        f.secondName = std::string(name) + "2";
        f.parent = 0x16010007;
        Bytes record = EncodeUnitRecord(f);
        UnitRecordLayout layout;
        UnitSlotOffsets slots;
        ASSERT_TRUE(ParseUnitRecord(record.data(), record.size(), &f, &layout));
        ASSERT_TRUE(LocateUnitSlots(record.data(), record.size(), &slots));
        EXPECT_EQ(slots.unitObject, layout.unitObjectOffset);
        EXPECT_EQ(slots.cursor, layout.cursorOffset);
        uint32_t parent;
        std::memcpy(&parent, record.data() + slots.parent, 4);
        EXPECT_EQ(parent, 0x16010007u);
    }
}

TEST(UnitRecordEncoding, GivesBackTheHandBuiltBytes) {
    Bytes r = ButtonRecord();
    UnitRecordFields f;
    ASSERT_TRUE(ParseUnitRecord(r.data(), r.size(), &f, nullptr));
    EXPECT_EQ(EncodeUnitRecord(f), r);
    EXPECT_EQ(EncodeUnitRecord(UnitRecordFields{}).size(), 24u + 2 + 4 * 8 + 4 + 1 + 4 * 4 + 20);
}

TEST(UnitRecordParsing, EveryCutBeforeTheStoredDataIsRefused) {
    Bytes r = ButtonRecord();
    for (size_t n = 0; n < r.size(); ++n) {
        Heap h(Bytes(r.begin(), r.begin() + static_cast<std::ptrdiff_t>(n)));
        UnitRecordFields f;
        bool ok = ParseUnitRecord(h.data.get(), h.size, &f, nullptr);
        // The stored data is the rest of the record: cuts inside it still parse, shorter.
        EXPECT_EQ(ok, n >= 126) << "cut at " << n;
        if (ok) {
            EXPECT_EQ(f.storedData.size(), n - 126);
        }
    }
}

TEST(UnitRecordParsing, CountsLargerThanTheRecordAreRefused) {
    Bytes r = ButtonRecord();
    r[56] = 0xFF;  // child count 0x000000FF: far more than the record holds
    UnitRecordFields f;
    EXPECT_FALSE(ParseUnitRecord(r.data(), r.size(), &f, nullptr));
    r = ButtonRecord();
    r[86 + 3] = 0x40;  // binding count 0x40000002
    EXPECT_FALSE(ParseUnitRecord(r.data(), r.size(), &f, nullptr));
    r = ButtonRecord();
    r[64] = 0x10;  // mouse pointer block of 16 bytes runs over the tag and beyond
    r.resize(90);
    EXPECT_FALSE(ParseUnitRecord(r.data(), r.size(), &f, nullptr));
}

TEST(UnitRecordParsing, NameWithoutTerminatorIsRefused) {
    Bytes r = Builder().w(1).w(0).w(0).w(0).w(0).w(0).raw({'a', 'b'}).b;
    UnitRecordFields f;
    EXPECT_FALSE(ParseUnitRecord(r.data(), r.size(), &f, nullptr));
}

TEST(MenuItemRecord, FieldsHandlerOffsetAndTail) {
    Bytes r = MenuRecord(24);
    MenuItemFields m;
    size_t at = 0;
    ASSERT_TRUE(ParseMenuItemRecord(r.data(), r.size(), &m, &at));
    EXPECT_EQ(m.name, "m");
    EXPECT_EQ(m.shortcut, 19u);
    EXPECT_EQ(m.level, 1u);
    EXPECT_EQ(m.flags, kMenuItemChecked);
    EXPECT_EQ(m.caption, "Save");
    EXPECT_EQ(m.handler, 24u);
    EXPECT_EQ(at, 24u + 2 + 1 + 12 + 5);
    EXPECT_EQ(m.tail, Bytes{0x77});
    EXPECT_EQ(EncodeMenuItemRecord(m), r);
    Bytes cut(r.begin(), r.begin() + static_cast<std::ptrdiff_t>(at + 3));
    EXPECT_FALSE(ParseMenuItemRecord(cut.data(), cut.size(), &m, &at));
}

// Ids, offsets, then entries; three entries: window (0), button, menu item.
Bytes ThreeEntryTable(uint32_t windowHandler, uint32_t menuHandler) {
    Bytes w = WindowRecord(windowHandler), u = ButtonRecord(), m = MenuRecord(menuHandler);
    uint32_t o1 = 4 + static_cast<uint32_t>(w.size());
    uint32_t o2 = o1 + 4 + static_cast<uint32_t>(u.size());
    return Builder()
        .w(0x06010000).w(0x16010033).w(0x26010040)
        .w(0).w(o1).w(o2)
        .block(w).block(u).block(m)
        .b;
}

TEST(UnitTable, AssignsAValidTableAndFindsEntries) {
    UnitTable t;
    ASSERT_TRUE(t.Assign(3, ThreeEntryTable(0, 0)));
    EXPECT_EQ(t.Count(), 3u);
    EXPECT_EQ(t.IdAt(0), 0x06010000u);
    EXPECT_EQ(t.IdAt(2), 0x26010040u);
    EXPECT_EQ(t.IdAt(3), 0u);
    EXPECT_EQ(t.Find(0x06010000), 0);
    EXPECT_EQ(t.Find(0x16010033), 1);
    EXPECT_EQ(t.Find(0x26010040), 2);
    EXPECT_EQ(t.Find(0x16010034), -1);
    EXPECT_FALSE(t.IsMenuItem(1));
    EXPECT_TRUE(t.IsMenuItem(2));
    EXPECT_EQ(t.RecordCopy(1), ButtonRecord());
    uint32_t size = 0;
    EXPECT_EQ(t.Record(3, &size), nullptr);
    EXPECT_EQ(size, 0u);
}

TEST(UnitTable, BuildLaysOutTheSameBytesAsTheImage) {
    UnitTable t = UnitTable::Build({0x06010000, 0x16010033, 0x26010040},
                                   {WindowRecord(0), ButtonRecord(), MenuRecord(0)});
    EXPECT_EQ(t.Bytes(), ThreeEntryTable(0, 0));
}

TEST(UnitTableValidation, RefusesBrokenTables) {
    const Bytes good = ThreeEntryTable(0, 0);
    EXPECT_TRUE(UnitTable::Validate(3, good.data(), good.size()));
    EXPECT_FALSE(UnitTable::Validate(0, good.data(), good.size())) << "entry 0 must exist";
    EXPECT_FALSE(UnitTable::Validate(0x20000000, good.data(), good.size())) << "8*N beyond the bytes";

    Bytes b = good;
    b[12 + 8 + 3] = 0xF0;  // offset of entry 2 far outside
    EXPECT_FALSE(UnitTable::Validate(3, b.data(), b.size()));

    b = good;
    b[24 + 0] = 0xFF;  // size word of entry 0 grown past the table (low byte)
    b[24 + 1] = 0xFF;
    EXPECT_FALSE(UnitTable::Validate(3, b.data(), b.size()));

    b = good;
    b[16] = 0;  // entry 1's offset now points at entry 0: they overlap
    b[17] = 0;
    EXPECT_FALSE(UnitTable::Validate(3, b.data(), b.size()));

    b = good;  // entry 0 may not be a menu item
    b[3] = 0x26;
    EXPECT_FALSE(UnitTable::Validate(3, b.data(), b.size()));

    b = good;  // entry 1 as a menu item id: its unit record does not parse as a menu item
    b[7] = 0x26;
    EXPECT_TRUE(UnitTable::Validate(3, b.data(), b.size()))
        << "a unit record happens to parse as a menu item with a long tail";
    b = good;  // entry 2 as a unit: the menu item's bytes are far too short for a unit record
    b[11] = 0x16;
    EXPECT_FALSE(UnitTable::Validate(3, b.data(), b.size()));

    UnitTable t;
    EXPECT_FALSE(t.Assign(3, Bytes(good.begin(), good.end() - 1)));
    EXPECT_EQ(t.Count(), 0u);
}

TEST(UnitTableReplace, GrowingARecordMovesTheOffsetsOfLaterEntries) {
    UnitTable t;
    ASSERT_TRUE(t.Assign(3, ThreeEntryTable(0, 0)));
    const Bytes before = t.Bytes();
    const uint32_t w = static_cast<uint32_t>(WindowRecord(0).size());
    const uint32_t u = static_cast<uint32_t>(ButtonRecord().size());

    Bytes longer = ButtonRecord();
    longer.insert(longer.end(), {1, 2, 3, 4, 5});  // five more bytes of stored data
    ASSERT_TRUE(t.ReplaceRecord(1, longer.data(), longer.size()));
    const Bytes& b = t.Bytes();
    EXPECT_EQ(WordAt(b, 12), 0u);
    EXPECT_EQ(WordAt(b, 16), 4 + w);
    EXPECT_EQ(WordAt(b, 20), 4 + w + 4 + u + 5);
    EXPECT_EQ(WordAt(b, 24 + 4 + w), u + 5);  // the size word
    EXPECT_EQ(b.size(), before.size() + 5);
    EXPECT_EQ(t.RecordCopy(1), longer);
    EXPECT_EQ(t.RecordCopy(2), MenuRecord(0));
    EXPECT_EQ(t.RecordCopy(0), WindowRecord(0));
    EXPECT_TRUE(UnitTable::Validate(3, b.data(), b.size()));

    // Back to the old length: the table is what it was.
    Bytes orig = ButtonRecord();
    ASSERT_TRUE(t.ReplaceRecord(1, orig.data(), orig.size()));
    EXPECT_EQ(t.Bytes(), before);
}

TEST(UnitTableReplace, LaterMeansStoredBehindNotHigherIndex) {
    // Entries stored in reverse: entry 2 first in the buffer, entry 0 last.
    Bytes w = WindowRecord(0), u = ButtonRecord(), m = MenuRecord(0);
    uint32_t om = 0, ou = 4 + static_cast<uint32_t>(m.size()), ow = ou + 4 + static_cast<uint32_t>(u.size());
    Bytes table = Builder().w(0x06010000).w(0x16010033).w(0x26010040).w(ow).w(ou).w(om)
                      .block(m).block(u).block(w).b;
    UnitTable t;
    ASSERT_TRUE(t.Assign(3, table));
    Bytes shorter = MenuRecord(0);
    shorter.pop_back();  // drop the tail byte
    ASSERT_TRUE(t.ReplaceRecord(2, shorter.data(), shorter.size()));
    EXPECT_EQ(WordAt(t.Bytes(), 20), 0u);
    EXPECT_EQ(WordAt(t.Bytes(), 16), ou - 1);
    EXPECT_EQ(WordAt(t.Bytes(), 12), ow - 1);
    EXPECT_EQ(t.RecordCopy(0), w);
    EXPECT_EQ(t.RecordCopy(1), u);
    EXPECT_EQ(t.RecordCopy(2), shorter);
}

TEST(UnitTableReplace, RefusesBytesThatDoNotParseAndBadIndexes) {
    UnitTable t;
    ASSERT_TRUE(t.Assign(3, ThreeEntryTable(0, 0)));
    const Bytes before = t.Bytes();
    Bytes junk = {1, 2, 3};
    EXPECT_FALSE(t.ReplaceRecord(1, junk.data(), junk.size()));
    EXPECT_FALSE(t.ReplaceRecord(3, ButtonRecord().data(), ButtonRecord().size()));
    EXPECT_EQ(t.Bytes(), before);
}

// A form block of two windows, counted out by hand.
Bytes TwoWindowBlock(const Bytes& table1, const Bytes& table2) {
    return Builder()
        .w(16).w(0x52010001).w(0x52010002).w(0).w(0)  // window list: ids, placeholders
        .w(0x00356638).w(0x19010004).text("").text("")
        .w(3).block(table1)
        .w(7).w(8).text("A").text("bc")
        .w(1).block(table2)
        .b;
}

TEST(FormBlock, ReadsAHandBuiltBlock) {
    Bytes t1 = ThreeEntryTable(0, 12), t2 = Builder().w(0x06020000).w(0).block(WindowRecord(0xFFFFFFFF)).b;
    Heap h(TwoWindowBlock(t1, t2));
    std::vector<WindowDescriptionData> windows;
    ASSERT_TRUE(ReadFormBlock(h.data.get(), h.size, &windows));
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].windowId, 0x52010001u);
    EXPECT_EQ(windows[0].wordA, 0x00356638u);
    EXPECT_EQ(windows[0].wordB, 0x19010004u);
    EXPECT_EQ(windows[0].table.Count(), 3u);
    EXPECT_EQ(windows[0].table.Bytes(), t1);
    EXPECT_EQ(windows[1].windowId, 0x52010002u);
    EXPECT_EQ(windows[1].wordA, 7u);
    EXPECT_EQ(windows[1].textA, "A");
    EXPECT_EQ(windows[1].textB, "bc");
    EXPECT_EQ(windows[1].table.IdAt(0), 0x06020000u);
    EXPECT_EQ(WriteFormBlock(windows), TwoWindowBlock(t1, t2));
}

TEST(FormBlock, EmptyBlockIsAProgramWithoutWindows) {
    std::vector<WindowDescriptionData> windows(1);
    EXPECT_TRUE(ReadFormBlock(nullptr, 0, &windows));
    EXPECT_TRUE(windows.empty());
}

TEST(FormBlock, RefusesMalformedBlocks) {
    Bytes t1 = ThreeEntryTable(0, 12), t2 = Builder().w(0x06020000).w(0).block(WindowRecord(0)).b;
    const Bytes good = TwoWindowBlock(t1, t2);
    std::vector<WindowDescriptionData> windows;

    Bytes b = good;
    b.push_back(0);  // a byte after the last description
    EXPECT_FALSE(ReadFormBlock(b.data(), b.size(), &windows));
    EXPECT_TRUE(windows.empty());

    b = Builder().w(12).w(0x52010001).w(0).w(0).b;  // a window list of 12 bytes
    EXPECT_FALSE(ReadFormBlock(b.data(), b.size(), &windows));

    b = good;
    b[0] = 24;  // three windows announced, the third description missing
    EXPECT_FALSE(ReadFormBlock(b.data(), b.size(), &windows));

    b = good;
    b[20 + 16] = 2;  // entry count of window 1 says 2 where the table holds 3
    EXPECT_FALSE(ReadFormBlock(b.data(), b.size(), &windows));

    b = Builder().w(0x7FFFFFF0).w(1).b;  // a huge window list length
    EXPECT_FALSE(ReadFormBlock(b.data(), b.size(), &windows));
}

TEST(Relocation, MinusOneIsNoHandlerZeroIsTheBase) {
    UnitTable t;
    ASSERT_TRUE(t.Assign(3, ThreeEntryTable(0, 24)));
    ASSERT_TRUE(RelocateHandlers(t, 0x00401004, 3));
    UnitRecordFields f;
    Bytes r = t.RecordCopy(0);
    ASSERT_TRUE(ParseUnitRecord(r.data(), r.size(), &f, nullptr));
    EXPECT_EQ(f.bindings[0].handler, 0x00401004u) << "offset 0 is HandlerBase itself";
    r = t.RecordCopy(1);
    ASSERT_TRUE(ParseUnitRecord(r.data(), r.size(), &f, nullptr));
    EXPECT_EQ(f.bindings[0].handler, 0x00401004u + 12);
    EXPECT_EQ(f.bindings[1].handler, 0u) << "-1 is no handler, not HandlerBase - 1";
    EXPECT_EQ(f.bindings[1].event, -1) << "the event word is left alone";
    MenuItemFields m;
    r = t.RecordCopy(2);
    ASSERT_TRUE(ParseMenuItemRecord(r.data(), r.size(), &m, nullptr));
    EXPECT_EQ(m.handler, 0x00401004u + 24);
    EXPECT_EQ(m.tail, Bytes{0x77});
}

TEST(Relocation, RefusesOffsetsOutsideTheHandlerArea) {
    // The window's and the menu item's offsets vary; the button always leads to slot 1. Slot 2
    // is the last of three; one past it or the middle of a slot is refused, in a menu item as
    // in a unit, and so is the button's slot 1 when the area has one slot only.
    const struct { uint32_t window, menu, slots; bool ok; } cases[] = {
        {0, 24, 3, true}, {0, 36, 3, false}, {36, 0, 3, false}, {5, 0, 3, false},
        {0, 14, 3, false}, {0, 0xFFFFFFFF, 2, true}, {0, 0xFFFFFFFF, 1, false}, {0xFFFFFFF0, 0, 3, false},
    };
    for (const auto& c : cases) {
        UnitTable t;
        ASSERT_TRUE(t.Assign(3, ThreeEntryTable(c.window, c.menu)));
        EXPECT_EQ(RelocateHandlers(t, 0x00401004, c.slots), c.ok) << c.window << " " << c.menu << " " << c.slots;
    }
}

TEST(Relocation, ReachesEveryWindowOfABlock) {
    Bytes t1 = ThreeEntryTable(36, 0xFFFFFFFF), t2 = Builder().w(0x06020000).w(0).block(WindowRecord(0)).b;
    Bytes block = TwoWindowBlock(t1, t2);
    std::vector<WindowDescriptionData> windows;
    ASSERT_TRUE(ReadFormBlock(block.data(), block.size(), &windows));
    ASSERT_TRUE(RelocateHandlers(windows, 0x1000, 4));
    UnitRecordFields f;
    Bytes r = windows[0].table.RecordCopy(0);
    ASSERT_TRUE(ParseUnitRecord(r.data(), r.size(), &f, nullptr));
    EXPECT_EQ(f.bindings[0].handler, 0x1000u + 36);
    MenuItemFields m;
    r = windows[0].table.RecordCopy(2);
    ASSERT_TRUE(ParseMenuItemRecord(r.data(), r.size(), &m, nullptr));
    EXPECT_EQ(m.handler, 0u);
    r = windows[1].table.RecordCopy(0);
    ASSERT_TRUE(ParseUnitRecord(r.data(), r.size(), &f, nullptr));
    EXPECT_EQ(f.bindings[0].handler, 0x1000u);
}

TEST(LiveSlots, WritingAtTheReportedOffsetsChangesOnlyThoseWords) {
    UnitTable t;
    ASSERT_TRUE(t.Assign(3, ThreeEntryTable(0, 0)));
    uint32_t size = 0;
    uint8_t* rec = t.MutableRecord(1, &size);
    UnitRecordFields f;
    UnitRecordLayout layout;
    ASSERT_TRUE(ParseUnitRecord(rec, size, &f, &layout));
    const uint32_t object = 0x00ABCDEF, cursor = 0x12345678;
    std::memcpy(rec + layout.unitObjectOffset, &object, 4);  // the little-endian hosts we run on
    std::memcpy(rec + layout.cursorOffset, &cursor, 4);
    UnitRecordFields g;
    ASSERT_TRUE(ParseUnitRecord(rec, size, &g, nullptr));
    EXPECT_EQ(g.unitObject, object);
    EXPECT_EQ(g.cursor, cursor);
    EXPECT_EQ(g.left, f.left);
    EXPECT_EQ(g.height, f.height);
    EXPECT_EQ(g.parent, f.parent);
}

TEST(Identifiers, KindsAndValidity) {
    EXPECT_EQ(IdSubKind(0x52010001), kIdSubKindWindow);
    EXPECT_EQ(IdKind(0x52010001), kIdKindWindow);
    EXPECT_EQ(IdSerial(0x1601004E), 0x1004Eu);
    EXPECT_TRUE(IsMenuItemId(0x26010040));
    EXPECT_FALSE(IsMenuItemId(0x16010040));
    EXPECT_FALSE(IsMenuItemId(0x22010040)) << "sub-kind 2 of kind 2 is not a menu item";
    EXPECT_TRUE(IsValidId(0x06010000 | 1));
    EXPECT_FALSE(IsValidId(0x06000000)) << "serial 0";
    EXPECT_FALSE(IsValidId(0x10000001)) << "kind 0";
}

}  // namespace
