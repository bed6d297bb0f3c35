// The gallery end to end: its pictures on the screen at points the build's pictures fix, every
// menu path by keyboard and its accelerator, the second window opened and closed, the edit boxes'
// filtering and normalisation, and the end through the menu.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "tests/driver/driver.h"

namespace {

// Control identifiers follow the creation order of the form: the last table entry first.
enum Control : int { kBmp = 110, kGif = 120, kIco = 130, kPng = 140, kPlainBox = 150, kByteBox = 160,
                     kPasswordBox = 170, kEventLabel = 190, kCloseSecond = 100 };
constexpr uint32_t kDark = 0x3060C0, kLight = 0x70A0E0;

// Keys pressed in turn while `held` (0: none) is down, as real input.
void Press(std::initializer_list<WORD> keys, WORD held = 0)
{
    auto stroke = [](WORD key, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = key;
        in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        SendInput(1, &in, sizeof in);
        Sleep(30);
    };
    if (held)
        stroke(held, false);
    for (WORD key : keys) {
        stroke(key, false);
        stroke(key, true);
    }
    if (held)
        stroke(held, true);
}

class Gallery : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gallery_.Start(e2e::OwnFolder() + "..\\..\\examples\\gallery\\gallery.exe"));
        window_ = gallery_.WaitWindow("", 60000);  // the first start in a new prefix may be slow
        ASSERT_NE(window_, nullptr);
        SetForegroundWindow(window_);
        ASSERT_TRUE(Shows("窗口已创建"));
    }

    HWND Item(int id) const { return e2e::FindControl(window_, id); }
    bool Shows(const std::string& event) const
    {
        const std::string expected = "最近的事件：" + event;
        return e2e::WaitUntil([&] { return e2e::Text(Item(kEventLabel)) == expected; }, 5000);
    }
    HWND Second() const
    {
        for (HWND w : gallery_.TopWindows())
            if (e2e::Text(w) == "第二个窗口")
                return w;
        return nullptr;
    }
    void Focus(HWND w) const
    {
        SetForegroundWindow(w);
        e2e::RoundTrip(w);
    }

    e2e::Process gallery_;
    HWND window_ = nullptr;
};

TEST_F(Gallery, TiledBackgroundAndPictureButtons)
{
    const e2e::Picture shown = e2e::Capture(window_);
    RECT outer;
    GetWindowRect(window_, &outer);
    POINT client{};
    ClientToScreen(window_, &client);
    auto at = [&](int x, int y) { return shown.At(client.x - outer.left + x, client.y - outer.top + y); };
    // Below the edit boxes nothing covers the 32x32 tile of four squares.
    for (int x : {4, 36, 228})
        for (int y : {200, 232}) {
            EXPECT_EQ(at(x, y), kDark) << x << "," << y;
            EXPECT_EQ(at(x + 16, y), kLight) << x + 16 << "," << y;
            EXPECT_EQ(at(x, y + 16), kLight) << x << "," << y + 16;
            EXPECT_EQ(at(x + 16, y + 16), kDark) << x + 16 << "," << y + 16;
        }

    const struct {
        int id;
        uint32_t colour;
        const char* event;
    } buttons[] = {{kBmp, 0xE02020, "BMP 按钮"}, {kGif, 0x20C020, "GIF 按钮"}, {kIco, 0x2040E0, "ICO 按钮"},
                   {kPng, 0xF0C000, "PNG 按钮"}};
    for (const auto& b : buttons) {
        const e2e::Picture p = e2e::Capture(Item(b.id));
        ASSERT_GT(p.width, 0) << b.event;
        EXPECT_EQ(p.At(p.width / 2, p.height / 2), b.colour) << b.event;
        if (b.id == kPng) {
            // The disc's transparent corners show the button's face, as beside the picture.
            EXPECT_EQ(p.At(p.width / 2 - 18, p.height / 2 - 18), p.At(p.width / 2 - 30, p.height / 2));
            EXPECT_NE(p.At(p.width / 2 - 18, p.height / 2 - 18), b.colour);
        }
        e2e::Click(Item(b.id));
        EXPECT_TRUE(Shows(b.event));
    }
}

