// MsgBox end to end: a probe program calls the command from the core library's table with the
// arguments chosen here, and the driver reads the box it shows (caption, text, icon, buttons,
// owner, modality), presses a button and collects the command's answer as the exit code.
// Texts are UTF-8 here; the probe receives its texts as GBK bytes in hexadecimal.
#include "runtime/commands/msgbox_command.h"

#include "tests/driver/driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string Probe() { return e2e::OwnFolder() + "msgbox_probe.exe"; }

// UTF-8 -> GBK bytes in hexadecimal.
std::string GbkHex(const std::string& utf8)
{
    wchar_t wide[512] = {};
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide, 512);
    char gbk[1024] = {};
    WideCharToMultiByte(936, 0, wide, -1, gbk, sizeof(gbk), nullptr, nullptr);
    std::string hex;
    for (const char* p = gbk; *p; ++p) {
        char pair[3];
        wsprintfA(pair, "%02x", static_cast<unsigned char>(*p));
        hex += pair;
    }
    return hex;
}

std::string Text(const std::string& utf8) { return "msg=text:" + GbkHex(utf8); }

// One run of the probe with its box open.
class Shown {
public:
    explicit Shown(const std::string& args)
    {
        started_ = probe_.Start(Probe(), args);
        if (!started_)
            return;
        main_ = probe_.WaitWindow("MsgBoxProbeMain");
        box_ = probe_.WaitMessageBox();
        if (box_)
            info_ = e2e::ReadMessageBox(box_);
    }
    bool Ok() const { return started_ && main_ && box_; }
    const e2e::MessageBoxInfo& Info() const { return info_; }
    HWND Main() const { return main_; }
    HWND Box() const { return box_; }
    std::vector<int> Buttons() const
    {
        std::vector<int> buttons = info_.buttons;
        std::sort(buttons.begin(), buttons.end());
        return buttons;
    }
    // Presses the button and answers the command's result.
    int Press(int id)
    {
        EXPECT_TRUE(e2e::PressButton(box_, id)) << "no button " << id;
        return Exit();
    }
    int Escape()
    {
        e2e::PostKey(box_, VK_ESCAPE);
        return Exit();
    }

private:
    int Exit()
    {
        int code = 12345;
        EXPECT_TRUE(probe_.WaitExit(&code)) << "the probe did not end";
        return code;
    }
    e2e::Process probe_;
    bool started_ = false;
    HWND main_ = nullptr, box_ = nullptr;
    e2e::MessageBoxInfo info_;
};

bool Topmost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

TEST(MsgBoxCommand, DefaultsToAnOkBoxWithTheDefaultCaptionTaskModalWithoutOwner)
{
    Shown shown(Text("修改完成"));
    ASSERT_TRUE(shown.Ok());
    EXPECT_EQ(shown.Info().caption, "信息：");
    EXPECT_EQ(shown.Info().text, "修改完成");
    EXPECT_EQ(shown.Info().icon, e2e::BoxIcon::None);
    EXPECT_EQ(shown.Buttons(), std::vector<int>{IDOK});
    EXPECT_EQ(GetWindow(shown.Box(), GW_OWNER), nullptr);
    EXPECT_FALSE(IsWindowEnabled(shown.Main())) << "task-modal: the thread's windows are disabled";
    EXPECT_FALSE(Topmost(shown.Box()));
    EXPECT_EQ(shown.Press(IDOK), 0);
}

TEST(MsgBoxCommand, StopIconStyleIsShownTaskModal)
{
    Shown shown(Text("当前QQ号为空或输入错误，请确认QQ号后重试") + " style=0x10");
    ASSERT_TRUE(shown.Ok());
    EXPECT_EQ(shown.Info().text, "当前QQ号为空或输入错误，请确认QQ号后重试");
    EXPECT_EQ(shown.Info().icon, e2e::BoxIcon::Stop);
    EXPECT_EQ(shown.Buttons(), std::vector<int>{IDOK});
    EXPECT_FALSE(IsWindowEnabled(shown.Main()));
    EXPECT_EQ(shown.Press(IDOK), 0);
    EXPECT_EQ(EffectiveMsgBoxStyle(0x10), 0x2010u);
}

TEST(MsgBoxCommand, SystemModalStylesArePassedUnchanged)
{
    for (int button : {IDYES, IDNO}) {
        Shown shown(Text("系统") + " style=0x1004");
        ASSERT_TRUE(shown.Ok());
        EXPECT_EQ(shown.Buttons(), (std::vector<int>{IDYES, IDNO}));
        EXPECT_TRUE(IsWindowEnabled(shown.Main())) << "no task-modal bit was added";
        EXPECT_TRUE(Topmost(shown.Box()));
        EXPECT_EQ(shown.Press(button), button == IDYES ? 5 : 6);
    }
    Shown plain(Text("系统") + " style=0x1000");
    ASSERT_TRUE(plain.Ok());
    EXPECT_EQ(plain.Buttons(), std::vector<int>{IDOK});
    EXPECT_TRUE(IsWindowEnabled(plain.Main()));
    EXPECT_EQ(plain.Press(IDOK), 0);
    EXPECT_EQ(EffectiveMsgBoxStyle(0x1004), 0x1004u);
}

