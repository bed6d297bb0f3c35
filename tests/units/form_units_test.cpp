// The real window unit with real edit boxes, buttons and a transparent label on it, driven from
// outside: a compiled program (form_units_probe) whose image lists the tool's own libraries shows
// forms/form_units.form; the driver presses keys (posted, or as real input where the modifier
// state matters), clicks, drags, activates a window of its own and sends the session query, and
// the program's handlers log what they saw.
#include "tests/driver/driver.h"
#include "tests/support/probe_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using probe_log::Count;
using probe_log::Lines;
using probe_log::MissingInOrder;

constexpr int kLabelControl = 100, kArmControl = 110, kOkControl = 120, kDisabledControl = 130,
              kApplyControl = 140, kEdit2Control = 150, kEdit1Control = 160;

std::string LogPath() { return e2e::OwnFolder() + "form_units_probe.log"; }

std::string ReadLog() { return probe_log::Read(LogPath()); }

int CountPrefix(const std::string& log, const std::string& prefix) {
    int n = 0;
    for (const std::string& l : Lines(log))
        n += l.compare(0, prefix.size(), prefix) == 0;
    return n;
}

// Waits, dispatching this thread's messages meanwhile (a window of the test takes part in
// activation, and the system sends it messages from the probe's thread).
template <typename F>
bool Pumping(F done, DWORD timeoutMs = 5000) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

bool LogHas(const std::string& line, int count = 1) {
    return Pumping([&] { return Count(ReadLog(), line) >= count; });
}

// The focus window of the thread that owns `window`, as the system keeps it.
HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

bool FocusBecomes(HWND window, HWND focus) {
    return Pumping([&] { return FocusOf(window) == focus; });
}

// Real key strokes: they go to the focus of the foreground thread and set its key state.
void SendKey(WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
    Sleep(50);
}

// Real mouse input at a screen point.
void SendMouse(DWORD flags, POINT at) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((static_cast<LONGLONG>(at.x) * 65536 + w - 1) / w);
    input.mi.dy = static_cast<LONG>((static_cast<LONGLONG>(at.y) * 65536 + h - 1) / h);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
    Sleep(50);
}

bool BringToFront(HWND window) {
    SetForegroundWindow(window);
    return Pumping([&] { return GetForegroundWindow() == window; });
}

struct Units {
    HWND main, edit1, edit2, apply, disabled, ok, arm, label;
};

bool FindUnits(const e2e::Process& probe, Units* u) {
    u->main = probe.WaitWindow("ZkWindow");
    if (!u->main)
        return false;
    u->edit1 = e2e::FindControl(u->main, kEdit1Control);
    u->edit2 = e2e::FindControl(u->main, kEdit2Control);
    u->apply = e2e::FindControl(u->main, kApplyControl);
    u->disabled = e2e::FindControl(u->main, kDisabledControl);
    u->ok = e2e::FindControl(u->main, kOkControl);
    u->arm = e2e::FindControl(u->main, kArmControl);
    u->label = e2e::FindControl(u->main, kLabelControl);
    return u->edit1 && u->edit2 && u->apply && u->disabled && u->ok && u->arm && u->label;
}

