// The four library records as the image lays them out, and the RuntimeCallback that their
// notification entries keep and release.
#include "runtime/commands/libraries.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "runtime/commands/config_commands.h"
#include "runtime/commands/msgbox_command.h"
#include "runtime/commands/special_folder_command.h"
#include "runtime/commands/web_page_command.h"
#include "tests/commands/command_harness.h"

namespace {

const LibraryRecord* const kAll[] = {&kCoreLibrary, &kExtendedInterfaceLibrary,
                                     &kSystemInterfaceLibrary, &kApplicationInterfaceLibrary};

uint32_t Word(const LibraryRecord& record, int index)
{
    uint32_t word;
    std::memcpy(&word, reinterpret_cast<const char*>(&record) + 4 * index, 4);
    return word;
}

uint32_t Address(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

TEST(LibraryRecords, AreThirtySixWordsInTheImageLayout)
{
    static_assert(sizeof(LibraryRecord) == 36 * 4, "36 words");
    for (const LibraryRecord* record : kAll) {
        SCOPED_TRACE(record->name);
        EXPECT_EQ(Word(*record, 0), 0x01312D65u);
        ASSERT_NE(record->identity, nullptr);
        ASSERT_EQ(std::strlen(record->identity), 32u);
        for (const char* c = record->identity; *c; ++c)
            EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(*c))) << record->identity;
        EXPECT_NE(Word(*record, 9), 0u) << "name";
        EXPECT_EQ(Word(*record, 10), 1u) << "language";
        for (int word = 13; word <= 20; ++word)
            EXPECT_EQ(Word(*record, word), 0u) << "descriptive text " << word;
        EXPECT_EQ(Word(*record, 21) == 0, Word(*record, 22) == 0) << "a type list exactly when types exist";
        for (int word : {23, 24, 26, 28, 29, 31, 32, 33, 34, 35})
            EXPECT_EQ(Word(*record, word), 0u) << "word " << word;
        EXPECT_EQ(Word(*record, 30), Address(reinterpret_cast<const void*>(record->notify)));
        EXPECT_NE(record->notify, nullptr);
        EXPECT_EQ(Word(*record, 27) == 0, Word(*record, 25) == 0) << "a table exactly when commands exist";
    }
    EXPECT_EQ(Word(kCoreLibrary, 12), 0xC0000001u);
    EXPECT_EQ(Word(kExtendedInterfaceLibrary, 12), 0u);
    EXPECT_EQ(Word(kSystemInterfaceLibrary, 12), 0u);
    EXPECT_EQ(Word(kApplicationInterfaceLibrary, 12), 0u);
    // Distinct identities.
    for (const LibraryRecord* a : kAll) {
        for (const LibraryRecord* b : kAll) {
            if (a != b) {
                EXPECT_STRNE(a->identity, b->identity);
            }
        }
    }
}

TEST(LibraryRecords, ListTheUnitTypesAtTheirTypeNumbers)
{
    // Type ids are (library << 16) | number: 0x00010001 window, 0x00010005 edit box,
    // 0x0001000B button, 0x00020005 transparent label; the other places are all-zero records.
    ASSERT_EQ(kCoreLibrary.typeCount, 11);
    ASSERT_EQ(kExtendedInterfaceLibrary.typeCount, 5);
    EXPECT_EQ(kSystemInterfaceLibrary.typeCount, 0);
    EXPECT_EQ(kApplicationInterfaceLibrary.typeCount, 0);
    const struct {
        const UnitTypeRecord* type;
        const char* name;
        const char* englishName;
        int32_t properties;
        uint32_t state;
    } expected[] = {
        {&kCoreLibrary.types[0], "窗口", "window", 32, 0x800000D0},
        {&kCoreLibrary.types[4], "编辑框", "EditBox", 29, 0x80000040},
        {&kCoreLibrary.types[10], "按钮", "Button", 14, 0x80000840},
        {&kExtendedInterfaceLibrary.types[4], "透明标签", "TransLabel", 15, 0x00012040},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.englishName);
        ASSERT_NE(e.type->englishName, nullptr);
        EXPECT_STREQ(e.type->englishName, e.englishName);
        EXPECT_STREQ(e.type->name, e.name);
        EXPECT_EQ(e.type->explanation, nullptr);
        EXPECT_EQ(e.type->propertyCount, e.properties);
        EXPECT_EQ(e.type->state, e.state);
        EXPECT_NE(e.type->entry, nullptr);
    }
    for (int i : {1, 2, 3, 5, 6, 7, 8, 9})
        EXPECT_EQ(kCoreLibrary.types[i].entry, nullptr) << "type " << i + 1;
}