TEST_F(Gallery, MenuPathsAcceleratorsAndTheSecondWindow)
{
    // The checked item's handler reads the check mark back and writes its opposite.
    Press({VK_F3});
    EXPECT_TRUE(Shows("未选中"));
    Press({'O'}, VK_MENU);
    Press({'C'});
    EXPECT_TRUE(Shows("选中"));
    Press({'O'}, VK_MENU);
    Press({'R', 'E', 'D'});  // three pop-ups deep
    EXPECT_TRUE(Shows("最深"));
    Press({VK_F3});
    EXPECT_TRUE(Shows("未选中"));
    // The greyed item cannot be chosen: its handler would open a box, whose modal loop would
    // keep F4 from reaching the window's accelerators.
    Press({'O'}, VK_MENU);
    Press({'G', VK_ESCAPE, VK_ESCAPE});
    Press({VK_F4});
    EXPECT_TRUE(Shows("最深"));
    EXPECT_EQ(gallery_.WaitMessageBox(0), nullptr);

    const std::pair<WORD, const char*> sounds[] = {{VK_F5, "WAVE"}, {VK_F7, "静音"}, {VK_F6, "MIDI"}, {VK_F7, "静音"}};
    for (const auto& s : sounds) {
        Press({s.first});
        EXPECT_TRUE(Shows(s.second));
    }
    Press({'S'}, VK_MENU);
    Press({'W'});
    EXPECT_TRUE(Shows("WAVE"));
    Press({'S'}, VK_MENU);
    Press({'Q'});
    EXPECT_TRUE(Shows("静音"));

    // Opened, hidden by its own button, shown again from the menu, closed, opened anew.
    Press({VK_F2});
    HWND second = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] { return (second = Second()) != nullptr; }));
    EXPECT_TRUE(Shows("打开第二个窗口"));
    e2e::Click(e2e::FindControl(second, kCloseSecond));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(second); }));
    EXPECT_TRUE(Shows("关闭第二个窗口"));
    Focus(window_);
    Press({'F'}, VK_MENU);
    Press({'S'});
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(second) != FALSE; }));
    PostMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return Second() == nullptr; }));
    Focus(window_);
    Press({VK_F2});
    EXPECT_TRUE(e2e::WaitUntil([&] { return Second() != nullptr; }));

    for (bool byMenu : {false, true}) {
        Focus(window_);
        if (byMenu) {
            Press({'F'}, VK_MENU);
            Press({'M'});
        } else {
            Press({'M'}, VK_CONTROL);
        }
        HWND box = gallery_.WaitMessageBox();
        ASSERT_NE(box, nullptr) << byMenu;
        const e2e::MessageBoxInfo info = e2e::ReadMessageBox(box);
        EXPECT_EQ(info.text, "这是画廊的消息框。");
        EXPECT_EQ(info.caption, "画廊");
        EXPECT_EQ(info.icon, e2e::BoxIcon::Information);
        e2e::PressButton(box, IDOK);
        EXPECT_TRUE(Shows("消息框"));
        e2e::WaitUntil([&] { return !IsWindow(box); });
    }
    Focus(window_);

    Press({'F'}, VK_MENU);
    Press({'X'});
    int code = -1;
    ASSERT_TRUE(gallery_.WaitExit(&code));
    EXPECT_EQ(code, 0);
}

TEST_F(Gallery, EditBoxesFilterAndNormalise)
{
    EXPECT_EQ(e2e::Text(Item(kPlainBox)), "你好");
    EXPECT_TRUE(GetWindowLongA(Item(kPasswordBox), GWL_STYLE) & ES_PASSWORD);
    HWND byteBox = Item(kByteBox);
    EXPECT_EQ(e2e::Text(byteBox), "7");
    e2e::ClickAt(byteBox, 5, 5);  // the byte box takes the focus
    PostMessageA(byteBox, EM_SETSEL, 0, -1);
    e2e::Type(byteBox, "-3x00");  // a byte takes digits only
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Text(byteBox) == "300"; })) << e2e::Text(byteBox);
    e2e::ClickAt(Item(kPlainBox), 5, 5);  // the byte box loses the focus
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Text(byteBox) == "255"; })) << e2e::Text(byteBox);
    // One step up from the upper limit wraps round to the lower one.
    HWND adjuster = FindWindowExA(window_, nullptr, "msctls_updown32", nullptr);
    ASSERT_NE(adjuster, nullptr);
    RECT r;
    GetClientRect(adjuster, &r);
    Focus(window_);
    POINT up{r.right / 2, 2};
    ClientToScreen(adjuster, &up);
    SetCursorPos(up.x, up.y);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Text(byteBox) == "0"; })) << e2e::Text(byteBox);
}

}  // namespace
