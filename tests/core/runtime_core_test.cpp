// The runtime core seen from outside: a compiled program of the tests is started in each
// scenario; its exit code, its error boxes and the log it leaves tell what the runtime did.
#include "tests/driver/driver.h"
#include "tests/support/probe_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string LogPath() { return e2e::OwnFolder() + "probe.log"; }

std::string ReadLog() { return probe_log::Read(LogPath()); }

struct Outcome {
    int exitCode = 12345;
    bool boxShown = false;
    e2e::MessageBoxInfo box;
    std::string log;
};

// Runs the probe in a scenario; a box it shows is read and answered with OK.
Outcome RunProbe(const std::string& scenario, bool expectBox)
{
    DeleteFileA(LogPath().c_str());
    Outcome out;
    e2e::Process probe;
    EXPECT_TRUE(probe.Start(e2e::OwnFolder() + "core_probe.exe", scenario));
    if (expectBox) {
        HWND box = probe.WaitMessageBox();
        out.boxShown = box != nullptr;
        if (box) {
            out.box = e2e::ReadMessageBox(box);
            e2e::PressButton(box, IDOK);
        }
    }
    EXPECT_TRUE(probe.WaitExit(&out.exitCode)) << scenario << " did not end";
    out.log = ReadLog();
    return out;
}

void ExpectRuntimeError(const Outcome& out, const std::string& text)
{
    ASSERT_TRUE(out.boxShown);
    EXPECT_EQ(out.box.caption, "错误");
    EXPECT_EQ(out.box.text, text);
    EXPECT_EQ(out.box.icon, e2e::BoxIcon::Stop);
    EXPECT_EQ(out.box.buttons, std::vector<int>{IDOK});
    EXPECT_EQ(out.exitCode, -1);
}

TEST(RuntimeEnd, ExitRoutinesRunOnceInOrderBeforeTheLibrariesAreReleased)
{
    const Outcome out = RunProbe("exit-routines", false);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.log, "library 1\nexit A on main\nexit B\nlibrary 6\n");
}

TEST(RuntimeEnd, EndProgramEndsWithItsCodeAfterAnOrderlyShutdown)
{
    const Outcome out = RunProbe("end7", false);
    EXPECT_EQ(out.exitCode, 7);
    EXPECT_EQ(out.log, "library 1\nexit A on main\nexit B\nlibrary 6\n");
}

TEST(RuntimeEnd, EndingFromAnotherThreadEndsThroughTheMainThread)
{
    const Outcome out = RunProbe("thread-end", false);
    EXPECT_EQ(out.exitCode, 5);
    // The exit routines ran on the main thread, and the main thread never got back to its loop.
    EXPECT_EQ(out.log, "library 1\nexit A on main\nexit B\nlibrary 6\n");
}

TEST(RuntimeError, MissingStartupWindowIsFatalAndSkipsExitRoutines)
{
    const Outcome out = RunProbe("bad-window", true);
    ExpectRuntimeError(out, "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n");
    EXPECT_EQ(out.log, "library 1\nlibrary 6\n");
}

TEST(RuntimeError, ErrorCodesAndExhaustedMemory)
{
    ExpectRuntimeError(RunProbe("error-code", true),
                       "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n");
    const Outcome out = RunProbe("alloc-fail", true);
    ExpectRuntimeError(out, "运行时出错!\r\n\r\n错误信息：分配 2147483632 字节内存失败!\r\n");
    EXPECT_EQ(out.log, "library 1\nlibrary 6\n");
    ExpectRuntimeError(RunProbe("not-numeric", true), "运行时出错!\r\n\r\n错误信息：欲转换数据类型不是数值\r\n");
}

TEST(DllCommands, RealExportsAreCalledWithTheCallersOwnArguments)
{
    const Outcome out = RunProbe("dll", false);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.log, "library 1\n"
                       "lstrlenA 5\n"
                       "wsprintfA 4 42-x\n"
                       "ordinal 42 100\n"
                       "after one release unloaded\n"
                       "library 6\n");
}

