// Tavori end to end: the real executable under Wine, driven like a user through its window,
// against account folders of a scratch documents folder.
#include "tests/driver/driver.h"

#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Control identifiers follow the creation order of the form: the last table entry first.
enum Control : int {
    kQqLabel = 100,
    kGameFolderBox = 110,
    kApplyButton = 120,
    kFrameLabel = 130,
    kQqBox = 140,
    kFrameBox = 150,
    kShowButton = 160,
    kValueLabel = 170,
    kHintLabel = 180,
    kLinkLabel = 190,
    kStableLabel = 200,
};

// The maker's address as the browser receives it: the shell hands it on in canonical form, with
// the path "/" of the bare host.
const char kMakerAddress[] = "https://tavori.example/";

std::wstring Widen(const std::string& utf8)
{
    std::wstring out(utf8.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &out[0], static_cast<int>(out.size()));
    out.resize(n > 0 ? n - 1 : 0);
    return out;
}

std::string Narrow(const std::wstring& wide)
{
    std::string out(wide.size() * 4 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &out[0], static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? n - 1 : 0);
    return out;
}

std::wstring Documents()
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, path);
    return path;
}

std::wstring AccountFile(const std::wstring& qq) { return Documents() + L"\\QQ飞车\\" + qq + L"\\配置\\config.ini"; }

void WriteAccountFile(const std::wstring& qq, const std::string& content)
{
    const std::wstring folder = Documents() + L"\\QQ飞车\\" + qq + L"\\配置";
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    HANDLE f = CreateFileW(AccountFile(qq).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(f);
}

std::string ReadFile(const std::wstring& path)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string content(1 << 16, '\0');
    DWORD read = 0;
    ::ReadFile(f, &content[0], static_cast<DWORD>(content.size()), &read, nullptr);
    CloseHandle(f);
    content.resize(read);
    return content;
}

std::string Profile(const std::wstring& qq, const wchar_t* key)
{
    wchar_t value[256] = {};
    GetPrivateProfileStringW(L"Settings", key, L"<none>", value, 256, AccountFile(qq).c_str());
    return Narrow(value);
}

std::string UnixPath(const std::string& windowsPath)
{
    using ToUnix = char*(CDECL*)(const WCHAR*);
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return "";
    char* unix = toUnix(Widen(windowsPath).c_str());
    std::string path = unix ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return path;
}

// Names a browser of the test's own, which appends every address it is given to a log.
std::string RegisterBrowser()
{
    const std::string log = e2e::OwnFolder() + "opened.log";
    const std::string script = e2e::OwnFolder() + "browser.sh";
    DeleteFileA(log.c_str());
    std::ofstream(script, std::ios::binary) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << UnixPath(log) << "'\n";
    const std::string browsers = "/bin/sh " + UnixPath(script);
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    RegSetValueExA(key, "Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(browsers.c_str()),
                   static_cast<DWORD>(browsers.size() + 1));
    RegCloseKey(key);
    return log;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class Tool : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tool_.Start(e2e::OwnFolder() + "..\\..\\app\\Tavori.exe"));
        window_ = tool_.WaitWindow("ZkWindow");
        ASSERT_NE(window_, nullptr);
    }

    HWND Item(int id) const { return e2e::FindControl(window_, id); }

    // Replaces an edit box's content as a user would: select everything, then type.
    void Enter(int id, const std::string& text)
    {
        HWND box = Item(id);
        PostMessageA(box, EM_SETSEL, 0, -1);
        if (text.empty())
            PostMessageA(box, WM_CHAR, VK_BACK, 1);
        else
            e2e::Type(box, text);
        ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::Text(box) == text; })) << "box " << id << " holds " << e2e::Text(box);
    }

    // Clicks a button and answers the box it shows; the box's caption, text and icon come back.
    e2e::MessageBoxInfo ClickExpectingBox(int id)
    {
        e2e::Click(Item(id));
        HWND box = tool_.WaitMessageBox();
        e2e::MessageBoxInfo info;
        if (box) {
            info = e2e::ReadMessageBox(box);
            e2e::PressButton(box, IDOK);
            e2e::WaitUntil([&] { return !IsWindow(box); });
        }
        return info;
    }

    // Clicks "当前帧数" and waits for the label to show `value`: posted messages are handled in
    // order, so whatever was posted to the tool before has been handled too.
    bool ShowCurrentValue(const std::string& value)
    {
        e2e::Click(Item(kShowButton));
        return e2e::WaitUntil([&] { return e2e::Text(Item(kValueLabel)) == value; });
    }

    bool NoBoxOpen() { return tool_.WaitMessageBox(0) == nullptr; }

    e2e::Process tool_;
    HWND window_ = nullptr;
};

