// Stored-data schema and record codec: defaults and stored order of the four unit kinds, the
// window's version-dependent layout, and refusal of versions newer than a kind's own; the schema
// against the units' own records. Expected bytes are written out word by word from the layouts'
// definitions.
#include "runtime/units/stored_schema.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/framework/archive.h"
#include "runtime/framework/mem_file.h"
#include "runtime/units/button_data.h"
#include "runtime/units/edit_box_data.h"
#include "runtime/units/trans_label_data.h"
#include "runtime/units/window_data.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Builder {
    Bytes b;
    Builder& w(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Builder& h(uint16_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
        return *this;
    }
    Builder& text(const std::string& s) {
        w(static_cast<uint32_t>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
};

int Field(const StoredRecord& r, const char* name) {
    int i = r.FindField(name);
    EXPECT_GE(i, 0) << name;
    return i;
}

int32_t Num(const StoredRecord& r, const char* name) { return r.Number(static_cast<size_t>(Field(r, name))); }
std::string Txt(const StoredRecord& r, const char* name) { return r.Bytes(static_cast<size_t>(Field(r, name))); }

const std::string kButtonGbk = "\xB0\xB4\xC5\xA5";                  // 按钮
const std::string kLabelGbk = "\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9";   // 透明标签
const std::string kCurrentGbk = "\xB5\xB1\xC7\xB0\xD6\xA1\xCA\xFD"; // 当前帧数

// The tool's window data: version 6, every field at its default but the caption.
Bytes ToolWindowData() {
    return Builder()
        .w(6)
        .w(2).w(1).w(0xFF000000)      // border, picture layout, background colour
        .w(0).w(1).w(1)               // maximise, minimise, control box
        .w(1).w(1).w(0)               // position, close button, sound playing
        .w(0).w(1).w(0).w(0)          // Enter, Esc, F1, help topic
        .w(1)                         // version 2: shown in the task bar
        .w(0).w(0)                    // version 3: drag anywhere, shape
        .w(0)                         // version 4: always on top
        .w(0)                         // version 5: title stays active
        .text("")                     // version 6: class name
        .w(0).w(0).w(0)               // picture, icon, sound
        .text("Tavori").text("")      // caption, help file
        .b;
}

TEST(StoredSchema, KindsByTypeIdAndName) {
    EXPECT_EQ(FindStoredKind(0x00010001), &kWindowStoredKind);
    EXPECT_EQ(FindStoredKind(0x00010005), &kEditBoxStoredKind);
    EXPECT_EQ(FindStoredKind(0x0001000B), &kButtonStoredKind);
    EXPECT_EQ(FindStoredKind(0x00020005), &kTransLabelStoredKind);
    EXPECT_EQ(FindStoredKind(0x00020001), nullptr);
    EXPECT_EQ(FindStoredKindByName("TransLabel"), &kTransLabelStoredKind);
    EXPECT_EQ(FindStoredKindByName("translabel"), nullptr);
}

// The form compiler writes stored data through the schema; the units read it through their own
// records. Both must take the same blocks and write the same bytes: the defaults, and every
// seed block of the unit kind's fuzz target, loaded and saved again.
template <class Data>
std::vector<uint8_t> SaveUnitData(Data& record) {
    CMemFile file;
    {
        CArchive archive(file, CArchive::store);
        EXPECT_EQ(record.Serialize(archive), 1);
        archive.Flush();
        archive.Close();
    }
    return file.Detach();
}

template <class Data>
void ExpectSchemaAgrees(const StoredKind& kind, const std::string& seeds) {
    SCOPED_TRACE(kind.typeName);
    Data unit;
    unit.Reset();
    EXPECT_EQ(StoredRecord(kind).SaveBlock(), SaveUnitData(unit)) << "defaults";
    size_t blocks = 0;
    for (const auto& file : std::filesystem::directory_iterator(std::string(TAVORI_FUZZ_SEEDS_DIR) + "/" + seeds)) {
        std::ifstream in(file.path(), std::ios::binary);
        const std::vector<uint8_t> block((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(file.path().filename().string());
        StoredRecord record(kind);
        ASSERT_TRUE(record.LoadBlock(block.data(), block.size()));
        ASSERT_TRUE(LoadStoredData(unit, block.data(), static_cast<int32_t>(block.size())));
        EXPECT_EQ(record.SaveBlock(), SaveUnitData(unit));
        // One byte short: both refuse.
        EXPECT_FALSE(record.LoadBlock(block.data(), block.size() - 1));
        EXPECT_FALSE(LoadStoredData(unit, block.data(), static_cast<int32_t>(block.size() - 1)));
        ++blocks;
    }
    EXPECT_GE(blocks, 2u);
}

TEST(StoredSchema, AgreesWithTheUnitsOwnRecords) {
    ExpectSchemaAgrees<WindowData>(kWindowStoredKind, "window_data_fuzzer");
    ExpectSchemaAgrees<EditBoxData>(kEditBoxStoredKind, "edit_box_data_fuzzer");
    ExpectSchemaAgrees<ButtonData>(kButtonStoredKind, "button_data_fuzzer");
    ExpectSchemaAgrees<TransLabelData>(kTransLabelStoredKind, "trans_label_data_fuzzer");
}

TEST(StoredSchema, EveryOwnPropertyIsStoredOnce) {
    size_t count = 0;
    const StoredKind* const* kinds = AllStoredKinds(&count);
    ASSERT_EQ(count, 4u);
    // Own property counts: window 24 (0..23), edit box 20 stored (18 is not), button 6, label 7.
    const size_t expected[] = {24, 20, 6, 7};
    for (size_t k = 0; k < count; ++k) {
        EXPECT_EQ(kinds[k]->fieldCount, expected[k]) << kinds[k]->typeName;
        std::vector<int> seen;
        for (size_t i = 0; i < kinds[k]->fieldCount; ++i) {
            int p = kinds[k]->fields[i].property;
            for (int s : seen)
                EXPECT_NE(s, p) << kinds[k]->typeName << " property " << p;
            seen.push_back(p);
        }
    }
}

TEST(StoredRecordDefaults, AsTheUnitKindsDefineThem) {
    StoredRecord w(kWindowStoredKind);
    EXPECT_EQ(Num(w, "border"), 2);
    EXPECT_EQ(static_cast<uint32_t>(Num(w, "background-colour")), 0xFF000000u);
    EXPECT_EQ(Num(w, "picture-layout"), 1);
    EXPECT_EQ(Num(w, "control-box"), 1);
    EXPECT_EQ(Num(w, "maximise-button"), 0);
    EXPECT_EQ(Num(w, "position"), 1);
    EXPECT_EQ(Num(w, "esc-closes"), 1);
    EXPECT_EQ(Num(w, "shown-in-taskbar"), 1);
    EXPECT_EQ(Txt(w, "caption"), "");

    StoredRecord e(kEditBoxStoredKind);
    EXPECT_EQ(Num(e, "border"), 1);
    EXPECT_EQ(Num(e, "background-colour"), 0xFFFFFF);
    EXPECT_EQ(Num(e, "hide-selection"), 1);
    EXPECT_EQ(Num(e, "password-char"), '*');
    EXPECT_EQ(Num(e, "adjuster-upper"), 100);

    StoredRecord b(kButtonStoredKind);
    EXPECT_EQ(Txt(b, "caption"), kButtonGbk);
    EXPECT_EQ(Num(b, "horizontal-alignment"), 1);
    EXPECT_EQ(Num(b, "vertical-alignment"), 1);

    StoredRecord l(kTransLabelStoredKind);
    EXPECT_EQ(Txt(l, "caption"), kLabelGbk);
    EXPECT_EQ(Num(l, "vertical-alignment"), 1);
    EXPECT_EQ(Num(l, "horizontal-alignment"), 0);

    // Reset undoes changes.
    l.SetNumber(static_cast<size_t>(Field(l, "effect")), 3);
    l.SetBytes(static_cast<size_t>(Field(l, "caption")), "x");
    l.Reset();
    EXPECT_EQ(Num(l, "effect"), 0);
    EXPECT_EQ(Txt(l, "caption"), kLabelGbk);
}

TEST(StoredRecordLoad, EmptyBlockMeansAllDefaults) {
    StoredRecord b(kButtonStoredKind);
    b.SetNumber(0, 1);
    EXPECT_TRUE(b.LoadBlock(nullptr, 0));
    EXPECT_EQ(Num(b, "default-button"), 0);
    EXPECT_EQ(Txt(b, "caption"), kButtonGbk);
}

TEST(StoredRecordSave, TheToolsWindowInStoredOrder) {
    StoredRecord w(kWindowStoredKind);
    w.SetBytes(static_cast<size_t>(Field(w, "caption")), "Tavori");
    EXPECT_EQ(w.SaveBlock(), ToolWindowData());
    EXPECT_EQ(ToolWindowData().size(), 106u);
}

TEST(StoredRecordSave, ButtonAndLabelOfTheTool) {
    StoredRecord b(kButtonStoredKind);
    b.SetBytes(static_cast<size_t>(Field(b, "caption")), kCurrentGbk);
    EXPECT_EQ(b.SaveBlock(), Builder().w(1).w(0).w(1).w(1).w(0).w(0).text(kCurrentGbk).b);

    StoredRecord l(kTransLabelStoredKind);
    l.SetNumber(static_cast<size_t>(Field(l, "text-colour")), 0x808080);
    l.SetBytes(static_cast<size_t>(Field(l, "caption")), "abc");
    // version, effect, colour, horizontal, vertical, wrap, font, caption
    EXPECT_EQ(l.SaveBlock(), Builder().w(1).w(0).w(0x808080).w(0).w(1).w(0).w(0).text("abc").b);
}

TEST(StoredRecordLoad, EditBoxPasswordCharacterIsSixteenBits) {
    Bytes data = Builder()
        .w(2)
        .w(3).w(0x0000FF).w(0x00FF00).w(0).w(10).w(1).w(2).w(1).w(2)
        .h('#')
        .w(2).w(1).w(-5).w(5).w(1).w(2)
        .text("FONT").text("42").text("src").text("col")
        .b;
    StoredRecord e(kEditBoxStoredKind);
    ASSERT_TRUE(e.LoadBlock(data.data(), data.size()));
    EXPECT_EQ(Num(e, "border"), 3);
    EXPECT_EQ(Num(e, "text-colour"), 0xFF);
    EXPECT_EQ(Num(e, "max-length"), 10);
    EXPECT_EQ(Num(e, "input-mode"), 2);
    EXPECT_EQ(Num(e, "password-char"), '#');
    EXPECT_EQ(Num(e, "letter-case"), 2);
    EXPECT_EQ(Num(e, "adjuster-lower"), -5);
    EXPECT_EQ(Num(e, "selection-length"), 2);
    EXPECT_EQ(Txt(e, "font"), "FONT");
    EXPECT_EQ(Txt(e, "content"), "42");
    EXPECT_EQ(Txt(e, "data-source"), "src");
    EXPECT_EQ(Txt(e, "data-column"), "col");
    EXPECT_EQ(e.SaveBlock(), data);
}

TEST(StoredRecordLoad, EditBoxVersionOneEndsAfterTheContent) {
    Bytes data = Builder()
        .w(1)
        .w(1).w(0).w(0xFFFFFF).w(1).w(0).w(0).w(0).w(0).w(0)
        .h('*')
        .w(0).w(0).w(0).w(100).w(0).w(0)
        .text("").text("abc")
        .b;
    StoredRecord e(kEditBoxStoredKind);
    ASSERT_TRUE(e.LoadBlock(data.data(), data.size()));
    EXPECT_EQ(e.LoadedVersion(), 1u);
    EXPECT_EQ(Txt(e, "content"), "abc");
    EXPECT_EQ(Txt(e, "data-source"), "");
    // The writer always writes its own version, names included.
    Bytes saved = e.SaveBlock();
    EXPECT_EQ(saved.size(), data.size() + 8);
    EXPECT_EQ(saved[0], 2);
}

// Window data of an older version: the words of later versions are absent, blocks and texts
// follow the last word the version has.
TEST(StoredRecordLoad, WindowVersionOneHasNoLaterWords) {
    Bytes data = Builder()
        .w(1)
        .w(4).w(3).w(0x123456).w(1).w(0).w(0).w(2).w(0).w(2).w(1).w(0).w(1).w(77)
        .text("PIC").text("").text("SND")
        .text("Cap").text("help.chm")
        .b;
    StoredRecord w(kWindowStoredKind);
    ASSERT_TRUE(w.LoadBlock(data.data(), data.size()));
    EXPECT_EQ(Num(w, "border"), 4);
    EXPECT_EQ(Num(w, "picture-layout"), 3);
    EXPECT_EQ(Num(w, "background-colour"), 0x123456);
    EXPECT_EQ(Num(w, "maximise-button"), 1);
    EXPECT_EQ(Num(w, "control-box"), 0);
    EXPECT_EQ(Num(w, "position"), 2);
    EXPECT_EQ(Num(w, "sound-playing"), 2);
    EXPECT_EQ(Num(w, "help-topic"), 77);
    EXPECT_EQ(Num(w, "shown-in-taskbar"), 1) << "from version 2 on; keeps its default";
    EXPECT_EQ(Txt(w, "background-picture"), "PIC");
    EXPECT_EQ(Txt(w, "background-sound"), "SND");
    EXPECT_EQ(Txt(w, "caption"), "Cap");
    EXPECT_EQ(Txt(w, "help-file"), "help.chm");
}

TEST(StoredRecordLoad, WindowVersionThreeAndFive) {
    Bytes v3 = Builder()
        .w(3)
        .w(2).w(1).w(0).w(0).w(1).w(1).w(1).w(1).w(0).w(0).w(1).w(0).w(0)
        .w(0)         // shown in task bar
        .w(1).w(7)    // drag anywhere, shape 7
        .w(0).w(0).w(0)
        .text("T").text("")
        .b;
    StoredRecord w(kWindowStoredKind);
    ASSERT_TRUE(w.LoadBlock(v3.data(), v3.size()));
    EXPECT_EQ(Num(w, "shown-in-taskbar"), 0);
    EXPECT_EQ(Num(w, "drag-anywhere"), 1);
    EXPECT_EQ(Num(w, "shape"), 7);
    EXPECT_EQ(Num(w, "always-on-top"), 0);
    EXPECT_EQ(Txt(w, "caption"), "T");

    Bytes v5 = Builder()
        .w(5)
        .w(2).w(1).w(0).w(0).w(1).w(1).w(1).w(1).w(0).w(0).w(1).w(0).w(0)
        .w(1).w(0).w(0)
        .w(1)         // always on top
        .w(1)         // title stays active; no class name in version 5
        .w(0).w(0).w(0)
        .text("Five").text("")
        .b;
    ASSERT_TRUE(w.LoadBlock(v5.data(), v5.size()));
    EXPECT_EQ(Num(w, "always-on-top"), 1);
    EXPECT_EQ(Num(w, "title-stays-active"), 1);
    EXPECT_EQ(Txt(w, "class-name"), "");
    EXPECT_EQ(Txt(w, "caption"), "Five");
}

TEST(StoredRecordLoad, WindowVersionSixReadsTheClassName) {
    Bytes data = ToolWindowData();
    data[4 + 18 * 4] = 3;  // class name length 3 ...
    data.insert(data.begin() + 4 + 18 * 4 + 4, {'C', 'l', 's'});
    StoredRecord w(kWindowStoredKind);
    ASSERT_TRUE(w.LoadBlock(data.data(), data.size()));
    EXPECT_EQ(Txt(w, "class-name"), "Cls");
    EXPECT_EQ(Txt(w, "caption"), "Tavori");
    EXPECT_EQ(w.SaveBlock(), data);
}

TEST(StoredRecordLoad, RefusesAVersionAboveItsOwn) {
    const StoredKind* kinds[] = {&kWindowStoredKind, &kEditBoxStoredKind, &kButtonStoredKind,
                                 &kTransLabelStoredKind};
    for (const StoredKind* kind : kinds) {
        StoredRecord r(*kind);
        Bytes data = r.SaveBlock();
        ASSERT_TRUE(r.LoadBlock(data.data(), data.size())) << kind->typeName;
        data[0] = static_cast<uint8_t>(kind->version + 1);
        EXPECT_FALSE(r.LoadBlock(data.data(), data.size())) << kind->typeName << ": own version + 1";
        data[0] = data[1] = data[2] = data[3] = 0xFF;  // -1 as signed, the largest unsigned
        EXPECT_FALSE(r.LoadBlock(data.data(), data.size())) << kind->typeName << ": unsigned comparison";
    }
}

TEST(StoredRecordLoad, ABlockThatEndsEarlyFailsAndLeavesDefaults) {
    Bytes data = ToolWindowData();
    StoredRecord w(kWindowStoredKind);
    for (size_t n = 1; n < data.size(); ++n) {
        EXPECT_FALSE(w.LoadBlock(data.data(), n)) << "cut at " << n;
        EXPECT_EQ(Txt(w, "caption"), "");
        EXPECT_EQ(Num(w, "border"), 2);
    }
    EXPECT_TRUE(w.LoadBlock(data.data(), data.size()));
}

TEST(StoredRecordLoad, LoadsFromAnArchiveInsideALargerStream) {
    Bytes data = Builder().w(1).w(3).w(0x00FF00).w(2).w(0).w(1).w(0).text("L").w(0xCAFEF00D).b;
    CMemFile file(data.data(), data.size());
    CArchive ar(file, CArchive::load);
    StoredRecord l(kTransLabelStoredKind);
    ASSERT_TRUE(l.Load(ar));
    EXPECT_EQ(Num(l, "effect"), 3);
    EXPECT_EQ(Num(l, "text-colour"), 0x00FF00);
    EXPECT_EQ(Num(l, "horizontal-alignment"), 2);
    EXPECT_EQ(Num(l, "vertical-alignment"), 0);
    EXPECT_EQ(Num(l, "word-wrap"), 1);
    EXPECT_EQ(Txt(l, "caption"), "L");
    EXPECT_EQ(ar.ReadDWord(), 0xCAFEF00Du) << "the record reads no further than its last field";
}

TEST(StoredRecordSave, ThroughAnArchive) {
    StoredRecord b(kButtonStoredKind);
    CMemFile file;
    {
        CArchive ar(file, CArchive::store);
        ASSERT_TRUE(b.Save(ar));
        ar.WriteDWord(9);
    }
    Bytes expected = Builder().w(1).w(0).w(1).w(1).w(0).w(0).text(kButtonGbk).w(9).b;
    EXPECT_EQ(file.Detach(), expected);
}

}  // namespace
