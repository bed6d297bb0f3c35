// The gallery end to end: its pictures on the screen at points the build's pictures fix, every
// menu path by keyboard and its accelerator, the second window opened and closed, the edit boxes'
// filtering and normalisation, the WAVE sound on the waveform output until silenced, and the end
// through the menu.
#include <windows.h>

#include <gtest/gtest.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/driver/driver.h"

namespace {

// Control identifiers follow the creation order of the form: the last table entry first.
enum Control : int { kBmp = 110, kGif = 120, kIco = 130, kPng = 140, kPlainBox = 150, kByteBox = 160,
                     kPasswordBox = 170, kEventLabel = 190, kCloseSecond = 100 };

// Keys pressed in turn while `held` (0: none) is down, as real input.
void Press(const std::vector<WORD>& keys, WORD held = 0)
{
    auto stroke = [](WORD key, DWORD flags) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki = {key, static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)), flags, 0, 0};
        SendInput(1, &in, sizeof in);
        Sleep(30);
    };
    if (held)
        stroke(held, 0);
    for (WORD key : keys)
        stroke(key, 0), stroke(key, KEYEVENTF_KEYUP);
    if (held)
        stroke(held, KEYEVENTF_KEYUP);
}

std::string Bytes(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t Size(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA a;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &a) ? a.nFileSizeLow : 0;
}

class Gallery : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gallery_.Start(e2e::OwnFolder() + "..\\..\\examples\\gallery\\gallery.exe"));
        window_ = gallery_.WaitWindow("", 60000);  // the first start in a new prefix may be slow
        ASSERT_NE(window_, nullptr);
        Focus(window_);
        ASSERT_TRUE(Shows("窗口已创建"));
    }

    HWND Item(int id) const { return e2e::FindControl(window_, id); }
    bool Shows(const std::string& event) const
    {
        return e2e::WaitUntil([&] { return e2e::Text(Item(kEventLabel)) == "最近的事件：" + event; }, 5000);
    }
    HWND Second() const
    {
        for (HWND w : gallery_.TopWindows())
            if (e2e::Text(w) == "第二个窗口")
                return w;
        return nullptr;
    }
    HWND OpenMenu() const
    {
        for (HWND w : gallery_.TopWindows())
            if (e2e::ClassOf(w) == "#32768" && IsWindowVisible(w))
                return w;
        return nullptr;
    }
    void Focus(HWND w) const { SetForegroundWindow(w), e2e::RoundTrip(w); }

    e2e::Process gallery_;
    HWND window_ = nullptr;
};

TEST_F(Gallery, TiledBackgroundAndPictureButtons)
{
    const e2e::Picture shown = e2e::Capture(window_);
    RECT outer;
    POINT client{};
    GetWindowRect(window_, &outer), ClientToScreen(window_, &client);
    // Below the edit boxes nothing covers the 32x32 tile: dark where both halves agree.
    for (int x = 4; x < 300; x += 16)
        for (int y = 200; y < 248; y += 16)
            EXPECT_EQ(shown.At(client.x - outer.left + x, client.y - outer.top + y),
                      (x % 32 < 16) == (y % 32 < 16) ? 0x3060C0u : 0x70A0E0u) << x << "," << y;
    const struct { int id; uint32_t colour; const char* event; } buttons[] = {
        {kBmp, 0xE02020, "BMP 按钮"}, {kGif, 0x20C020, "GIF 按钮"}, {kIco, 0x2040E0, "ICO 按钮"},
        {kPng, 0xF0C000, "PNG 按钮"}};  // the disc's transparent corners show the button's face
    for (const auto& b : buttons) {
        const e2e::Picture p = e2e::Capture(Item(b.id));
        const int cx = p.width / 2, cy = p.height / 2;
        EXPECT_EQ(p.At(cx, cy), b.colour) << b.event;
        EXPECT_TRUE(b.id != kPng || p.At(cx - 18, cy - 18) == p.At(cx - 30, cy)) << "PNG corner";
        e2e::Click(Item(b.id));
        EXPECT_TRUE(Shows(b.event));
    }
}

