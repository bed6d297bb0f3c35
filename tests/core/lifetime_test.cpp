// How a program with several windows ends, seen from outside: the probe (lifetime_probe) poisons
// every object it frees, so a window unit that reaches a window object deleted a moment before
// crashes it instead of passing by chance. Also: a load that fails half-way, ending from a worker
// the main thread waits for, and private messages with pointers from another process.
#include "tests/driver/driver.h"
#include "tests/support/probe_log.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kPaintBackgroundMessage = WM_APP + 0x389;
constexpr int kActControl = 100;

std::string LogPath() { return e2e::OwnFolder() + "lifetime_probe.log"; }

struct Session {
    e2e::Process probe;
    std::vector<HWND> windows;  // "Lifetime 1", "Lifetime 2", "Lifetime 3" as far as shown

    explicit Session(const std::string& scenario, size_t count = 3)
    {
        DeleteFileA(LogPath().c_str());
        EXPECT_TRUE(probe.Start(e2e::OwnFolder() + "lifetime_probe.exe", scenario));
        for (size_t i = 1; i <= count; ++i) {
            const std::string caption = "Lifetime " + std::to_string(i);
            HWND found = nullptr;
            e2e::WaitUntil([&] { return (found = FindWindowA("ZkWindow", caption.c_str())) != nullptr; });
            windows.push_back(found);
        }
    }
    std::string Log() const { return probe_log::Read(LogPath()); }
    int Exit()
    {
        int code = 12345;
        EXPECT_TRUE(probe.WaitExit(&code)) << "the program did not end";
        return code;
    }
    // Clicks the first window's button once every window is loaded and the program has taken
    // every message that loading left (activation moves while windows appear).
    void Act()
    {
        EXPECT_TRUE(e2e::WaitUntil([&] { return Log().find("loaded") != std::string::npos; }));
        EXPECT_TRUE(e2e::RoundTrip(windows[0]));
        e2e::Click(e2e::FindControl(windows[0], kActControl));
    }
};

TEST(Lifetime, EndProgramFromAHandlerWithThreeWindowsOpen)
{
    Session run("end");
    ASSERT_NE(run.windows[2], nullptr);
    run.Act();
    EXPECT_EQ(run.Exit(), 5);
    EXPECT_EQ(run.Log(), "loaded\nact\nexit routine on main\n");
}

TEST(Lifetime, TheLastWindowClosedEndsTheProgram)
{
    Session run("last");
    ASSERT_NE(run.windows[2], nullptr);
    for (int i = 2; i >= 0; --i) {
        HWND window = run.windows[static_cast<size_t>(i)];
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (i > 0) {
            EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindow(window); }));
        }
    }
    EXPECT_EQ(run.Exit(), 0);
    EXPECT_EQ(run.Log(), "loaded\nloop returned\nexit routine on main\n");
}

TEST(Lifetime, RuntimeErrorWithThreeWindowsOpen)
{
    Session run("error");
    ASSERT_NE(run.windows[2], nullptr);
    run.Act();
    HWND box = run.probe.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::ReadMessageBox(box).caption, "错误");
    e2e::PressButton(box, IDOK);
    EXPECT_EQ(run.Exit(), -1);
    EXPECT_EQ(run.Log(), "loaded\nact\n") << "no exit routine after a runtime error";
}

TEST(Lifetime, AFailedLoadLeavesNothingAndTheProgramEndsWithItsWindow)
{
    Session run("broken", 1);
    ASSERT_NE(run.windows[0], nullptr);
    run.Act();
    ASSERT_TRUE(e2e::WaitUntil([&] { return run.Log().find("broken load") != std::string::npos; }));
    EXPECT_EQ(run.Log(), "loaded\nact\nbroken load -1, loaded 0, window left 0\n");
    PostMessageA(run.windows[0], WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Exit(), 0);
    EXPECT_EQ(run.Log(), "loaded\nact\nbroken load -1, loaded 0, window left 0\nloop returned\nexit routine on main\n");
}

TEST(Lifetime, AWorkerEndsTheProgramWhileTheMainThreadWaitsForIt)
{
    Session run("worker");
    ASSERT_NE(run.windows[2], nullptr);
    run.Act();
    EXPECT_EQ(run.Exit(), 9);
    EXPECT_EQ(run.Log(), "loaded\nact\nworker joined\nexit routine on main\n");
}

TEST(Lifetime, PointerMessagesFromAnotherProcessAreNotHonoured)
{
    Session run("last");
    ASSERT_NE(run.windows[0], nullptr);
    // A device context and a rectangle that mean nothing in the program's process.
    PostMessageA(run.windows[0], kPaintBackgroundMessage, 0x1234, 0x10);
    DWORD_PTR answer = 99;
    EXPECT_TRUE(SendMessageTimeoutA(run.windows[1], kPaintBackgroundMessage, 0x1234, 0x10, SMTO_ABORTIFHUNG, 5000,
                                    &answer));
    EXPECT_EQ(answer, 0u);
    EXPECT_TRUE(e2e::RoundTrip(run.windows[0]));
    EXPECT_TRUE(run.probe.Running());
    for (HWND window : run.windows)
        PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Exit(), 0);
}

}  // namespace
