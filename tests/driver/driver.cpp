// The end-to-end driver: everything here works from outside the program under test, through
// messages and the screen, as a user or an accessibility tool would.
#include "tests/driver/driver.h"

#include <algorithm>
#include <cstdlib>

namespace e2e {

namespace {

std::wstring Widen(const std::string& utf8)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), static_cast<int>(utf8.size()), &out[0], n);
    return out;
}

std::string Narrow(const std::wstring& wide)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
    return TRUE;
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> children;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

bool IsStatic(HWND window) { return ClassOf(window) == "Static"; }
bool IsIconStatic(HWND window)
{
    return IsStatic(window) && (GetWindowLongA(window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

// The system icons a message box can show, by the icon styles that select them.
struct IconCandidate {
    BoxIcon icon;
    LPCSTR resource;
};
const IconCandidate kBoxIcons[] = {
    {BoxIcon::Stop, MAKEINTRESOURCEA(32513)},         // IDI_HAND: MB_ICONHAND
    {BoxIcon::Question, MAKEINTRESOURCEA(32514)},     // IDI_QUESTION: MB_ICONQUESTION
    {BoxIcon::Warning, MAKEINTRESOURCEA(32515)},      // IDI_EXCLAMATION: MB_ICONEXCLAMATION
    {BoxIcon::Information, MAKEINTRESOURCEA(32516)},  // IDI_ASTERISK: MB_ICONASTERISK
};

Picture ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height)
{
    Picture out;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<size_t>(width) * height);
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), out.pixels.data(), &info, DIB_RGB_COLORS);
    for (uint32_t& p : out.pixels)
        p &= 0xFFFFFF;
    return out;
}

// Draws an icon the way a static control shows it, over the given background.
Picture RenderIcon(LPCSTR resource, int width, int height, uint32_t background)
{
    Picture out;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, width, height};
    const COLORREF bg = RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF);
    HBRUSH brush = CreateSolidBrush(bg);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    HICON icon = LoadIconA(nullptr, resource);
    DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    SelectObject(dc, old);

    out = ReadBitmap(dc, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return out;
}

double MeanDifference(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height || a.pixels.empty())
        return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            sum += std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) -
                            static_cast<int>((b.pixels[i] >> shift) & 0xFF));
        }
    }
    return sum / (a.pixels.size() * 3.0);
}

BoxIcon IdentifyIcon(HWND iconControl)
{
    if (!iconControl || !IsWindowVisible(iconControl))
        return BoxIcon::None;
    // The handle belongs to the other process and cannot be drawn here, but zero means no icon.
    DWORD_PTR handle = 0;
    SendMessageTimeoutA(iconControl, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &handle);
    if (!handle)
        return BoxIcon::None;
    const Picture shown = Capture(iconControl);
    // Some systems keep the icon control of a box without icon, empty or showing nothing.
    if (shown.pixels.empty())
        return BoxIcon::None;
    if (std::all_of(shown.pixels.begin(), shown.pixels.end(),
                    [&](uint32_t p) { return p == shown.pixels.front(); }))
        return BoxIcon::None;
    BoxIcon best = BoxIcon::Unknown;
    double bestDifference = 1e9;
    for (const IconCandidate& candidate : kBoxIcons) {
        double d = MeanDifference(shown, RenderIcon(candidate.resource, shown.width, shown.height,
                                                    shown.At(0, 0)));
        if (d < bestDifference) {
            bestDifference = d;
            best = candidate.icon;
        }
    }
    // A close match only: the icons differ by far more than rounding in drawing.
    return bestDifference < 8.0 ? best : BoxIcon::Unknown;
}

}  // namespace

const char* ToString(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::None:        return "none";
    case BoxIcon::Stop:        return "stop";
    case BoxIcon::Question:    return "question";
    case BoxIcon::Warning:     return "warning";
    case BoxIcon::Information: return "information";
    case BoxIcon::Unknown:     return "unknown";
    }
    return "?";
}

Process::~Process()
{
    if (Running())
        Kill();
    if (info_.hProcess) {
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
}

bool Process::Start(const std::string& exe, const std::string& args, const std::string& workdir)
{
    std::string commandLine = "\"" + exe + "\"";
    if (!args.empty())
        commandLine += " " + args;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          workdir.empty() ? nullptr : workdir.c_str(), &startup, &info_) != 0;
}