TEST(LibraryRecords, ListTheCalledCommandsInTheToolsOrder)
{
    ASSERT_EQ(kCoreLibrary.commandCount, 4);
    EXPECT_EQ(kCoreLibrary.commands[0], &FileExistsCommand);
    EXPECT_EQ(kCoreLibrary.commands[1], &WriteConfigItemCommand);
    EXPECT_EQ(kCoreLibrary.commands[2], &MsgBoxCommand);
    EXPECT_EQ(kCoreLibrary.commands[3], &ReadConfigItemCommand);
    EXPECT_EQ(kExtendedInterfaceLibrary.commandCount, 0);
    EXPECT_EQ(kExtendedInterfaceLibrary.commands, nullptr);
    ASSERT_EQ(kSystemInterfaceLibrary.commandCount, 1);
    EXPECT_EQ(kSystemInterfaceLibrary.commands[0], &GetSpecialFolderCommand);
    ASSERT_EQ(kApplicationInterfaceLibrary.commandCount, 1);
    EXPECT_EQ(kApplicationInterfaceLibrary.commands[0], &OpenWebPageCommand);
}

uint32_t OtherCallback(int32_t, uint32_t, uint32_t) { return 0; }

TEST(LibraryNotify, KeepsTheCallbackUntilTheLastLibraryEnds)
{
    const uint32_t other = Address(reinterpret_cast<const void*>(&OtherCallback));
    for (const LibraryRecord* record : kAll)
        EXPECT_EQ(record->notify(kLibraryStart, other, 0), 0u);
    EXPECT_EQ(CommandCallback(), &OtherCallback);
    // Messages other than 1 and 6 change nothing.
    EXPECT_EQ(kCoreLibrary.notify(3, 0, 0), 0u);
    EXPECT_EQ(CommandCallback(), &OtherCallback);
    for (int i = 0; i < 3; ++i) {
        kAll[i]->notify(kLibraryEnd, 0, 0);
        EXPECT_EQ(CommandCallback(), &OtherCallback) << "library 4 still runs";
    }
    kAll[3]->notify(kLibraryEnd, 0, 0);
    EXPECT_EQ(CommandCallback(), nullptr);

    // Without a callback a text result cannot be allocated: it is the null text, not a crash.
    CmdResult result{0, 0, 0};
    CmdArg number{9, 0, kTagInteger};
    GetSpecialFolderCommand(&result, 1, &number);
    EXPECT_EQ(result.value, 0u);

    // Back to the harness's callback for every other test of this executable.
    const uint32_t test = Address(reinterpret_cast<const void*>(&harness::TestCallback));
    for (const LibraryRecord* record : kAll)
        record->notify(kLibraryStart, test, 0);
    EXPECT_EQ(CommandCallback(), &harness::TestCallback);
    const std::vector<int32_t> before = harness::RequestCodes();
    EXPECT_FALSE(harness::TakeText(harness::Call(kSystemInterfaceLibrary, 0, {harness::IntegerArg(9)})).wasNull);
    const std::vector<int32_t> after = harness::RequestCodes();
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.back(), 2024) << "allocation request";
}

}  // namespace
