// The programs run in the Chinese ANSI code page, and their GBK texts survive file names and
// file contents. This file's literals are compiled to GBK, as the programs' own are.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string ToAnsi(const wchar_t* wide)
{
    char buffer[256] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer, sizeof(buffer), nullptr, nullptr);
    return buffer;
}

TEST(CodePage, IsChineseGbk)
{
    EXPECT_EQ(GetACP(), 936u);
    // The compiler's GBK bytes agree with the system's own conversion and with the code table.
    EXPECT_EQ(std::string("修改帧数"), ToAnsi(L"修改帧数"));
    EXPECT_EQ(std::string("修改帧数"), std::string("\xD0\xDE\xB8\xC4\xD6\xA1\xCA\xFD"));
}

TEST(CodePage, GbkTextRoundTripsThroughAFileUnderAChinesePath)
{
    const char folder[] = "帧数测试目录";
    const char path[] = "帧数测试目录\\配置.ini";
    const std::string content = "[Settings]\r\n说明=修改帧数\r\n";
    ASSERT_TRUE(CreateDirectoryA(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        << GetLastError();

    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    EXPECT_EQ(written, content.size());

    // The name on disk is the Unicode name the GBK bytes stand for.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"帧数测试目录\\*.ini", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::wstring(found.cFileName), L"配置.ini");
    FindClose(search);

    char back[256] = {};
    file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD read = 0;
    ReadFile(file, back, sizeof(back) - 1, &read, nullptr);
    CloseHandle(file);
    EXPECT_EQ(std::string(back, read), content);

    // The profile functions read the GBK value back by its GBK key.
    char value[64] = {};
    GetPrivateProfileStringA("Settings", "说明", "", value, sizeof(value), ".\\帧数测试目录\\配置.ini");
    EXPECT_STREQ(value, "修改帧数");

    DeleteFileA(path);
    RemoveDirectoryA(folder);
}

}  // namespace