TEST(FormUnitsEndToEnd, ButtonsLabelsHelpKeyAndDragging) {
    DeleteFileA(LogPath().c_str());
    // F1 looks for the program's own help file when the window names none; there is none.
    DeleteFileA((e2e::OwnFolder() + "form_units_probe.hlp").c_str());
    e2e::Process probe;
    ASSERT_TRUE(probe.Start(e2e::OwnFolder() + "form_units_probe.exe", "keys"));
    Units u{};
    ASSERT_TRUE(FindUnits(probe, &u)) << ReadLog();
    EXPECT_EQ(e2e::ClassOf(u.ok), "Button");
    EXPECT_EQ(e2e::Text(u.apply), "&Apply");
    ASSERT_TRUE(LogHas("event 5")) << ReadLog();

    // Enter in a single-line edit box: the first enabled default button in table order is
    // pressed; the disabled default button before it and the plain button are not.
    e2e::ClickCentre(u.edit1);
    ASSERT_TRUE(FocusBecomes(u.main, u.edit1));
    e2e::PostKey(u.edit1, VK_RETURN);
    ASSERT_TRUE(LogHas("ok clicked")) << ReadLog();

    // Alt + the character after "&" raises the button's event 0 (real key strokes, so that the
    // probe's key state has Alt down).
    ASSERT_TRUE(BringToFront(u.main));
    SendKey(VK_MENU, false);
    SendKey('A', false);
    SendKey('A', true);
    SendKey(VK_MENU, true);
    ASSERT_TRUE(LogHas("apply clicked")) << ReadLog();
    EXPECT_EQ(FocusOf(u.main), u.edit1);  // a button's mnemonic does not move the focus

    // A left press on the transparent label: its LeftButtonDown with x, y and KeyState.
    e2e::ClickAt(u.label, 5, 6);
    ASSERT_TRUE(LogHas("label down 5 6 0")) << ReadLog();

    // F1 with the help switch on is the window's key: no help file, nothing opens, and the
    // focused unit's KeyDown does not see it; F2 passes as usual.
    const size_t windowsBefore = probe.TopWindows().size();
    e2e::ClickCentre(u.edit2);
    ASSERT_TRUE(FocusBecomes(u.main, u.edit2));
    e2e::PostKey(u.edit2, VK_F1);
    e2e::PostKey(u.edit2, VK_F2);
    ASSERT_TRUE(LogHas("edit2 key 71 0")) << ReadLog();  // F2, posted after F1, has been handled
    EXPECT_EQ(Count(ReadLog(), "edit2 key 70 0"), 0) << ReadLog();
    EXPECT_TRUE(probe.Running());
    EXPECT_EQ(probe.TopWindows().size(), windowsBefore);
    // With the switch off, F1 is an ordinary key.
    e2e::Click(u.arm);
    ASSERT_TRUE(LogHas("f1 help off, reads 0")) << ReadLog();
    e2e::PostKey(u.edit2, VK_F1);
    ASSERT_TRUE(LogHas("edit2 key 70 0")) << ReadLog();

    // Esc with the Esc switch off does not ask to close.
    e2e::PostKey(u.edit2, VK_ESCAPE);
    e2e::PostKey(u.edit2, VK_F3);
    ASSERT_TRUE(LogHas("edit2 key 72 0")) << ReadLog();
    EXPECT_EQ(Count(ReadLog(), "event 12"), 0);
    EXPECT_TRUE(IsWindow(u.main));

    // Dragged by any point: a real press on the client area, a move and a release move the
    // window by the distance the mouse went; the press still reaches the window's own event.
    ASSERT_TRUE(BringToFront(u.main));
    RECT before{};
    GetWindowRect(u.main, &before);
    POINT press{330, 230};
    ClientToScreen(u.main, &press);
    SendMouse(0, press);
    SendMouse(MOUSEEVENTF_LEFTDOWN, press);
    ASSERT_TRUE(LogHas("window down 330 230 0")) << ReadLog();
    for (int step = 1; step <= 4; ++step)
        SendMouse(0, POINT{press.x + 10 * step, press.y + 8 * step});
    SendMouse(MOUSEEVENTF_LEFTUP, POINT{press.x + 40, press.y + 32});
    const bool moved = Pumping([&] {
        RECT r{};
        GetWindowRect(u.main, &r);
        return r.left == before.left + 40 && r.top == before.top + 32;
    }, 3000);
    RECT after{};
    GetWindowRect(u.main, &after);
    EXPECT_TRUE(moved) << "from " << before.left << "," << before.top << " to " << after.left << "," << after.top;
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    const std::string log = ReadLog();
    EXPECT_EQ(Count(log, "nc down 2 " + std::to_string(press.x) + " " + std::to_string(press.y)), 1) << log;
    // Presses on the edit boxes and the label (no drag surfaces) started no move.
    EXPECT_EQ(CountPrefix(log, "nc down "), 1) << log;

    PostMessageA(u.main, WM_CLOSE, 0, 0);
    int exitCode = 12345;
    ASSERT_TRUE(probe.WaitExit(&exitCode));
    EXPECT_EQ(exitCode, 0);
    const std::string end = ReadLog();
    EXPECT_EQ(Count(end, "ok clicked"), 1) << end;
    EXPECT_EQ(Count(end, "apply clicked"), 1) << end;
    EXPECT_EQ(Count(end, "disabled default clicked"), 0) << end;
    EXPECT_EQ(MissingInOrder(end, {"loaded", "ok clicked", "apply clicked", "label down 5 6 0", "edit2 key 71 0",
                                   "f1 help off, reads 0", "edit2 key 70 0", "window down 330 230 0",
                                   "event 12", "event 1 answer 1", "loop returned"}), "") << end;
}

// The words of a log line "idle <ms> <what>".
struct IdleCall {
    long ms;
    std::string what;
};

