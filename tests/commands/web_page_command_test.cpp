// OpenWebPage under Wine: the shell's "open" verb reaches winebrowser, which runs the browser
// named in the registry. The test names a script of its own there that appends each address it
// is given to a log, so the log shows exactly which address was opened and how often.
#include "runtime/commands/web_page_command.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/commands/libraries.h"
#include "tests/commands/command_harness.h"

namespace {

std::string UnixPath(const std::string& windowsPath)
{
    using ToUnix = char*(CDECL*)(const WCHAR*);
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return "";
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
    char* unix = toUnix(wide);
    std::string path = unix ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return path;
}

class OpenWebPage : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char here[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, here);
        log_ = std::string(here) + "\\opened.log";
        const std::string script = std::string(here) + "\\browser.sh";
        std::ofstream(script, std::ios::binary)
            << "#!/bin/sh\nsleep 1\nprintf '%s\\n' \"$1\" >> '" << UnixPath(log_) << "'\n";
        // Run through /bin/sh: a file written from here has no execute permission.
        const std::string browsers = "/bin/sh " + UnixPath(script);
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
        RegSetValueExA(key, "Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(browsers.c_str()),
                       static_cast<DWORD>(browsers.size() + 1));
        RegCloseKey(key);
    }

    void SetUp() override
    {
        ASSERT_FALSE(UnixPath(log_).empty()) << "Wine's path conversion is missing";
        DeleteFileA(log_.c_str());
    }

    static std::vector<std::string> Opened()
    {
        std::ifstream in(log_, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    // The addresses opened, once `expected` of them and a marker address opened last have been
    // logged. The browser runs as a process of its own per address, so the lines may come in any
    // order; they are returned sorted, the marker left out.
    static std::vector<std::string> OpenedWithAMarker(size_t expected)
    {
        const std::string marker = "https://marker.example/";
        Open({harness::TextArg(marker.c_str())});
        const DWORD start = GetTickCount();
        std::vector<std::string> others;
        bool markerSeen = false;
        for (;;) {
            others.clear();
            markerSeen = false;
            for (const std::string& line : Opened()) {
                if (line == marker)
                    markerSeen = true;
                else
                    others.push_back(line);
            }
            if ((markerSeen && others.size() >= expected) || GetTickCount() - start >= 15000)
                break;
            Sleep(100);
        }
        EXPECT_TRUE(markerSeen) << "the marker address never arrived";
        std::sort(others.begin(), others.end());
        return others;
    }

    static CmdResult Open(std::vector<CmdArg> args)
    {
        return harness::Call(kApplicationInterfaceLibrary, kApplicationOpenWebPage, std::move(args));
    }

    static std::string log_;
};

std::string OpenWebPage::log_;

TEST_F(OpenWebPage, OpensTheGivenAddressOnceAndReturnsAtOnce)
{
    const DWORD start = GetTickCount();
    const CmdResult result = Open({harness::TextArg("https://example.org/frames?qq=12345&fps=120")});
    const DWORD took = GetTickCount() - start;
    EXPECT_EQ(result.value, 0u);
    EXPECT_EQ(result.second, 0u);
    EXPECT_EQ(result.tag, 0u);
    // The browser script waits a second before it logs; the command must not wait for it.
    EXPECT_LT(took, 1000u);
    EXPECT_TRUE(Opened().empty());
    EXPECT_EQ(OpenedWithAMarker(1), std::vector<std::string>{"https://example.org/frames?qq=12345&fps=120"});
}

TEST_F(OpenWebPage, OpensTheDefaultAddressWithoutOne)
{
    Open({harness::Omitted()});
    EXPECT_EQ(OpenedWithAMarker(1), std::vector<std::string>{"https://www.tavori.example/"});
    DeleteFileA(log_.c_str());
    Open({harness::TextArg("")});
    Open({harness::TextArg(nullptr)});
    EXPECT_EQ(OpenedWithAMarker(2),
              (std::vector<std::string>{"https://www.tavori.example/", "https://www.tavori.example/"}));
}

TEST_F(OpenWebPage, OpensWithAnOwnerWindowPresent)
{
    HWND owner = CreateWindowExA(0, "STATIC", "Microsoft Internet Explorer", WS_OVERLAPPEDWINDOW,
                                 0, 0, 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    ASSERT_EQ(FindWindowExA(nullptr, nullptr, nullptr, "Microsoft Internet Explorer"), owner);
    Open({harness::TextArg("http://example.net/")});
    EXPECT_EQ(OpenedWithAMarker(1), std::vector<std::string>{"http://example.net/"});
    DestroyWindow(owner);
}

}  // namespace
