// End-to-end driver: starts a program under test, finds its windows and controls, types, clicks,
// reads texts, answers its message boxes, takes pictures of its windows and collects its exit code.
// Texts cross this interface as UTF-8 whatever the code page of the program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

constexpr DWORD kDefaultTimeoutMs = 10000;

// The icon a message box shows, told apart by its pixels (icon handles of another process
// cannot be examined).
enum class BoxIcon { None, Stop, Question, Warning, Information, Unknown };
const char* ToString(BoxIcon icon);

struct MessageBoxInfo {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    BoxIcon icon = BoxIcon::None;
    std::vector<int> buttons;  // control identifiers (IDOK, IDCANCEL, IDYES, ...) in child order
};

// Pixels as 0x00RRGGBB, row by row from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

class Process {
public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();  // a program still running is terminated

    // Starts `exe` with `args` (already quoted as needed) in `workdir` (empty: the driver's own).
    bool Start(const std::string& exe, const std::string& args = "", const std::string& workdir = "");
    DWORD Id() const { return info_.dwProcessId; }
    bool Running() const;

    // Visible top-level windows of the process, in z-order.
    std::vector<HWND> TopWindows() const;
    // Waits for a visible top-level window of the class (empty: any class but a message box).
    HWND WaitWindow(const std::string& className = "", DWORD timeoutMs = kDefaultTimeoutMs) const;
    // Waits for a message box of the process (dialog class "#32770").
    HWND WaitMessageBox(DWORD timeoutMs = kDefaultTimeoutMs) const;

    // Waits for the end of the process; answers false on time-out. The exit code is signed,
    // so that an exit with -1 reads as -1.
    bool WaitExit(int* exitCode, DWORD timeoutMs = kDefaultTimeoutMs);
    void Kill();

private:
    PROCESS_INFORMATION info_ = {};
};

HWND FindControl(HWND parent, int id);              // by control identifier, at any depth
std::string ClassOf(HWND window);
std::string Text(HWND window);                      // WM_GETTEXT, as UTF-8

void Type(HWND window, const std::string& utf8);    // posted WM_CHAR, one per character
void PostKey(HWND window, UINT virtualKey);         // posted WM_KEYDOWN and WM_KEYUP
void Click(HWND button);                            // posted BM_CLICK
void ClickAt(HWND window, int x, int y);            // posted mouse down and up, client coordinates
void ClickCentre(HWND window);

MessageBoxInfo ReadMessageBox(HWND box);
// Presses a button of a message box by its identifier; answers false if the box has none.
bool PressButton(HWND box, int id);

// Pixels of a window as the screen shows them (the window is brought to the front first).
Picture Capture(HWND window);
// The same without bringing it forward or repainting it (an open menu would close), once two
// grabs agree.
Picture CaptureAsShown(HWND window);

// A message sent to `window` and answered: its thread has come back to take messages, so the
// handling it was in when called is over (unless that handling waits for messages itself, as a
// message box does). Answers false when the window does not answer in time.
bool RoundTrip(HWND window);

// Waits until `done` answers true or the time runs out, pumping this thread's messages.
template <typename F>
bool WaitUntil(F done, DWORD timeoutMs = kDefaultTimeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

// The folder of the running test executable, with a trailing backslash.
std::string OwnFolder();

}  // namespace e2e