TEST(DllCommands, EachCallReachesItsOwnEntryAcrossThreadsAndWhenNested)
{
    const Outcome out = RunProbe("dll-threads", false);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.log, "library 1\nnested 10 wrong 0 0\nlibrary 6\n");
}

TEST(Memory, ConstantArraysAreCopiedOutOnlyWhenTheirSizesHold)
{
    const Outcome out = RunProbe("arrays", false);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.log, "library 1\narrays copied same, wrapped kept, tail kept\nlibrary 6\n");
}

TEST(DllCommands, UnresolvableEntriesAreFatal)
{
    ExpectRuntimeError(RunProbe("dll-missing-entry", true),
                       "运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件中的输出命令“NoSuchEntryAnywhere”\r\n");
    ExpectRuntimeError(RunProbe("dll-missing-file", true),
                       "运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件“nosuch.dll”中的输出命令“Foo”\r\n");
}

TEST(CallFrame, CommandsAndCallbackRequests)
{
    const Outcome out = RunProbe("commands", false);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.log, "library 1\n"
                       "count 3 tag2 0 tag 80000301\n"
                       "nothing 0 0 0\n"
                       "integers 255 -2 -1073741824 -2147483648 -3 -3\n"
                       "icons loaded shared\n"
                       "plain huge null unknown 0 0\n"
                       "library 6\n");
}

TEST(Memory, ConstantAreaRulesAndJoinedTexts)
{
    const Outcome out = RunProbe("memory", false);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.log, "library 1\n"
                       "zero non-null tail def two de constants constant fresh non-null\n"
                       "joined abcd\n"
                       "library 6\n");
}

TEST(MessageLoop, ModalLoopEndsWhenItsWindowClearsTheModalMark)
{
    const Outcome out = RunProbe("modal-clear", false);
    EXPECT_EQ(out.exitCode, 0);
    // Newest callback first; the destroyed window's callback is dropped without being called.
    EXPECT_EQ(out.log, "library 1\nidle 3\nidle 1\nmodal returned, active 0, callbacks 2\nlibrary 6\n");
}

TEST(MessageLoop, ModalLoopLeavesTheQuitMessageForTheOuterLoop)
{
    const Outcome out = RunProbe("modal-quit", false);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.log, "library 1\nidle 3\nidle 1\nmodal returned, active 0, callbacks 2\n"
                       "quit waiting 9\nlibrary 6\n");
}

TEST(MessageLoop, PreTranslationAsksWindowsWithoutObjectForTheirUnit)
{
    const Outcome out = RunProbe("pretranslate", false);
    EXPECT_EQ(out.exitCode, 0);
    // The child's message went on to the child; the other one was consumed by the unit object
    // its parent named, and never reached a window.
    EXPECT_EQ(out.log, "library 1\nwindow got 1030\nunit consumed 1029\nlibrary 6\n");
}

TEST(RuntimeEnd, TheHiddenOwnerEndsTheProgramOnRequest)
{
    DeleteFileA(LogPath().c_str());
    e2e::Process probe;
    ASSERT_TRUE(probe.Start(e2e::OwnFolder() + "core_probe.exe", "hold"));
    ASSERT_TRUE(e2e::WaitUntil([] { return ReadLog().find("holding") != std::string::npos; }));
    HWND owner = nullptr;
    while ((owner = FindWindowExA(nullptr, owner, "_QV_HideOwner", nullptr)) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        if (pid == probe.Id())
            break;
    }
    ASSERT_NE(owner, nullptr) << "no hidden owner window";
    EXPECT_FALSE(IsWindowVisible(owner));
    EXPECT_TRUE(GetWindowLongA(owner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(e2e::Text(owner), "");
    PostMessageA(owner, 0x83E7, 11, 0);
    int code = 0;
    ASSERT_TRUE(probe.WaitExit(&code));
    EXPECT_EQ(code, 11);
    EXPECT_EQ(ReadLog(), "library 1\nholding\nexit A on main\nexit B\nlibrary 6\n");
}

}  // namespace
