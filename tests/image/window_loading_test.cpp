// Window loading, property access and event dispatch seen from outside: a compiled program of
// the tests loads the window of forms/loading.form in each scenario and logs what it saw.
#include "tests/driver/driver.h"
#include "tests/support/probe_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string LogPath() { return e2e::OwnFolder() + "probe.log"; }

std::string ReadLog() { return probe_log::Read(LogPath()); }

const char kLoaded[] =
    "window event 0 from 52010001/6010000\n"
    "window event 3\n"
    "window event 4\n";

struct Outcome {
    int exitCode = 12345;
    std::string boxText;
    std::string log;
};

Outcome RunProbe(const std::string& scenario, bool expectBox = false)
{
    DeleteFileA(LogPath().c_str());
    Outcome out;
    e2e::Process probe;
    EXPECT_TRUE(probe.Start(e2e::OwnFolder() + "loading_probe.exe", scenario));
    if (expectBox) {
        HWND box = probe.WaitMessageBox();
        if (box) {
            const e2e::MessageBoxInfo info = e2e::ReadMessageBox(box);
            EXPECT_EQ(info.caption, "错误");
            out.boxText = info.text;
            e2e::PressButton(box, IDOK);
        }
    }
    EXPECT_TRUE(probe.WaitExit(&out.exitCode)) << scenario << " did not end";
    out.log = ReadLog();
    return out;
}

TEST(WindowLoading, CreationOrderIdentifiersStackingAndVisibility)
{
    const Outcome out = RunProbe("structure");
    EXPECT_EQ(out.exitCode, 0);
    // Units are created from the last table entry to the first (F gets 100) and stacked in
    // table order (A on top); units without the visible flag or of a never-shown type stay
    // hidden (D and the unnamed one are of the never-shown type). Loading an open window again
    // only activates it.
    EXPECT_EQ(out.log, std::string(kLoaded) +
                           "150 A shown\n"
                           "140 B shown\n"
                           "130 hidden hidden\n"
                           "120 Test child hidden\n"
                           "110 D hidden\n"
                           "100 Test child shown\n"
                           "window shown, windows alive 1\n"
                           "after second load, windows alive 1, children alive 6\n");
}

TEST(WindowLoading, AHandlerMayDestroyTheWindowWhileItIsCreated)
{
    const Outcome out = RunProbe("destroy-in-creation");
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.log, "window event 0 from 52010001/6010000\nload returned, window gone\n");
}

TEST(WindowLoading, AReloadedWindowStartsFromTheImage)
{
    const Outcome out = RunProbe("reload");
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.log, std::string(kLoaded) +
                           "caption \"changed\" tag \"new tag\"\n"
                           "after destroy, loaded 0, children alive 0, tag \"tag A\"\n" +
                           kLoaded + "reloaded caption \"A\" tag \"tag A\"\n");
}

TEST(PropertyAccess, ConversionsLimitsFontPartsRecreationAndRecordGrowth)
{
    const Outcome out = RunProbe("properties");
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.log, std::string(kLoaded) +
                           "null caption reads null\n"
                           "empty caption reads null\n"
                           "stored width 0 left 32627 top -32627 height 32627\n"
                           "live width 0 left 25\n"
                           "logical 2 reads 1\n"
                           "choice -3 reads 0\n"
                           "strike-out set: part 3 1 part 4 0\n"
                           "underline set: part 3 0 part 4 1\n"
                           "rotation -900 reads 2700\n"
                           "re-created yes, caption \"kept\", control 150, children alive 6\n"
                           "re-created unit on top yes\n"
                           "by reference \"kept\" \"kept\" 7 underline 1 block 3 abc, written \"by ref\"\n"
                           "after growing A's tag: hidden tag \"tag hidden\", F left 10 top 160, A tag length 300\n"
                           "after shrinking: hidden tag \"tag hidden\", A tag null\n");
}

TEST(EventDispatch, SourcesBindingsSuppressionNestingAndTypedArguments)
{
    const Outcome out = RunProbe("events");
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.log, std::string(kLoaded) +
                           // the first of two bindings for one event wins
                           "ClickA 3 4 from 52010001/16010002\n"
                           // B borrows A's bindings (same type); D has its own (other type)
                           "ClickA 3 4 from 52010001/16010003\n"
                           "ClickD from 52010001/16010006\n"
                           // the click while events were blocked was dropped
                           "ClickA 3 4 from 52010001/16010002\n"
                           "ClickD from 52010001/16010006\n"
                           "ClickA 3 4 from 52010001/16010002\n"
                           "after the nested handler: none\n"
                           "Typed FF FFFFFFFE 11111111 22222222 33333333\n"
                           "typed dispatched 1\n"
                           "answer 1 42, typed 1 42 5\n"
                           "unbound event ran 0, record 77 88\n");
}

TEST(RuntimeErrors, EventAndPropertyFailuresAreReported)
{
    const struct {
        const char* scenario;
        const char* message;
    } cases[] = {
        {"err-event-window", "未找到引发事件的窗口"},
        {"err-event-unit", "未找到引发事件的窗口组件"},
        {"err-event-invalid", "引发事件的窗口组件无效"},
        {"err-prop-window", "未载入欲访问窗口组件所在的窗口"},
        {"err-prop-unit", "未载入欲访问窗口组件所在的窗口"},
        {"err-prop-unloaded", "指定窗口尚未载入"},
        {"err-prop-number", "欲访问的窗口组件属性不存在"},
        {"err-find", "指定窗口或窗口组件不存在或尚未载入"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scenario);
        const Outcome out = RunProbe(c.scenario, true);
        EXPECT_EQ(out.boxText, std::string("运行时出错!\r\n\r\n错误信息：") + c.message + "\r\n");
        EXPECT_EQ(out.exitCode, -1);
        EXPECT_EQ(out.log, kLoaded);
    }
}

}  // namespace
