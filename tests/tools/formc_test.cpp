// The form compiler: the test forms compile, print and compile again to the same bytes; the
// tool's window comes out as its description says; hand-counted bytes for the smallest form;
// errors name their line; GBK conversion (expected bytes from the iconv command line tool).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/image/form_block.h"
#include "runtime/units/stored_schema.h"
#include "tools/formc/form_output.h"
#include "tools/formc/form_text.h"
#include "tools/formc/gbk.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A test form by name, or the tool's own form when the name is a path.
std::string ReadForm(const std::string& name) {
    const std::string path = name.find('/') == std::string::npos ? std::string(TAVORI_FORMS_DIR) + "/" + name : name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CompiledForm Compile(const std::string& text) {
    CompiledForm form;
    std::string error;
    EXPECT_TRUE(CompileFormText(text, &form, &error)) << error;
    return form;
}

std::string CompileError(const std::string& text) {
    CompiledForm form;
    std::string error;
    EXPECT_FALSE(CompileFormText(text, &form, &error)) << text;
    return error;
}

std::string Print(const Bytes& block, const std::vector<HandlerSlot>* handlers) {
    std::string text, error;
    EXPECT_TRUE(PrintFormBlock(block.data(), block.size(), handlers, &text, &error)) << error;
    return text;
}

struct Builder {
    Bytes b;
    Builder& w(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Builder& raw(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Builder& text(const std::string& s) { return w(static_cast<uint32_t>(s.size())).raw(s); }
};

class FormRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(FormRoundTrip, SourceBlockSourceBlockIsByteIdentical) {
    CompiledForm first = Compile(ReadForm(GetParam()));
    std::string printed = Print(first.block, &first.handlers);
    CompiledForm second = Compile(printed);
    EXPECT_EQ(second.block, first.block) << printed;
    ASSERT_EQ(second.handlers.size(), first.handlers.size());
    for (size_t i = 0; i < first.handlers.size(); ++i) {
        EXPECT_EQ(second.handlers[i].name, first.handlers[i].name);
        EXPECT_EQ(second.handlers[i].producesValue, first.handlers[i].producesValue);
    }
    // Printing is stable: the second block prints as the first did.
    EXPECT_EQ(Print(second.block, &second.handlers), printed);
}

TEST_P(FormRoundTrip, WithoutTheHandlerListBindingsKeepTheirOffsets) {
    CompiledForm first = Compile(ReadForm(GetParam()));
    std::string printed = Print(first.block, nullptr);
    EXPECT_EQ(printed.find("handlers {"), std::string::npos);
    EXPECT_EQ(Compile(printed).block, first.block) << printed;
}

INSTANTIATE_TEST_SUITE_P(TestForms, FormRoundTrip,
                         ::testing::Values(TAVORI_TOOL_FORM, "minimal.form", "features.form"));

TEST(FormCompiler, TheSmallestFormByHand) {
    CompiledForm form = Compile(ReadForm("minimal.form"));
    Bytes record = Builder()
        .w(0x00010001).w(0).w(0).w(0).w(0).w(0)  // type, event source, reserved
        .raw(std::string("\0\0", 2))               // two empty names
        .w(0).w(0).w(0).w(100).w(80)             // object slot, geometry
        .w(0).w(0).w(0)                          // cursor slot, parent, no children
        .w(4).w(0)                               // mouse pointer: 4 zero bytes
        .raw(std::string("\0", 1))                 // tag
        .w(0).w(0).w(0)                          // reserved, flags, tab order
        .w(0)                                    // no bindings
        .w(0).w(0).w(0).w(0).w(0)                // reserved
        .b;
    Bytes table = Builder().w(0x06000000).w(0).w(static_cast<uint32_t>(record.size())).b;
    table.insert(table.end(), record.begin(), record.end());
    Bytes block = Builder().w(8).w(0x52000001).w(0).w(0).w(0).text("").text("").w(1).w(static_cast<uint32_t>(table.size())).b;
    block.insert(block.end(), table.begin(), table.end());
    EXPECT_EQ(form.block, block);
    EXPECT_TRUE(form.handlers.empty());
}

UnitRecordFields Entry(const WindowDescriptionData& w, uint32_t index) {
    UnitRecordFields f;
    Bytes r = w.table.RecordCopy(index);
    EXPECT_TRUE(ParseUnitRecord(r.data(), r.size(), &f, nullptr));
    return f;
}

TEST(ToolWindowForm, AsTheWindowIsDescribed) {
    CompiledForm form = Compile(ReadForm(TAVORI_TOOL_FORM));
    std::vector<WindowDescriptionData> windows;
    ASSERT_TRUE(ReadFormBlock(form.block.data(), form.block.size(), &windows));
    ASSERT_EQ(windows.size(), 1u);
    const WindowDescriptionData& w = windows[0];
    EXPECT_EQ(w.windowId, 0x52010001u);
    EXPECT_EQ(w.wordA, 0x00356638u);
    EXPECT_EQ(w.wordB, 0x19010004u);
    EXPECT_TRUE(w.textA.empty() && w.textB.empty());
    const uint32_t ids[] = {0x06010000, 0x1601004E, 0x16010049, 0x16010048, 0x16010046, 0x1601003D,
                            0x16010037, 0x16010036, 0x16010035, 0x16010033, 0x16010003, 0x16010002};
    ASSERT_EQ(w.table.Count(), 12u);
    for (uint32_t i = 0; i < 12; ++i)
        EXPECT_EQ(w.table.IdAt(i), ids[i]) << i;

    // Handlers in slot order, offsets 12 apart.
    ASSERT_EQ(form.handlers.size(), 4u);
    EXPECT_EQ(form.handlers[0].name, "SetGameFolder");
    EXPECT_EQ(form.handlers[3].name, "ApplyFrameLimit");
    EXPECT_EQ(HandlerListText(form.handlers), "SetGameFolder\nOpenMakerPage\nShowCurrentFrameLimit\nApplyFrameLimit\n");

    UnitRecordFields window = Entry(w, 0);
    EXPECT_EQ(window.typeId, 0x00010001u);
    EXPECT_EQ(window.left, 50);
    EXPECT_EQ(window.width, 216);
    EXPECT_EQ(window.height, 250);
    EXPECT_EQ(window.flags, 1u);
    ASSERT_EQ(window.bindings.size(), 1u);
    EXPECT_EQ(window.bindings[0].event, 0);
    EXPECT_EQ(window.bindings[0].handler, 0u);
    EXPECT_EQ(window.mousePointer, Bytes(4, 0));
    // Version 6 with every default but the caption (words written out in stored order).
    Bytes windowData = Builder().w(6).w(2).w(1).w(0xFF000000).w(0).w(1).w(1).w(1).w(1).w(0).w(0).w(1).w(0).w(0)
                           .w(1).w(0).w(0).w(0).w(0).text("").w(0).w(0).w(0).text("Tavori").text("").b;
    EXPECT_EQ(window.storedData, windowData);

    UnitRecordFields label6 = Entry(w, 1);
    EXPECT_EQ(label6.typeId, 0x00020005u);
    EXPECT_EQ(label6.name, "\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9" "6");
    EXPECT_EQ(label6.left, 46);
    EXPECT_EQ(label6.top, 131);
    const std::string caption6 = "\xD3\xB0\xD7\xD3\xCB\xB2\xD2\xC6\xCE\xC8\xB6\xA8\xD6\xA1\xCA\xFD" "30~34";
    EXPECT_EQ(label6.storedData, Builder().w(1).w(0).w(0x808080).w(0).w(1).w(0).w(0).text(caption6).b);

    UnitRecordFields link = Entry(w, 2);
    ASSERT_EQ(link.bindings.size(), 1u);
    EXPECT_EQ(link.bindings[0].event, -1);
    EXPECT_EQ(link.bindings[0].handler, 12u);

    UnitRecordFields current = Entry(w, 5);
    EXPECT_EQ(current.typeId, 0x0001000Bu);
    EXPECT_EQ(current.flags, 5u);
    EXPECT_EQ(current.bindings[0].handler, 24u);
    EXPECT_EQ(current.storedData,
              Builder().w(1).w(0).w(1).w(1).w(0).w(0).text("\xB5\xB1\xC7\xB0\xD6\xA1\xCA\xFD").b);

    for (uint32_t i : {6u, 7u, 10u}) {
        UnitRecordFields edit = Entry(w, i);
        EXPECT_EQ(edit.typeId, 0x00010005u);
        EXPECT_TRUE(edit.storedData.empty()) << "edit boxes store nothing";
        EXPECT_TRUE(edit.bindings.empty());
    }
    EXPECT_EQ(Entry(w, 10).left, 221);
    EXPECT_EQ(Entry(w, 9).bindings[0].handler, 36u);
    UnitRecordFields qq = Entry(w, 11);
    EXPECT_EQ(qq.storedData, Builder().w(1).w(0).w(0x0000FF).w(0).w(1).w(0).w(0).text("QQ\xBA\xC5").b);
    for (uint32_t i = 0; i < 12; ++i) {
        UnitRecordFields f = Entry(w, i);
        EXPECT_EQ(f.parent, 0u);
        EXPECT_TRUE(f.children.empty());
        EXPECT_EQ(f.tabOrder, 0);
        EXPECT_EQ(f.eventSource, 0u);
        EXPECT_TRUE(f.tag.empty());
    }
}

TEST(FeaturesForm, WhatTheFormSays) {
    CompiledForm form = Compile(ReadForm("features.form"));
    std::vector<WindowDescriptionData> windows;
    ASSERT_TRUE(ReadFormBlock(form.block.data(), form.block.size(), &windows));
    ASSERT_EQ(windows.size(), 2u);
    const WindowDescriptionData& w = windows[0];
    EXPECT_EQ(w.textA, "\xBC\xD7");
    EXPECT_EQ(w.textB, "tab\there \"quoted\" back\\slash \xFF\x80 end");
    ASSERT_EQ(form.handlers.size(), 4u);
    EXPECT_EQ(HandlerListText(form.handlers), "OnCreate\nCanClose returns\nOnSave\nOnFocus\n");

    UnitRecordFields own = Entry(w, 0);
    EXPECT_EQ(own.left, -10);
    EXPECT_EQ(own.flags, 0x103u);
    EXPECT_EQ(own.tabOrder, 2);
    ASSERT_EQ(own.bindings.size(), 4u);
    EXPECT_EQ(own.bindings[1].handler, 12u);
    EXPECT_EQ(own.bindings[2].handler, 0xFFFFFFFFu);
    EXPECT_EQ(own.bindings[3].handler, 1200u);
    StoredRecord data(kWindowStoredKind);
    ASSERT_TRUE(data.LoadBlock(own.storedData.data(), own.storedData.size()));
    EXPECT_EQ(data.Number(static_cast<size_t>(data.FindField("help-topic"))), -3);
    EXPECT_EQ(data.Bytes(static_cast<size_t>(data.FindField("class-name"))), "MyClass");
    EXPECT_EQ(data.Bytes(static_cast<size_t>(data.FindField("background-picture"))), "\x89PNG\r\n\x1A\n");

    ASSERT_TRUE(w.table.IsMenuItem(1));
    MenuItemFields save;
    Bytes r = w.table.RecordCopy(2);
    ASSERT_TRUE(ParseMenuItemRecord(r.data(), r.size(), &save, nullptr));
    EXPECT_EQ(save.shortcut, 19u);
    EXPECT_EQ(save.level, 1u);
    EXPECT_EQ(save.flags, kMenuItemChecked | kMenuItemDisabled);
    EXPECT_EQ(save.handler, 24u);
    EXPECT_EQ(save.tail, (Bytes{1, 2, 3, 4}));

    UnitRecordFields box = Entry(w, 3);
    EXPECT_EQ(box.typeId, 0x00030007u);
    EXPECT_EQ(box.children, (std::vector<uint32_t>{0x16010021, 0, 0x16010022}));
    EXPECT_EQ(box.mousePointer, (Bytes{0x00, 0x7F, 0, 0}));
    EXPECT_EQ(box.reserved3[4], 10u);
    EXPECT_EQ(box.storedData, (Bytes{1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));

    UnitRecordFields edit = Entry(w, 4);
    EXPECT_TRUE(edit.mousePointer.empty());
    EXPECT_EQ(edit.flags, kUnitTabStop);
    EXPECT_EQ(edit.bindings[0].handler, 36u);
    EXPECT_EQ(edit.bindings[1].handler, 36u) << "one slot per handler name";

    UnitRecordFields slots = Entry(windows[1], 0);
    EXPECT_EQ(slots.unitObject, 0x1234u);
    EXPECT_EQ(slots.cursor, 0x5678u);
    EXPECT_EQ(slots.storedData, StoredRecord(kWindowStoredKind).SaveBlock()) << "data { } is every default";
}

TEST(FormCompilerErrors, NameTheLineAndTheProblem) {
    EXPECT_EQ(CompileError("window 1 {\n  unit 0x06000000 window \"\" {\n    colour 3\n  }\n}\n"),
              "line 3: unknown unit statement 'colour'");
    EXPECT_EQ(CompileError("window 1 {\n unit 0x06000000 Button \"\" {\n data { colour 3 }\n }\n}\n"),
              "line 3: a Button has no field 'colour'");
    EXPECT_EQ(CompileError("window 1 {\n unit 0x06000000 7 \"\" {\n data { caption \"x\" }\n }\n}\n").substr(0, 7),
              "line 3:");
    EXPECT_NE(CompileError("window 1 { unit 0x06000000 window \"\" { geometry 1 2 3 } }").find("expected height"),
              std::string::npos);
    EXPECT_NE(CompileError("window 0x100000000 { }").find("expected a window identifier"), std::string::npos);
    EXPECT_NE(CompileError("window 1 { unit 0x06000000 window \"\xF0\x9F\x98\x80\" { } }").find("no GBK form"),
              std::string::npos);
    EXPECT_NE(CompileError("window 1 { unit 0x06000000 window \"a\\x00b\" { } }").find("zero byte"), std::string::npos);
    EXPECT_NE(CompileError("window 1 { }").find("at least its own entry"), std::string::npos);
    EXPECT_NE(CompileError("window 1 { menu-item 0x26000001 0 \"m\" { } }").find("window itself"), std::string::npos);
    EXPECT_NE(CompileError("window 1 { unit 6 window \"\" { } unit 6 Button \"\" { } }").find("used twice"),
              std::string::npos);
    EXPECT_NE(CompileError("window 1 { unit 6 window \"\" { data hex \"123\" } }").find("odd number"), std::string::npos);
    EXPECT_NE(CompileError("window 1 { unit 6 window \"\" { on 0 9lives } }").find("not a handler name"),
              std::string::npos);
    EXPECT_NE(CompileError("handlers { A A }").find("declared twice"), std::string::npos);
    EXPECT_NE(CompileError("window 1 { unit 6 window \"\" { tag \"x } }").find("no closing quote"), std::string::npos);
    EXPECT_NE(CompileError("window 1 { unit 6 window \"\" { data { caption \"a\" caption \"b\" } } }").find("twice"),
              std::string::npos);
}

// A byte block from a file, relative to the form's folder, is the same block as its bytes in hex;
// a missing file is an error naming it.
TEST(FormCompiler, ByteBlockFieldsReadFilesBesideTheForm) {
    const std::string dir = ::testing::TempDir() + "formc_file_field";
    std::filesystem::create_directories(dir);
    const Bytes bytes = {0x42, 0x4D, 0x00, 0xFF, 0x0A, 0x0D};
    std::ofstream(dir + "/pic.bin", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 6);
    auto form = [](const std::string& block) {
        return "window 1 { unit 6 window \"\" { data { background-picture " + block + " } }\n"
               " unit 0x16000002 Button \"b\" { data { picture " + block + " } } }";
    };
    CompiledForm fromFile;
    std::string error;
    ASSERT_TRUE(CompileFormText(form("file \"pic.bin\""), &fromFile, &error, dir)) << error;
    EXPECT_EQ(fromFile.block, Compile(form("hex \"424D00FF0A0D\"")).block);
    EXPECT_FALSE(CompileFormText(form("file \"missing.bin\""), &fromFile, &error, dir));
    EXPECT_NE(error.find("missing.bin"), std::string::npos) << error;
    EXPECT_NE(CompileError(form("bytes \"00\"")).find("'hex' or 'file'"), std::string::npos);
}

TEST(FormPrinter, RefusesWhatIsNotAFormBlock) {
    Bytes junk = {8, 0, 0, 0, 1, 2};
    std::string text, error;
    EXPECT_FALSE(PrintFormBlock(junk.data(), junk.size(), nullptr, &text, &error));
    EXPECT_FALSE(error.empty());
}

TEST(HandlerList, ReadsBackWhatItWrites) {
    std::vector<HandlerSlot> slots = {{"A", false}, {"B_2", true}};
    std::vector<HandlerSlot> read;
    std::string error;
    ASSERT_TRUE(ParseHandlerList(HandlerListText(slots), &read, &error)) << error;
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1].name, "B_2");
    EXPECT_TRUE(read[1].producesValue);
    EXPECT_FALSE(ParseHandlerList("A gives\n", &read, &error));
    EXPECT_FALSE(ParseHandlerList("no-dash\n", &read, &error));
}

TEST(GeneratedSources, HandlerAreaSlotsAndFormBlockArray) {
    std::vector<HandlerSlot> slots = {{"First", false}, {"Second", true}};
    std::string s = HandlerAreaAsm(slots, "x.form");
    EXPECT_NE(s.find(".intel_syntax noprefix"), std::string::npos);
    EXPECT_NE(s.find(".globl  _HandlerArea\n_HandlerArea:\n"), std::string::npos);
    size_t first = s.find("        .long   0 ");
    size_t jump1 = s.find("jmp     _First\n        .byte   0x90, 0x90, 0x90\n");
    size_t second = s.find("        .long   1 ");
    size_t jump2 = s.find("jmp     _Second\n");
    EXPECT_TRUE(first < jump1 && jump1 < second && second < jump2 && jump2 != std::string::npos) << s;

    std::string cpp = FormBlockCpp({0x01, 0xAB}, "Blk", "x.form");
    EXPECT_NE(cpp.find("extern \"C\" const uint8_t Blk[2] = {\n    0x01, 0xAB,\n};"), std::string::npos) << cpp;
    EXPECT_NE(cpp.find("extern \"C\" const uint32_t BlkSize = 2;"), std::string::npos);
}

std::string Escape(unsigned char c) {
    char buffer[8];
    std::snprintf(buffer, sizeof(buffer), "<%02X>", c);
    return c < 0x80 ? std::string(1, static_cast<char>(c)) : std::string(buffer);
}

TEST(Gbk, BothDirections) {
    std::string gbk, error;
    ASSERT_TRUE(Utf8ToGbk("QQ号", &gbk, &error)) << error;
    EXPECT_EQ(gbk, "QQ\xBA\xC5");
    ASSERT_TRUE(Utf8ToGbk("透明标签6", &gbk, &error));
    EXPECT_EQ(gbk, "\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9" "6");
    EXPECT_FALSE(Utf8ToGbk("a\xFF", &gbk, &error)) << "not UTF-8";
    EXPECT_FALSE(Utf8ToGbk("\xE2\x82\xAC\xF0\x9F\x98\x80", &gbk, &error)) << "an emoji has no GBK form";

    EXPECT_EQ(GbkToUtf8Escaped("QQ\xBA\xC5", Escape), "QQ号");
    // A lead byte at the end and a lead byte with an impossible trail byte stay bytes.
    EXPECT_EQ(GbkToUtf8Escaped("\xBC\xD7\xBC", Escape), "甲<BC>");
    EXPECT_EQ(GbkToUtf8Escaped("\x81\x7F" "a", Escape), "<81>\x7F" "a");
}

}  // namespace
