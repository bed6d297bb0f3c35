// CWinThread's pump under Wine: fetching, pre-translation (thread handlers, the walk up the
// window tree), translation and dispatch, the quit message and exit code, the idle-message
// classification and the plain Run loop with its idle passes.
#include "runtime/framework/app.h"

#include <gtest/gtest.h>

#include <vector>

#include "runtime/framework/wnd.h"

namespace {

const char kClass[] = "TavoriTestAppWindow";

void DrainQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT)
            DispatchMessageA(&msg);
    }
}

class Target : public CWnd {
public:
    std::vector<MSG> received;
    UINT consume = 0;  // message this object's pre-translation swallows
    int preTranslated = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_KEYDOWN || message == WM_CHAR || message >= WM_APP)
            received.push_back(MSG{m_hWnd, message, wParam, lParam, 0, {0, 0}});
        return CWnd::WindowProc(message, wParam, lParam);
    }
    BOOL PreTranslateMessage(MSG* msg) override {
        ++preTranslated;
        return msg->message == consume;
    }
};

class AppTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(RegisterWndClass(kClass, 0, LoadCursor(nullptr, IDC_ARROW), nullptr));
    }
    void SetUp() override {
        ASSERT_TRUE(frame.CreateEx(0, kClass, "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr));
        ASSERT_TRUE(child.CreateEx(0, kClass, "", WS_CHILD, 0, 0, 50, 50, frame.m_hWnd, nullptr));
        DrainQueue();
    }
    void TearDown() override {
        frame.DestroyWindow();
        DrainQueue();
    }
    CWinThread thread;
    Target frame;
    Target child;
};

TEST_F(AppTest, PumpDispatchesUntilTheQuitMessage) {
    PostMessageA(child.m_hWnd, WM_APP + 1, 11, 22);
    PostQuitMessage(42);
    ASSERT_TRUE(thread.PumpMessage());
    EXPECT_EQ(thread.m_msgCur.message, static_cast<UINT>(WM_APP + 1));
    ASSERT_EQ(child.received.size(), 1u);
    EXPECT_EQ(child.received[0].wParam, 11u);
    EXPECT_EQ(child.received[0].lParam, 22);
    EXPECT_FALSE(thread.PumpMessage());
    EXPECT_EQ(thread.m_msgCur.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(thread.ExitInstance(), 42);
}

TEST_F(AppTest, UnconsumedKeyIsTranslatedAndDispatched) {
    PostMessageA(child.m_hWnd, WM_KEYDOWN, 'A', 0x001E0001);
    ASSERT_TRUE(thread.PumpMessage());
    ASSERT_EQ(child.received.size(), 1u);
    EXPECT_EQ(child.received[0].message, static_cast<UINT>(WM_KEYDOWN));
    // Translation posted the character for the key; it is the next message.
    ASSERT_TRUE(PeekMessageA(&thread.m_msgCur, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(thread.PumpMessage());
    ASSERT_EQ(child.received.size(), 2u);
    EXPECT_EQ(child.received[1].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(child.received[1].wParam | 0x20, static_cast<WPARAM>('a'));
}

TEST_F(AppTest, PreTranslationWalksUpToTheMainWindow) {
    frame.consume = WM_KEYDOWN;
    thread.m_pMainWnd = &frame;
    PostMessageA(child.m_hWnd, WM_KEYDOWN, 'B', 1);
    ASSERT_TRUE(thread.PumpMessage());
    EXPECT_EQ(child.preTranslated, 1);
    EXPECT_EQ(frame.preTranslated, 1);
    EXPECT_TRUE(child.received.empty()) << "a consumed message is not dispatched";
    EXPECT_FALSE(PeekMessageA(&thread.m_msgCur, nullptr, WM_CHAR, WM_CHAR, PM_NOREMOVE))
        << "nor translated";

    // With the child as the main window the walk stops there and the frame is not asked.
    thread.m_pMainWnd = &child;
    PostMessageA(child.m_hWnd, WM_KEYDOWN, 'B', 1);
    ASSERT_TRUE(thread.PumpMessage());
    EXPECT_EQ(frame.preTranslated, 1);
    EXPECT_EQ(child.received.size(), 1u);
}

struct HandlerLog {
    std::vector<int> calls;
    BOOL answer = TRUE;
};

BOOL FirstHandler(const MSG& msg, void* context) {
    auto* log = static_cast<HandlerLog*>(context);
    log->calls.push_back(1000 + static_cast<int>(msg.wParam));
    return log->answer;
}

BOOL SecondHandler(const MSG& msg, void* context) {
    auto* log = static_cast<HandlerLog*>(context);
    log->calls.push_back(2000 + static_cast<int>(msg.wParam));
    return log->answer;
}

TEST_F(AppTest, ThreadMessagesGoToTheirHandlersNewestFirst) {
    HandlerLog log;
    thread.AddThreadMessageHandler(WM_APP + 5, FirstHandler, &log);
    thread.AddThreadMessageHandler(WM_APP + 5, SecondHandler, &log);
    thread.AddThreadMessageHandler(WM_APP + 6, FirstHandler, &log);

    PostThreadMessageA(GetCurrentThreadId(), WM_APP + 5, 1, 0);
    ASSERT_TRUE(thread.PumpMessage());
    EXPECT_EQ(log.calls, (std::vector<int>{2001}));

    log.answer = FALSE;  // declined: the next handler is asked
    PostThreadMessageA(GetCurrentThreadId(), WM_APP + 5, 2, 0);
    ASSERT_TRUE(thread.PumpMessage());
    EXPECT_EQ(log.calls, (std::vector<int>{2001, 2002, 1002}));

    thread.RemoveThreadMessageHandler(WM_APP + 5, SecondHandler, &log);
    log.answer = TRUE;
    PostThreadMessageA(GetCurrentThreadId(), WM_APP + 5, 3, 0);
    ASSERT_TRUE(thread.PumpMessage());
    EXPECT_EQ(log.calls, (std::vector<int>{2001, 2002, 1002, 1003}));

    // A window message of the same number is not a thread message.
    PostMessageA(child.m_hWnd, WM_APP + 6, 4, 0);
    ASSERT_TRUE(thread.PumpMessage());
    EXPECT_EQ(log.calls.size(), 4u);
    EXPECT_EQ(child.received.size(), 1u);
}

MSG Message(UINT message, int x = 0, int y = 0) {
    MSG msg{};
    msg.message = message;
    msg.pt.x = x;
    msg.pt.y = y;
    return msg;
}

TEST(IdleMessage, RepeatedMousePositionPaintAndCaretBlinkAreNotIdleTriggers) {
    CWinThread thread;
    MSG move = Message(WM_MOUSEMOVE, 10, 10);
    EXPECT_TRUE(thread.IsIdleMessage(&move));
    EXPECT_FALSE(thread.IsIdleMessage(&move)) << "same place as the last move";
    MSG moved = Message(WM_MOUSEMOVE, 11, 10);
    EXPECT_TRUE(thread.IsIdleMessage(&moved));
    MSG ncMove = Message(WM_NCMOUSEMOVE, 11, 10);
    EXPECT_TRUE(thread.IsIdleMessage(&ncMove)) << "a different kind of move";
    EXPECT_FALSE(thread.IsIdleMessage(&ncMove));

    MSG paint = Message(WM_PAINT);
    MSG blink = Message(0x0118);
    MSG key = Message(WM_KEYDOWN);
    MSG timer = Message(WM_TIMER);
    EXPECT_FALSE(thread.IsIdleMessage(&paint));
    EXPECT_FALSE(thread.IsIdleMessage(&blink));
    EXPECT_TRUE(thread.IsIdleMessage(&key));
    EXPECT_TRUE(thread.IsIdleMessage(&timer));
}

TEST(IdleMessage, FrameworkIdleWantsOneMorePassAfterTheFirst) {
    CWinThread thread;
    EXPECT_TRUE(thread.OnIdle(0));
    EXPECT_FALSE(thread.OnIdle(1));
    EXPECT_FALSE(thread.OnIdle(5));
}

// Records the idle passes of Run and ends the loop from one of them.
class IdleThread : public CWinThread {
public:
    std::vector<LONG> passes;
    LONG quitAt = 1;
    int exitCode = 0;
    BOOL OnIdle(LONG count) override {
        passes.push_back(count);
        if (count == quitAt)
            PostQuitMessage(exitCode);
        return CWinThread::OnIdle(count);
    }
};

TEST(RunLoop, IdlePassesThenQuitWithItsCode) {
    DrainQueue();
    IdleThread thread;
    thread.exitCode = 9;
    EXPECT_EQ(thread.Run(), 9);
    EXPECT_EQ(thread.passes, (std::vector<LONG>{0, 1}));
}

// After the first idle period ends, a posted message (an idle trigger) starts a new one.
class RestartingThread : public CWinThread {
public:
    std::vector<LONG> passes;
    BOOL OnIdle(LONG count) override {
        passes.push_back(count);
        if (count == 1 && passes.size() == 2)
            PostThreadMessageA(GetCurrentThreadId(), WM_APP + 9, 0, 0);
        else if (count == 1)
            PostQuitMessage(3);
        return CWinThread::OnIdle(count);
    }
};

TEST(RunLoop, AnIdleTriggerStartsANewIdlePeriod) {
    DrainQueue();
    RestartingThread thread;
    EXPECT_EQ(thread.Run(), 3);
    EXPECT_EQ(thread.passes, (std::vector<LONG>{0, 1, 0, 1}));
}

}  // namespace
