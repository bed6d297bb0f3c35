// Window menus end to end: menus_probe shows forms/menus.form and logs its own menu as the
// platform reads it back; the test presses shortcut keys and chooses items as real key strokes.
// Expected lines follow the form: identifiers from 20000 per item, hidden ones included; state
// bits MF_GRAYED 1, MF_CHECKED 8, MF_POPUP 16, MF_SEPARATOR 2048; a pop-up's identifier is -1.
#include "tests/driver/driver.h"
#include "tests/support/probe_log.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::string ReadLog() { return probe_log::Read(e2e::OwnFolder() + "menus_probe.log"); }

int Count(const std::string& line) {
    std::stringstream s(ReadLog());
    int n = 0;
    for (std::string l; std::getline(s, l);)
        n += l == line;
    return n;
}

bool LogHas(const std::string& line) { return e2e::WaitUntil([&] { return Count(line) > 0; }, 5000); }

void ExpectOnce(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        EXPECT_EQ(Count(line), 1) << line << "\n" << ReadLog();
}

// Keys pressed in turn while `held` (0: none) is down, as real input.
void Press(std::initializer_list<WORD> keys, WORD held = 0) {
    std::vector<std::pair<WORD, bool>> strokes;
    if (held)
        strokes.emplace_back(held, false);
    for (WORD k : keys)
        strokes.insert(strokes.end(), {{k, false}, {k, true}});
    if (held)
        strokes.emplace_back(held, true);
    for (const auto& s : strokes) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = s.first;
        in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(s.first, MAPVK_VK_TO_VSC));
        in.ki.dwFlags = s.second ? KEYEVENTF_KEYUP : 0;
        SendInput(1, &in, sizeof in);
        Sleep(30);
    }
}

bool PopupOpen(const e2e::Process& probe) {
    return e2e::WaitUntil([&] {
        for (HWND w : probe.TopWindows())
            if (e2e::ClassOf(w) == "#32768")
                return true;
        return false;
    }, 5000);
}

TEST(WindowMenuEndToEnd, BarShortcutsChoicesPropertiesAndRelease) {
    DeleteFileA((e2e::OwnFolder() + "menus_probe.log").c_str());
    e2e::Process probe;
    ASSERT_TRUE(probe.Start(e2e::OwnFolder() + "menus_probe.exe"));
    const std::string ctrl = std::to_string(FVIRTKEY | FNOINVERT | FCONTROL) + " ";
    const std::string none = std::to_string(FVIRTKEY | FNOINVERT) + " ";
    HWND menus = nullptr, plain = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] {
        for (HWND w : probe.TopWindows())
            (e2e::Text(w) == "Menus" ? menus : e2e::Text(w) == "Plain" ? plain : w) = w;
        return menus && plain && Count("load accel " + none + std::to_string(VK_F6) + " 20004") == 1;
    })) << ReadLog();
    EXPECT_EQ(Count("plain window menu 0"), 1);
    // "&Secret" (20007) and its item are absent; "&Tree" keeps 20009 and sits second on the bar.
    ExpectOnce({"load # 2", "load 0 -1 16 &File", "load #0 6", "load 0.0 20001 0 &Save\\tCtrl+S",
                "load 0.1 20002 2048 ", "load 0.2 20003 8 &Refresh\\tF5", "load 0.3 20004 1 &Greyed\\tF6",
                "load 0.4 20005 0 &Tab only\\t", "load 0.5 20006 0 &Plain", "load 1 -1 16 &Tree",
                "load 1.0 -1 16 &Level two", "load 1.0.0 -1 16 &Inner three", "load 1.0.0.0 20012 0 &Deep",
                // virtual key, no inversion, the row's modifiers; none for row 77 or hidden items
                "load accel " + ctrl + "83 20001", "load accel " + none + std::to_string(VK_F5) + " 20003",
                "load accel " + none + std::to_string(VK_F6) + " 20004"});
    EXPECT_EQ(ReadLog().find("load accel " + ctrl + "84"), std::string::npos);
    ExpectOnce({"popup 1 " + std::to_string(MFT_OWNERDRAW) + " 30001 30001"});  // data: the identifier

    // Ctrl+S and F5 run their items; F6 (greyed item) and Ctrl+T (hidden item) do nothing.
    SetForegroundWindow(menus);
    ASSERT_TRUE(e2e::WaitUntil([&] { return GetForegroundWindow() == menus; }));
    Press({'S'}, VK_CONTROL);
    Press({VK_F6});
    Press({'T'}, VK_CONTROL);
    Press({VK_F5});
    ASSERT_TRUE(LogHas("handler Save") && LogHas("handler Refresh")) << ReadLog();
    // Chosen with the keyboard through three levels: Alt+T, then L, I, D.
    Press({'T'}, VK_MENU);
    ASSERT_TRUE(PopupOpen(probe));
    Press({'L', 'I', 'D'});
    ASSERT_TRUE(LogHas("handler Deep")) << ReadLog();

    // "&Plain" (Alt+F, P) writes the item properties; the menu and accelerators are rebuilt, the
    // replaced ones are gone, and F6 and Ctrl+T now work.
    Press({'F'}, VK_MENU);
    ASSERT_TRUE(PopupOpen(probe));
    Press({'P'});
    ASSERT_TRUE(LogHas("replaced 0 0")) << ReadLog();
    Press({VK_F6});
    Press({'T'}, VK_CONTROL);
    ASSERT_TRUE(LogHas("handler Greyed") && LogHas("handler Secret")) << ReadLog();
    ExpectOnce({"read &Save 0 0 1", "read &Refresh 1 0 1", "read &Greyed 0 1 1", "read &Secret 0 0 0",
                "reread &Store 0 0 1", "reread &Refresh 0 0 1", "reread &Greyed 0 0 1", "reread &Secret 0 0 1",
                "after # 3", "after 0.0 20001 0 &Store\\tCtrl+S", "after 0.2 20003 0 &Refresh\\tF5",
                "after 0.3 20004 0 &Greyed\\tF6", "after 1 -1 16 &Secret", "after 1.0 20008 0 &Inside\\tCtrl+T",
                "after 2.0.0.0 20012 1 &Deep", "after accel " + ctrl + "84 20008"});

    // Closing both windows leaves no menu or accelerator table of either generation.
    PostMessageA(menus, WM_CLOSE, 0, 0);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !IsWindow(menus); }));
    PostMessageA(plain, WM_CLOSE, 0, 0);
    int exitCode = 12345;
    ASSERT_TRUE(probe.WaitExit(&exitCode));
    EXPECT_EQ(exitCode, 0);
    ExpectOnce({"end 0 0", "handler Save", "handler Refresh", "handler Greyed", "handler Secret", "handler Deep"});
    EXPECT_EQ(Count("handler TabOnly"), 0);
}

}  // namespace
