// GetSpecialFolder against the platform's own answers for each of the eleven folder numbers.
#include "runtime/commands/special_folder_command.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "runtime/commands/libraries.h"
#include "tests/commands/command_harness.h"

namespace {

harness::ResultText Folder(const CmdArg& number)
{
    return harness::TakeText(harness::Call(kSystemInterfaceLibrary, kSystemGetSpecialFolder, {number}));
}

harness::ResultText Folder(int32_t number) { return Folder(harness::IntegerArg(number)); }

std::string WithSeparator(std::string path)
{
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path;
}

std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = "";
    if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE))
        return "";
    return path;
}

std::string KernelFolder(UINT (WINAPI *query)(LPSTR, UINT))
{
    char path[MAX_PATH] = "";
    query(path, MAX_PATH);
    return path;
}

TEST(GetSpecialFolder, AnswersThePlatformsFolderForEachNumber)
{
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    const struct {
        int32_t number;
        std::string platform;
    } cases[] = {
        {1, ShellFolder(CSIDL_PERSONAL)},
        {2, ShellFolder(CSIDL_FAVORITES)},
        {3, ShellFolder(CSIDL_DESKTOPDIRECTORY)},
        {4, ShellFolder(CSIDL_FONTS)},
        {5, ShellFolder(CSIDL_STARTMENU)},
        {6, ShellFolder(CSIDL_PROGRAMS)},
        {7, ShellFolder(CSIDL_STARTUP)},
        {8, ShellFolder(CSIDL_APPDATA)},
        {9, KernelFolder(GetWindowsDirectoryA)},
        {10, KernelFolder(GetSystemDirectoryA)},
        {11, temp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("folder " + std::to_string(c.number) + " platform \"" + c.platform + "\"");
        ASSERT_FALSE(c.platform.empty()) << "the prefix defines every one of these folders";
        const harness::ResultText folder = Folder(c.number);
        ASSERT_TRUE(folder.fromCallback);
        EXPECT_EQ(folder.text, WithSeparator(c.platform));
        EXPECT_EQ(folder.blockSize, folder.text.size() + 1);
        ASSERT_GE(folder.text.size(), 2u);
        EXPECT_EQ(folder.text.back(), '\\');
        EXPECT_NE(folder.text[folder.text.size() - 2], '\\') << "exactly one trailing backslash";
    }
    EXPECT_EQ(harness::OutstandingBlocks(), 0);
}

TEST(GetSpecialFolder, AddsTheSeparatorOnlyWhereThePlatformHasNone)
{
    const std::string windows = KernelFolder(GetWindowsDirectoryA);
    ASSERT_NE(windows.back(), '\\') << "the platform answers the Windows folder without one";
    EXPECT_EQ(Folder(9).text, windows + "\\");
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    ASSERT_EQ(std::string(temp).back(), '\\') << "the platform ends the temporary folder with one";
    EXPECT_EQ(Folder(11).text, temp);
}

TEST(GetSpecialFolder, OtherNumbersGiveTheNullText)
{
    for (int32_t number : {0, 12, -1, 100, 0x7FFFFFFF, static_cast<int32_t>(0x80000001)})
        EXPECT_TRUE(Folder(number).wasNull) << number;
    EXPECT_TRUE(Folder(harness::Omitted()).wasNull);
    EXPECT_TRUE(harness::TakeText(harness::Call(kSystemInterfaceLibrary, 0, {})).wasNull)
        << "no argument record at all";
    EXPECT_EQ(harness::OutstandingBlocks(), 0);
}

TEST(GetSpecialFolder, ReadsOnlyTheValueWord)
{
    // The tag is not consulted: a byte record holding 9 names the Windows folder too.
    EXPECT_EQ(Folder(CmdArg{9, 0, kTagByte}).text, Folder(9).text);
    EXPECT_EQ(Folder(CmdArg{1, 0xFFFFFFFF, kTagLong}).text, Folder(1).text);
}

TEST(NewFolderText, KeepsOneSeparatorAndNeverOverrunsAFullBuffer)
{
    EXPECT_EQ(NewFolderText(""), nullptr);
    EXPECT_EQ(NewFolderText(nullptr), nullptr);
    const struct {
        std::string path, expected;
    } cases[] = {
        {"C:\\windows", "C:\\windows\\"},
        {"C:\\windows\\", "C:\\windows\\"},
        {"C:\\", "C:\\"},
        // GBK 0x81 0x5C is one character whose second byte is the backslash's value.
        {"C:\\\x81\x5C", "C:\\\x81\x5C\\"},
        {"C:\\\x81\x5C\\", "C:\\\x81\x5C\\"},
        // The longest path the 260-byte buffer holds gets its separator all the same.
        {"C:\\" + std::string(256, 'a'), "C:\\" + std::string(256, 'a') + "\\"},
    };
    ASSERT_EQ(GetACP(), 936u);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        char* text = NewFolderText(c.path.c_str());
        const harness::ResultText taken = harness::TakeText(CmdResult{
            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(text)), 0, 0});
        EXPECT_TRUE(taken.fromCallback);
        EXPECT_EQ(taken.text, c.expected);
        EXPECT_EQ(taken.blockSize, c.expected.size() + 1);
    }
}

}  // namespace