TEST_F(Tool, TheWindowAndItsUnits)
{
    EXPECT_EQ(e2e::Text(window_), "Tavori");
    RECT r;
    GetWindowRect(window_, &r);
    EXPECT_EQ(r.right - r.left, 216);
    EXPECT_EQ(r.bottom - r.top, 250);
    EXPECT_NEAR(r.left, (GetSystemMetrics(SM_CXSCREEN) - 216) / 2, 1);
    EXPECT_NEAR(r.top, (GetSystemMetrics(SM_CYSCREEN) - 250) / 2, 1);

    // Stacking follows the table: the last-created unit is on top.
    std::vector<int> order;
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (id >= 100 && id <= 200 && id % 10 == 0)
            order.push_back(id);
    }
    EXPECT_EQ(order, (std::vector<int>{200, 190, 180, 170, 160, 150, 140, 130, 120, 110, 100}));

    EXPECT_EQ(e2e::Text(Item(kValueLabel)), "未检测");
    EXPECT_EQ(e2e::Text(Item(kApplyButton)), "修改帧数");
    EXPECT_EQ(e2e::Text(Item(kShowButton)), "当前帧数");
    // The hidden game folder: the documents folder, then "QQ飞车\".
    EXPECT_EQ(e2e::Text(Item(kGameFolderBox)), Narrow(Documents()) + "\\QQ飞车\\");

    e2e::PostKey(Item(kQqBox), VK_ESCAPE);
    int code = 12345;
    ASSERT_TRUE(tool_.WaitExit(&code));
    EXPECT_EQ(code, 0);
}

TEST_F(Tool, ChangesShowsAndRefusesFrameLimits)
{
    WriteAccountFile(L"10001", "[Settings]\r\nFramelimit=30\r\nOther=1\r\n[Extra]\r\nKey=Value\r\n");
    WriteAccountFile(L"10002", "[Settings]\r\nOther=2\r\n");

    e2e::Click(Item(kShowButton));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Text(Item(kValueLabel)) == "请输入正确QQ"; }));

    Enter(kQqBox, "10002");
    e2e::Click(Item(kShowButton));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Text(Item(kValueLabel)).empty(); }));

    Enter(kQqBox, "10001");
    Enter(kFrameBox, "60");
    e2e::MessageBoxInfo box = ClickExpectingBox(kApplyButton);
    EXPECT_EQ(box.text, "修改完成");
    EXPECT_EQ(box.caption, "信息：");
    EXPECT_EQ(box.icon, e2e::BoxIcon::None);
    // A second box after the confirmation would be open before the next click is handled.
    ASSERT_TRUE(ShowCurrentValue("60"));
    EXPECT_TRUE(NoBoxOpen()) << "nothing more is shown after the confirmation";
    EXPECT_EQ(Profile(L"10001", L"Framelimit"), "60");
    EXPECT_EQ(Profile(L"10001", L"OutdoorFramelimit"), "60");
    const std::string file = ReadFile(AccountFile(L"10001"));
    EXPECT_NE(file.find("Other=1"), std::string::npos) << file;
    EXPECT_NE(file.find("[Extra]\r\nKey=Value"), std::string::npos) << file;

    Enter(kFrameBox, "abc");
    box = ClickExpectingBox(kApplyButton);
    EXPECT_EQ(box.text, "修改完成");
    EXPECT_EQ(Profile(L"10001", L"Framelimit"), "abc") << "the value is written as typed";

    const std::string refusal = "当前QQ号为空或输入错误，请确认QQ号后重试";
    Enter(kQqBox, "99999");
    box = ClickExpectingBox(kApplyButton);
    EXPECT_EQ(box.text, refusal);
    EXPECT_EQ(box.icon, e2e::BoxIcon::Stop);
    EXPECT_EQ(ReadFile(AccountFile(L"99999")), "<missing>");

    Enter(kQqBox, "");
    box = ClickExpectingBox(kApplyButton);
    EXPECT_EQ(box.text, refusal);
    EXPECT_EQ(Profile(L"10001", L"Framelimit"), "abc");
}

TEST_F(Tool, TheLinkOpensTheMakersPageOncePerPress)
{
    const std::string log = RegisterBrowser();
    e2e::ClickCentre(Item(kQqLabel));
    e2e::ClickCentre(Item(kHintLabel));
    e2e::ClickCentre(Item(kLinkLabel));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !ReadText(log).empty(); }));
    // The release has been handled once a later click has; an opening on release would then
    // reach the browser before an address this test opens afterwards.
    ASSERT_TRUE(ShowCurrentValue("请输入正确QQ"));
    const std::string marker = "https://marker.example/";
    ShellExecuteA(nullptr, "open", marker.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    ASSERT_TRUE(e2e::WaitUntil([&] { return ReadText(log).find(marker) != std::string::npos; })) << ReadText(log);
    EXPECT_EQ(ReadText(log), std::string(kMakerAddress) + "\n" + marker + "\n");
    EXPECT_TRUE(NoBoxOpen());
}

}  // namespace