bool Process::Running() const
{
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

std::vector<HWND> Process::TopWindows() const
{
    WindowSearch search{info_.dwProcessId, {}};
    EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Process::WaitWindow(const std::string& className, DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : TopWindows()) {
                const std::string cls = ClassOf(w);
                if (className.empty() ? cls != "#32770" : cls == className) {
                    found = w;
                    return true;
                }
            }
            return !Running();
        },
        timeoutMs);
    return found;
}

HWND Process::WaitMessageBox(DWORD timeoutMs) const { return WaitWindow("#32770", timeoutMs); }

bool Process::WaitExit(int* exitCode, DWORD timeoutMs)
{
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    if (exitCode)
        *exitCode = static_cast<int>(code);
    return true;
}

void Process::Kill()
{
    if (info_.hProcess) {
        TerminateProcess(info_.hProcess, 0xDEAD);
        WaitForSingleObject(info_.hProcess, 5000);
    }
}

HWND FindControl(HWND parent, int id)
{
    for (HWND child : Children(parent)) {
        if (GetDlgCtrlID(child) == id)
            return child;
    }
    return nullptr;
}

std::string ClassOf(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string Text(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return {};
    std::wstring buffer(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(&buffer[0]),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    buffer.resize(copied);
    return Narrow(buffer);
}

void Type(HWND window, const std::string& utf8)
{
    const std::wstring wide = Widen(utf8);
    if (IsWindowUnicode(window)) {
        for (wchar_t ch : wide)
            PostMessageW(window, WM_CHAR, ch, 1);
        return;
    }
    // An ANSI window gets what the keyboard gives it: a double-byte character of the code page
    // arrives as two WM_CHAR messages, lead byte first.
    for (wchar_t ch : wide) {
        char bytes[4] = {};
        int n = WideCharToMultiByte(CP_ACP, 0, &ch, 1, bytes, sizeof(bytes), nullptr, nullptr);
        for (int i = 0; i < n; ++i)
            PostMessageA(window, WM_CHAR, static_cast<unsigned char>(bytes[i]), 1);
    }
}

void PostKey(HWND window, UINT virtualKey)
{
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(window, WM_KEYDOWN, virtualKey, scan | 1);
    PostMessageA(window, WM_KEYUP, virtualKey, scan | 1 | (LPARAM(3) << 30));
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void ClickAt(HWND window, int x, int y)
{
    const LPARAM at = MAKELPARAM(x, y);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(window, WM_LBUTTONUP, 0, at);
}

void ClickCentre(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    ClickAt(window, (r.right - r.left) / 2, (r.bottom - r.top) / 2);
}

MessageBoxInfo ReadMessageBox(HWND box)
{
    MessageBoxInfo info;
    info.window = box;
    info.caption = Text(box);
    HWND iconControl = nullptr;
    for (HWND child : Children(box)) {
        if (!IsWindowVisible(child))
            continue;
        const std::string cls = ClassOf(child);
        if (IsIconStatic(child))
            iconControl = child;
        else if (cls == "Static")
            info.text = Text(child);
        else if (cls == "Button")
            info.buttons.push_back(GetDlgCtrlID(child));
    }
    info.icon = IdentifyIcon(iconControl);
    return info;
}

bool PressButton(HWND box, int id)
{
    HWND button = FindControl(box, id);
    if (!button || !IsWindowVisible(button))
        return false;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return true;
}

bool RoundTrip(HWND window)
{
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kDefaultTimeoutMs, &ignored) != 0;
}

namespace {

Picture Grab(HWND window)
{
    Picture out;
    RECT r;
    GetWindowRect(window, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return out;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(dc, old);

    out = ReadBitmap(dc, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return out;
}

}  // namespace

Picture Capture(HWND window)
{
    HWND top = GetAncestor(window, GA_ROOT);
    SetForegroundWindow(top);
    SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // The repaint is sent, so it is done when RedrawWindow returns; the other process shows it
    // on the screen when it next waits for messages, which the round trips make it do. The
    // picture is taken once two grabs a moment apart agree.
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RoundTrip(top);
    RoundTrip(top);
    return CaptureAsShown(window);
}

Picture CaptureAsShown(HWND window)
{
    Picture last = Grab(window);
    WaitUntil([&] {
        Picture now = Grab(window);
        const bool settled = now.pixels == last.pixels && !now.pixels.empty();
        last = std::move(now);
        return settled;
    }, 3000);
    return last;
}

std::string OwnFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

}  // namespace e2e
