// The driver's own tests, against a small program whose windows and boxes are known.
#include "tests/driver/driver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::string Probe() { return e2e::OwnFolder() + "driver_probe.exe"; }

int RunToExit(e2e::Process& process)
{
    int code = 12345;
    EXPECT_TRUE(process.WaitExit(&code)) << "the probe did not end";
    return code;
}

TEST(DriverProcess, CollectsTheExitCodeTheProgramChose)
{
    for (int chosen : {0, 7, -1}) {
        e2e::Process probe;
        ASSERT_TRUE(probe.Start(Probe(), "exit " + std::to_string(chosen)));
        EXPECT_EQ(RunToExit(probe), chosen);
    }
}

TEST(DriverProcess, PassesArgumentsAndWorkingFolder)
{
    const std::string folder = e2e::OwnFolder() + "work dir";
    CreateDirectoryA(folder.c_str(), nullptr);
    e2e::Process probe;
    ASSERT_TRUE(probe.Start(Probe(), "echo alpha \"beta gamma\"", folder));
    HWND box = probe.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::ReadMessageBox(box).text, folder + "|alpha \"beta gamma\"");
    EXPECT_TRUE(e2e::PressButton(box, IDOK));
    EXPECT_EQ(RunToExit(probe), 0);
}

struct BoxCase {
    int box;
    const char* caption;
    const char* text;
    e2e::BoxIcon icon;
    std::vector<int> buttons;
};

const BoxCase kBoxCases[] = {
    {0, "错误", "运行时出错!", e2e::BoxIcon::Stop, {IDOK}},
    {1, "询问", "继续吗?", e2e::BoxIcon::Question, {IDOK, IDCANCEL}},
    {2, "警告", "帧数过高", e2e::BoxIcon::Warning, {IDYES, IDNO}},
    {3, "信息：", "修改完成", e2e::BoxIcon::Information, {IDYES, IDNO, IDCANCEL}},
    {4, "", "三个按钮", e2e::BoxIcon::None, {IDABORT, IDRETRY, IDIGNORE}},
    {5, "重试", "第一行\r\n第二行", e2e::BoxIcon::Stop, {IDRETRY, IDCANCEL}},
};

TEST(DriverMessageBox, ReadsCaptionTextIconAndButtons)
{
    for (const BoxCase& expected : kBoxCases) {
        SCOPED_TRACE("box " + std::to_string(expected.box));
        e2e::Process probe;
        ASSERT_TRUE(probe.Start(Probe(), "box " + std::to_string(expected.box)));
        HWND box = probe.WaitMessageBox();
        ASSERT_NE(box, nullptr);
        const e2e::MessageBoxInfo info = e2e::ReadMessageBox(box);
        EXPECT_EQ(info.caption, expected.caption);
        EXPECT_EQ(info.text, expected.text);
        EXPECT_STREQ(e2e::ToString(info.icon), e2e::ToString(expected.icon));
        std::vector<int> buttons = info.buttons, expectedButtons = expected.buttons;
        std::sort(buttons.begin(), buttons.end());
        std::sort(expectedButtons.begin(), expectedButtons.end());
        EXPECT_EQ(buttons, expectedButtons);
        e2e::PressButton(box, expected.buttons.front());
        RunToExit(probe);
    }
}

TEST(DriverMessageBox, PressesEveryKindOfButton)
{
    const struct {
        int box;
        int button;
    } presses[] = {{0, IDOK},    {1, IDOK},    {1, IDCANCEL}, {2, IDYES},  {2, IDNO},
                   {3, IDCANCEL}, {4, IDABORT}, {4, IDRETRY},  {4, IDIGNORE}, {5, IDRETRY}};
    for (const auto& press : presses) {
        SCOPED_TRACE("box " + std::to_string(press.box) + " button " + std::to_string(press.button));
        e2e::Process probe;
        ASSERT_TRUE(probe.Start(Probe(), "box " + std::to_string(press.box)));
        HWND box = probe.WaitMessageBox();
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(e2e::PressButton(box, press.button));
        // The probe ends with the box's answer, which is the identifier of the pressed button.
        EXPECT_EQ(RunToExit(probe), press.button);
    }
}

TEST(DriverMessageBox, EscapeCancelsAYesNoCancelBox)
{
    e2e::Process probe;
    ASSERT_TRUE(probe.Start(Probe(), "box 3"));
    HWND box = probe.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(e2e::PressButton(box, IDOK)) << "a Yes/No/Cancel box has no OK button";
    e2e::PostKey(box, VK_ESCAPE);
    EXPECT_EQ(RunToExit(probe), IDCANCEL);
}

TEST(DriverWindow, TypesClicksReadsAndTakesPictures)
{
    e2e::Process probe;
    ASSERT_TRUE(probe.Start(Probe(), "window"));
    HWND window = probe.WaitWindow("ProbeWindow");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(e2e::Text(window), "探针窗口");

    HWND edit = e2e::FindControl(window, 100);
    ASSERT_NE(edit, nullptr);
    e2e::Type(edit, "帧数120");
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Text(edit) == "帧数120"; }))
        << "edit box holds \"" << e2e::Text(edit) << "\"";

    e2e::PostKey(window, VK_F5);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Text(window) == "F5"; }));

    HWND label = e2e::FindControl(window, 102);
    ASSERT_NE(label, nullptr);
    e2e::ClickCentre(label);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Text(label) == "已点击"; }));

    // A point of the client area below the controls shows the window's own background colour.
    const e2e::Picture picture = e2e::Capture(window);
    RECT frame;
    GetWindowRect(window, &frame);
    POINT inside = {300, 150};
    ClientToScreen(window, &inside);
    ASSERT_GT(picture.width, inside.x - frame.left);
    ASSERT_GT(picture.height, inside.y - frame.top);
    EXPECT_EQ(picture.At(inside.x - frame.left, inside.y - frame.top), 0x2080C0u);

    e2e::Click(e2e::FindControl(window, 101));
    HWND box = probe.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    const e2e::MessageBoxInfo info = e2e::ReadMessageBox(box);
    EXPECT_EQ(info.caption, "探针");
    EXPECT_EQ(info.text, "帧数120");
    EXPECT_EQ(info.icon, e2e::BoxIcon::Question);
    ASSERT_TRUE(e2e::PressButton(box, IDNO));
    EXPECT_EQ(RunToExit(probe), IDNO);
}

}  // namespace
