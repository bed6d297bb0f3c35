// ReadConfigItem, WriteConfigItem and FileExists on real files under folders with Chinese
// names, reached by GBK paths. Expected values come from the platform's own profile functions
// and from the bytes of the files. This file is built as GBK, like the paths and texts it uses.
#include "runtime/commands/config_commands.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "runtime/commands/libraries.h"
#include "tests/commands/command_harness.h"

using harness::Call;
using harness::Omitted;
using harness::TakeText;
using harness::TextArg;

namespace {

// A fresh folder "配置测试\<name>\QQ飞车\12345\配置" under the working folder.
std::string FreshFolder(const std::string& name)
{
    char here[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, here);
    std::string path = std::string(here) + "\\配置测试";
    CreateDirectoryA(path.c_str(), nullptr);
    path += "\\" + name;
    CreateDirectoryA(path.c_str(), nullptr);
    for (const char* part : {"\\QQ飞车", "\\12345", "\\配置"}) {
        path += part;
        CreateDirectoryA(path.c_str(), nullptr);
    }
    // Left over from an earlier run in the same build folder.
    DeleteFileA((path + "\\config.ini").c_str());
    return path;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

harness::ResultText Read(const std::string& file, const char* section, const char* key,
                         const char* fallback = nullptr)
{
    CmdResult result = Call(kCoreLibrary, kCoreReadConfigItem,
                            {TextArg(file.c_str()), TextArg(section), TextArg(key),
                             fallback ? TextArg(fallback) : Omitted()});
    return TakeText(result);
}

uint32_t Write(const std::string& file, const char* section, const CmdArg& key, const CmdArg& value)
{
    CmdResult result = Call(kCoreLibrary, kCoreWriteConfigItem,
                            {TextArg(file.c_str()), TextArg(section), key, value});
    EXPECT_EQ(result.second, 0u);
    EXPECT_EQ(result.tag, 0u);
    return result.value;
}

uint32_t Exists(const std::string& name)
{
    return Call(kCoreLibrary, kCoreFileExists, {TextArg(name.c_str())}).value;
}

// What the platform itself has stored, read past the commands.
std::string PlatformValue(const std::string& file, const char* section, const char* key)
{
    char value[64] = "";
    GetPrivateProfileStringA(section, key, "<absent>", value, sizeof(value), file.c_str());
    return value;
}

TEST(SkipLeadingBlanks, SkipsControlsAndSpacesButNeverDoubleByteLeads)
{
    EXPECT_STREQ(SkipLeadingBlanks("  Settings"), "Settings");
    EXPECT_STREQ(SkipLeadingBlanks("\x01\t\r\n\x1f Settings "), "Settings ");
    EXPECT_STREQ(SkipLeadingBlanks("   "), "");
    EXPECT_STREQ(SkipLeadingBlanks("\x80\x40x"), "\x80\x40x");
    EXPECT_STREQ(SkipLeadingBlanks(" 配置"), "配置");
    EXPECT_STREQ(SkipLeadingBlanks("\x7f" "a"), "\x7f" "a");
    EXPECT_EQ(SkipLeadingBlanks(nullptr), nullptr);
}

TEST(ReadConfigItem, ReadsTheStoredValueAsANewText)
{
    const std::string file = FreshFolder("read") + "\\config.ini";
    WriteFileBytes(file, "[Settings]\r\nFramelimit=120\r\n名字=飞车帧数\r\n");
    const harness::ResultText frame = Read(file, "Settings", "Framelimit");
    EXPECT_TRUE(frame.fromCallback);
    EXPECT_EQ(frame.text, "120");
    EXPECT_EQ(frame.blockSize, 4u) << "exactly the length and a terminator";
    EXPECT_EQ(Read(file, "Settings", "名字").text, "飞车帧数");
    EXPECT_EQ(harness::OutstandingBlocks(), 0);
}

TEST(ReadConfigItem, AbsentKeysGiveTheDefaultOrTheNullText)
{
    const std::string file = FreshFolder("absent") + "\\config.ini";
    WriteFileBytes(file, "[Settings]\r\nFramelimit=120\r\n");
    const harness::ResultText none = Read(file, "Settings", "Missing");
    EXPECT_TRUE(none.wasNull) << "the empty text is a null pointer, not an allocated \"\"";
    EXPECT_EQ(Read(file, "Settings", "Missing", "5").text, "5");
    EXPECT_EQ(Read(file, "Other", "Framelimit", "5").text, "5");
    EXPECT_TRUE(Read(file, "Settings", "Missing", "").wasNull);
    // A missing file, and a file in a folder that does not exist.
    EXPECT_EQ(Read(file + ".none", "Settings", "Framelimit", "默认").text, "默认");
    EXPECT_EQ(Read(FreshFolder("absent") + "\\无\\config.ini", "Settings", "Framelimit", "7").text, "7");
    EXPECT_TRUE(Read(file + ".none", "Settings", "Framelimit").wasNull);
}

TEST(ReadConfigItem, BlankNamesReadNothingNotEvenTheDefault)
{
    const std::string file = FreshFolder("blank") + "\\config.ini";
    WriteFileBytes(file, "[Settings]\r\nFramelimit=120\r\n");
    EXPECT_TRUE(Read(file, "Settings", "   ", "5").wasNull) << "a key of three blanks";
    EXPECT_TRUE(Read(file, "", "Framelimit", "5").wasNull);
    EXPECT_TRUE(Read(file, " \t", "Framelimit", "5").wasNull);
    EXPECT_TRUE(Read("  ", "Settings", "Framelimit", "5").wasNull);
    // Null texts (never passed by compiled code) read as empty ones.
    CmdResult result = Call(kCoreLibrary, kCoreReadConfigItem,
                            {TextArg(file.c_str()), TextArg(nullptr), TextArg("Framelimit"), TextArg("5")});
    EXPECT_TRUE(TakeText(result).wasNull);
    EXPECT_EQ(harness::OutstandingBlocks(), 0);
}

TEST(ReadConfigItem, SkipsLeadingBlanksOfEveryName)
{
    const std::string file = FreshFolder("trim") + "\\config.ini";
    WriteFileBytes(file, "[Settings]\r\nFramelimit=120\r\n");
    EXPECT_EQ(Read(file, "  Settings", "Framelimit").text, "120");
    EXPECT_EQ(Read(file, "Settings", "\x01\x1f Framelimit").text, "120");
    EXPECT_EQ(Read("  " + file, "Settings", "Framelimit").text, "120");
}

TEST(ReadConfigItem, CutsALongValueToTheBuffer)
{
    const std::string file = FreshFolder("long") + "\\config.ini";
    std::string value;
    for (int i = 0; value.size() < 12000; ++i)
        value += static_cast<char>('a' + i % 26);
    WriteFileBytes(file, "[Settings]\r\nLong=" + value + "\r\n");
    const harness::ResultText read = Read(file, "Settings", "Long");
    ASSERT_EQ(read.text.size(), 10239u);
    EXPECT_EQ(read.text, value.substr(0, 10239));
    EXPECT_EQ(read.blockSize, 10240u);
    EXPECT_EQ(ConfigReadBufferSize, 10240u);
}

TEST(WriteConfigItem, CreatesTheFileAndSectionAndUpdatesInPlace)
{
    const std::string file = FreshFolder("write") + "\\config.ini";
    EXPECT_NE(Write(file, "Settings", TextArg("Framelimit"), TextArg("120")), 0u);
    EXPECT_NE(Write(file, "Settings", TextArg("OutdoorFramelimit"), TextArg("120")), 0u);
    EXPECT_NE(Write(file, "Settings", TextArg("Framelimit"), TextArg("144")), 0u);
    EXPECT_EQ(PlatformValue(file, "Settings", "Framelimit"), "144");
    EXPECT_EQ(PlatformValue(file, "Settings", "OutdoorFramelimit"), "120");
    EXPECT_EQ(Read(file, "Settings", "Framelimit").text, "144");
    const std::string bytes = FileBytes(file);
    EXPECT_EQ(bytes.find("\nFramelimit=120"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\nFramelimit=144"), std::string::npos) << bytes;
}

TEST(WriteConfigItem, OmittedValueDeletesTheKeyOmittedKeyTheSection)
{
    const std::string file = FreshFolder("delete") + "\\config.ini";
    WriteFileBytes(file, "[Settings]\r\nFramelimit=120\r\nOutdoorFramelimit=90\r\n[其他]\r\n键=值\r\n");
    EXPECT_NE(Write(file, "Settings", TextArg("Framelimit"), Omitted()), 0u);
    EXPECT_EQ(PlatformValue(file, "Settings", "Framelimit"), "<absent>");
    EXPECT_EQ(PlatformValue(file, "Settings", "OutdoorFramelimit"), "90");
    EXPECT_EQ(FileBytes(file).find("Framelimit=120"), std::string::npos);

    EXPECT_NE(Write(file, "Settings", Omitted(), Omitted()), 0u);
    EXPECT_EQ(PlatformValue(file, "Settings", "OutdoorFramelimit"), "<absent>");
    EXPECT_EQ(FileBytes(file).find("[Settings]"), std::string::npos) << FileBytes(file);
    EXPECT_EQ(PlatformValue(file, "其他", "键"), "值");
}

TEST(WriteConfigItem, EmptyValueLeavesNothingAfterTheEqualsSign)
{
    const std::string file = FreshFolder("empty") + "\\config.ini";
    WriteFileBytes(file, "[Settings]\r\nFramelimit=120\r\n");
    EXPECT_NE(Write(file, "Settings", TextArg("Framelimit"), TextArg("")), 0u);
    const std::string bytes = FileBytes(file);
    EXPECT_NE(bytes.find("\nFramelimit=\r\n"), std::string::npos) << bytes;
    EXPECT_TRUE(Read(file, "Settings", "Framelimit", "5").wasNull) << "present but empty: no default";
}

TEST(WriteConfigItem, PassesNamesToThePlatformUnchanged)
{
    // The command's file and the platform's own file, written with the same untrimmed names,
    // must come out byte for byte the same.
    const std::string folder = FreshFolder("untrimmed");
    const std::string mine = folder + "\\mine.ini", platform = folder + "\\platform.ini";
    DeleteFileA(mine.c_str());
    DeleteFileA(platform.c_str());
    for (const char* section : {"  Settings", "\x01Settings"}) {
        EXPECT_NE(Write(mine, section, TextArg("Framelimit"), TextArg("60")), 0u);
        WritePrivateProfileStringA(section, "Framelimit", "60", platform.c_str());
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);  // flush the cache
    EXPECT_EQ(FileBytes(mine), FileBytes(platform));
    EXPECT_NE(FileBytes(mine).find("\x01Settings"), std::string::npos) << FileBytes(mine);
}

TEST(WriteConfigItem, FailuresAnswerZero)
{
    const std::string missingFolder = FreshFolder("fail") + "\\无此目录\\config.ini";
    EXPECT_EQ(Write(missingFolder, "Settings", TextArg("Framelimit"), TextArg("60")), 0u);
    EXPECT_EQ(Exists(missingFolder), 0u);
    // An empty file name writes nothing anywhere (the platform would pick its own file).
    EXPECT_EQ(Write("", "Settings", TextArg("TavoriProbe"), TextArg("60")), 0u);
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(PlatformValue(std::string(windows) + "\\win.ini", "Settings", "TavoriProbe"), "<absent>");
    // A key that is given but is not a text must not delete the section.
    const std::string file = FreshFolder("fail") + "\\config.ini";
    WriteFileBytes(file, "[Settings]\r\nFramelimit=120\r\n");
    EXPECT_EQ(Write(file, "Settings", harness::IntegerArg(5), Omitted()), 0u);
    EXPECT_EQ(PlatformValue(file, "Settings", "Framelimit"), "120");
}

TEST(FileExists, MatchesFilesFoldersAndPatterns)
{
    const std::string folder = FreshFolder("exists");
    const std::string file = folder + "\\config.ini";
    WriteFileBytes(file, "[Settings]\r\n");
    EXPECT_EQ(Exists(file), 1u);
    EXPECT_EQ(Exists(folder), 1u) << "a folder";
    EXPECT_EQ(Exists(folder + "\\*.ini"), 1u);
    EXPECT_EQ(Exists(folder + "\\conf?g.ini"), 1u);
    EXPECT_EQ(Exists(folder + "\\*.txt"), 0u);
    EXPECT_EQ(Exists(folder + "\\other.ini"), 0u);
    EXPECT_EQ(Exists(folder + "\\无此目录\\config.ini"), 0u) << "the folder part does not exist";
    EXPECT_EQ(Exists(""), 0u);
    EXPECT_EQ(Call(kCoreLibrary, kCoreFileExists, {TextArg(nullptr)}).value, 0u);
    EXPECT_EQ(Call(kCoreLibrary, kCoreFileExists, {Omitted()}).value, 0u);
}

}  // namespace