TEST(MsgBoxCommand, TaskModalBitAlreadyGivenIsNotAddedAgain)
{
    // Adding 0x2000 to 0x2004 would give 0x4004: a help button and no task-modality.
    Shown shown(Text("询问") + " style=0x2004");
    ASSERT_TRUE(shown.Ok());
    EXPECT_EQ(shown.Buttons(), (std::vector<int>{IDYES, IDNO}));
    EXPECT_FALSE(IsWindowEnabled(shown.Main()));
    EXPECT_EQ(shown.Press(IDNO), 6);
    EXPECT_EQ(EffectiveMsgBoxStyle(0x2004), 0x2004u);
    EXPECT_EQ(EffectiveMsgBoxStyle(0x3004), 0x3004u);
}

TEST(MsgBoxCommand, EachButtonGivesItsNumber)
{
    const struct {
        int style, button, answer;
    } presses[] = {
        {0, IDOK, 0},     {1, IDOK, 0},      {1, IDCANCEL, 1}, {2, IDABORT, 2}, {2, IDRETRY, 3},
        {2, IDIGNORE, 4}, {3, IDYES, 5},     {3, IDNO, 6},     {3, IDCANCEL, 1}, {4, IDYES, 5},
        {4, IDNO, 6},     {5, IDRETRY, 3},   {5, IDCANCEL, 1},
    };
    for (const auto& press : presses) {
        SCOPED_TRACE("style " + std::to_string(press.style) + " button " + std::to_string(press.button));
        Shown shown(Text("按钮") + " style=" + std::to_string(press.style));
        ASSERT_TRUE(shown.Ok());
        EXPECT_EQ(shown.Press(press.button), press.answer);
    }
    // Codes outside the table, 0 among them (no box shown), answer 0 like OK.
    for (int code : {0, 8, 9, 10, 11, -1})
        EXPECT_EQ(MsgBoxAnswer(code), 0) << code;
}

TEST(MsgBoxCommand, EscapeOnYesNoCancelIsCancel)
{
    Shown shown(Text("取消") + " style=3");
    ASSERT_TRUE(shown.Ok());
    EXPECT_EQ(shown.Buttons(), (std::vector<int>{IDCANCEL, IDYES, IDNO}));
    EXPECT_EQ(shown.Escape(), 1);
}

TEST(MsgBoxCommand, IconsFollowTheStyle)
{
    const struct {
        int style;
        e2e::BoxIcon icon;
    } icons[] = {{0x10, e2e::BoxIcon::Stop}, {0x20, e2e::BoxIcon::Question},
                 {0x30, e2e::BoxIcon::Warning}, {0x40, e2e::BoxIcon::Information}};
    for (const auto& icon : icons) {
        Shown shown(Text("图标") + " style=" + std::to_string(icon.style));
        ASSERT_TRUE(shown.Ok());
        EXPECT_STREQ(e2e::ToString(shown.Info().icon), e2e::ToString(icon.icon)) << icon.style;
        shown.Press(IDOK);
    }
}

TEST(MsgBoxCommand, OwnerByReferenceOrHandle)
{
    for (const char* owner : {"ref", "handle"}) {
        SCOPED_TRACE(owner);
        Shown shown(Text("所有者") + " owner=" + owner);
        ASSERT_TRUE(shown.Ok());
        EXPECT_EQ(GetWindow(shown.Box(), GW_OWNER), shown.Main());
        EXPECT_EQ(shown.Press(IDOK), 0);
    }
    // A window that is not loaded leaves the box without an owner.
    Shown missing(Text("所有者") + " owner=missing");
    ASSERT_TRUE(missing.Ok());
    EXPECT_EQ(GetWindow(missing.Box(), GW_OWNER), nullptr);
    EXPECT_EQ(missing.Press(IDOK), 0);
}

TEST(MsgBoxCommand, CaptionGivenOrEmpty)
{
    Shown given(Text("内容") + " caption=" + GbkHex("帧数设置"));
    ASSERT_TRUE(given.Ok());
    EXPECT_EQ(given.Info().caption, "帧数设置");
    given.Press(IDOK);
    Shown empty(Text("内容") + " caption=empty");
    ASSERT_TRUE(empty.Ok());
    EXPECT_EQ(empty.Info().caption, "") << "an empty caption, not the default";
    empty.Press(IDOK);
}

TEST(MsgBoxCommand, ShowsEveryKindOfMessageValue)
{
    const struct {
        const char* arg;
        const char* shown;
    } values[] = {
        {"msg=int:42", "42"},
        {"msg=int:-7", "-7"},
        {"msg=byte:255", "255"},
        {"msg=short:0xFFFE", "-2"},
        {"msg=long:1099511627776", "1099511627776"},
        {"msg=single:1.5", "1.5"},
        {"msg=double:0.5", "0.5"},
        {"msg=bool:1", "真"},
        {"msg=bool:0", "假"},
        {"msg=date:36526", "2000年1月1日"},
        {"msg=nulltext", ""},
        {"msg=other", ""},
        {"msg=omit", ""},
    };
    for (const auto& value : values) {
        SCOPED_TRACE(value.arg);
        Shown shown(value.arg);
        ASSERT_TRUE(shown.Ok());
        EXPECT_EQ(shown.Info().text, value.shown);
        EXPECT_EQ(shown.Info().caption, "信息：");
        EXPECT_EQ(shown.Press(IDOK), 0);
    }
}

}  // namespace