TEST_F(Gallery, MenuPathsAcceleratorsAndTheSecondWindow)
{
    // The checked item's handler reads the check mark back and writes its opposite. The greyed
    // item cannot be chosen: its handler's box would keep F4 from the window's accelerators.
    const struct { WORD held; std::vector<WORD> keys; const char* event; } steps[] = {
        {0, {VK_F3}, "未选中"}, {VK_MENU, {'O'}, nullptr}, {0, {'C'}, "选中"},
        {VK_MENU, {'O'}, nullptr}, {0, {'R', 'E', 'D'}, "最深"}, {0, {VK_F3}, "未选中"},
        {VK_MENU, {'O'}, nullptr}, {0, {'G', VK_ESCAPE, VK_ESCAPE}, nullptr}, {0, {VK_F4}, "最深"},
        {0, {VK_F5}, "WAVE"}, {0, {VK_F7}, "静音"}, {0, {VK_F6}, "MIDI"}, {0, {VK_F7}, "静音"},
        {VK_MENU, {'S'}, nullptr}, {0, {'W'}, "WAVE"}, {VK_MENU, {'S'}, nullptr}, {0, {'Q'}, "静音"}};
    std::vector<e2e::Picture> options;  // the open 选项 menu: unchecked, checked, unchecked
    for (const auto& step : steps) {
        Press(step.keys, step.held);
        EXPECT_TRUE(!step.event || Shows(step.event)) << step.event;
        HWND popup = nullptr;
        if (step.keys == std::vector<WORD>{'O'} && e2e::WaitUntil([&] { return (popup = OpenMenu()) != nullptr; }))
            options.push_back(e2e::CaptureAsShown(popup));
    }
    // The check mark is drawn in the left margin of the first item, and nowhere else.
    ASSERT_EQ(options.size(), 3u);
    EXPECT_EQ(options[0].pixels, options[2].pixels);
    int changed = 0, outside = 0;
    for (int y = 0; y < options[0].height && options[1].width == options[0].width; ++y)
        for (int x = 0; x < options[0].width; ++x)
            if (options[0].At(x, y) != options[1].At(x, y))
                ++changed, outside += x > 24 || y > 30;
    EXPECT_GT(changed, 10);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(gallery_.WaitMessageBox(0), nullptr);
    // Opened, hidden by its own button, shown again from the menu, closed, opened anew.
    Press({VK_F2});
    HWND second = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] { return (second = Second()) != nullptr; }));
    EXPECT_TRUE(Shows("打开第二个窗口"));
    e2e::Click(e2e::FindControl(second, kCloseSecond));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(second); }));
    EXPECT_TRUE(Shows("关闭第二个窗口"));
    Focus(window_);
    Press({'F'}, VK_MENU), Press({'S'});
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(second) != FALSE; }));
    PostMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return Second() == nullptr; }));
    Focus(window_);
    Press({VK_F2});
    EXPECT_TRUE(e2e::WaitUntil([&] { return Second() != nullptr; }));
    for (bool byMenu : {false, true}) {
        Focus(window_);
        byMenu ? (Press({'F'}, VK_MENU), Press({'M'})) : Press({'M'}, VK_CONTROL);
        HWND box = gallery_.WaitMessageBox();
        ASSERT_NE(box, nullptr) << byMenu;
        const e2e::MessageBoxInfo info = e2e::ReadMessageBox(box);
        EXPECT_EQ(info.text + "|" + info.caption, "这是画廊的消息框。|画廊");
        EXPECT_EQ(info.icon, e2e::BoxIcon::Information);
        e2e::PressButton(box, IDOK);
        EXPECT_TRUE(Shows("消息框"));
        e2e::WaitUntil([&] { return !IsWindow(box); });
    }
    Focus(window_);
    Press({'F'}, VK_MENU), Press({'X'});
    int code = -1;
    ASSERT_TRUE(gallery_.WaitExit(&code));
    EXPECT_EQ(code, 0);
}

// gallery_test.sh points the waveform output at a file and has sox read the WAVE's samples. The
// WAVE loops: left playing, the capture grows by at least a copy every half second.
TEST_F(Gallery, WaveReachesTheWaveformOutputUntilSilenced)
{
    const char* capture = std::getenv("GALLERY_CAPTURE");
    const char* samplesFile = std::getenv("GALLERY_SAMPLES");
    ASSERT_TRUE(capture && samplesFile) << "run through gallery_test.sh";
    const std::string samples = Bytes(samplesFile);
    ASSERT_FALSE(samples.empty());
    DeleteFileA(capture);
    Press({VK_F5});
    EXPECT_TRUE(Shows("WAVE"));
    EXPECT_TRUE(e2e::WaitUntil([&] { return Size(capture) >= samples.size(); }, 10000)) << Size(capture);
    EXPECT_TRUE(Bytes(capture).compare(0, samples.size(), samples) == 0);
    Press({VK_F7});
    EXPECT_TRUE(Shows("静音"));
    const size_t atSilence = Size(capture);
    size_t last = atSilence;
    DWORD since = GetTickCount();
    EXPECT_TRUE(e2e::WaitUntil([&] {
        if (Size(capture) != last)
            last = Size(capture), since = GetTickCount();
        return GetTickCount() - since >= 1000;  // unchanged for two copies' time
    }, 10000)) << last;
    EXPECT_LT(last, atSilence + samples.size());  // cut short: less than one more copy
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
    e2e::ClickAt(Item(kPlainBox), 5, 5);  // and loses it
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Text(byteBox) == "255"; })) << e2e::Text(byteBox);
    // One step up from the upper limit wraps round to the lower one (a real click).
    HWND adjuster = FindWindowExA(window_, nullptr, "msctls_updown32", nullptr);
    ASSERT_NE(adjuster, nullptr);
    RECT r;
    GetClientRect(adjuster, &r);
    POINT up{r.right / 2, 2};
    Focus(window_), ClientToScreen(adjuster, &up), SetCursorPos(up.x, up.y);
    INPUT clicks[2] = {{INPUT_MOUSE, {}}, {INPUT_MOUSE, {}}};
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN, clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Text(byteBox) == "0"; })) << e2e::Text(byteBox);
}

}  // namespace