TEST(FormUnitsEndToEnd, IdleEventSessionQueryActivationAndFocusMemory) {
    DeleteFileA(LogPath().c_str());
    e2e::Process probe;
    ASSERT_TRUE(probe.Start(e2e::OwnFolder() + "form_units_probe.exe", "session"));
    Units u{};
    ASSERT_TRUE(FindUnits(probe, &u)) << ReadLog();
    ASSERT_TRUE(LogHas("event 5")) << ReadLog();

    // Idle: three answers of true ask for three more calls in the same idle period, whose
    // elapsed time keeps growing (each call takes 30 ms); false ends the calls until the next
    // message.
    ASSERT_TRUE(LogHas("idle before arming")) << ReadLog();
    e2e::Click(u.arm);
    ASSERT_TRUE(Pumping([] { return CountPrefix(ReadLog(), "idle ") >= 5; })) << ReadLog();
    // Two answered round trips: the loop went back to waiting for messages after the false
    // answer, and an idle call it made meanwhile would be in the log.
    ASSERT_TRUE(e2e::RoundTrip(u.main));
    ASSERT_TRUE(e2e::RoundTrip(u.main));
    {
        const std::vector<std::string> lines = Lines(ReadLog());
        size_t at = 0;
        while (at < lines.size() && lines[at].compare(0, 12, "armed after ") != 0)
            ++at;
        ASSERT_LT(at, lines.size());
        std::stringstream armed(lines[at].substr(12));
        int before = 0;
        armed >> before;
        EXPECT_GE(before, 1) << "the idle event ran before the button was clicked";
        std::vector<IdleCall> calls;
        for (++at; at < lines.size(); ++at) {
            if (lines[at].compare(0, 5, "idle ") != 0)
                continue;
            std::stringstream s(lines[at].substr(5));
            IdleCall c{};
            s >> c.ms >> c.what;
            calls.push_back(c);
        }
        ASSERT_EQ(calls.size(), 4u) << ReadLog();
        EXPECT_EQ(calls[0].what, "more");
        EXPECT_EQ(calls[1].what, "more");
        EXPECT_EQ(calls[2].what, "more");
        EXPECT_EQ(calls[3].what, "stop");
        EXPECT_GE(calls[0].ms, 0);
        EXPECT_LT(calls[0].ms, 1000);
        for (size_t i = 1; i < calls.size(); ++i)
            EXPECT_GE(calls[i].ms, calls[i - 1].ms + 20) << "call " << i;
    }

    // The session query: the default processing allows it, then event 1 decides; the window
    // stays either way and event 12 is not raised.
    DWORD_PTR answer = 12345;
    ASSERT_NE(SendMessageTimeoutA(u.main, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer), 0);
    EXPECT_EQ(answer, 0u);
    EXPECT_EQ(Count(ReadLog(), "event 1 answer 0"), 1);
    answer = 12345;
    ASSERT_NE(SendMessageTimeoutA(u.main, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer), 0);
    EXPECT_NE(answer, 0u);
    EXPECT_NE(answer, 12345u);
    EXPECT_EQ(Count(ReadLog(), "event 1 answer 1"), 1);
    EXPECT_TRUE(IsWindow(u.main));
    EXPECT_EQ(Count(ReadLog(), "event 12"), 0);

    // Focus memory: the second edit box (not the first by tab order) has the focus when another
    // window is activated; coming back gives it the focus again. Events 6, then 5 (not 8).
    e2e::ClickCentre(u.edit2);
    ASSERT_TRUE(FocusBecomes(u.main, u.edit2));
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 420, 200, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(BringToFront(other));
    ASSERT_TRUE(LogHas("event 6")) << ReadLog();
    EXPECT_NE(FocusOf(u.main), u.edit2);
    ASSERT_TRUE(BringToFront(u.main));
    ASSERT_TRUE(LogHas("event 5", 2)) << ReadLog();
    EXPECT_TRUE(FocusBecomes(u.main, u.edit2)) << "focus is on control " << GetDlgCtrlID(FocusOf(u.main));
    DestroyWindow(other);

    const std::string log = ReadLog();
    EXPECT_EQ(Count(log, "event 8"), 1) << log;
    EXPECT_EQ(MissingInOrder(log, {"event 8", "event 5", "event 6", "event 5"}), "") << log;
    for (const std::string& line : Lines(log)) {
        if (line == "event 5")
            FAIL() << "event 5 came before event 8:\n" << log;
        if (line == "event 8")
            break;
    }

    PostMessageA(u.main, WM_CLOSE, 0, 0);
    int exitCode = 12345;
    ASSERT_TRUE(probe.WaitExit(&exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(MissingInOrder(ReadLog(), {"event 12", "event 1 answer 1", "loop returned"}), "");
}

}  // namespace
