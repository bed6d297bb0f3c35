// A small program for the driver's own tests. Its first argument picks what it does:
//   exit N     ends at once with exit code N
//   box N      shows message box N of the table below and ends with the box's answer
//   echo ...   shows the working folder and the rest of its command line in a box, ends with 0
//   window     shows a window with an edit box (100), a button (101) and a clickable label (102);
//              the button asks about the edit box's text and ends with the answer
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct BoxSpec {
    UINT style;
    const char* caption;
    const char* text;
};

const BoxSpec kBoxes[] = {
    {MB_OK | MB_ICONHAND, "错误", "运行时出错!"},                     // 0
    {MB_OKCANCEL | MB_ICONQUESTION, "询问", "继续吗?"},               // 1
    {MB_YESNO | MB_ICONEXCLAMATION, "警告", "帧数过高"},              // 2
    {MB_YESNOCANCEL | MB_ICONASTERISK, "信息：", "修改完成"},         // 3
    {MB_ABORTRETRYIGNORE, "", "三个按钮"},                            // 4
    {MB_RETRYCANCEL | MB_ICONHAND, "重试", "第一行\r\n第二行"},       // 5
};

const COLORREF kBackground = RGB(0x20, 0x80, 0xC0);
enum { kEditId = 100, kButtonId = 101, kLabelId = 102 };

int ShowBox(int index)
{
    if (index < 0 || index >= static_cast<int>(sizeof(kBoxes) / sizeof(kBoxes[0])))
        return 100;
    const BoxSpec& box = kBoxes[index];
    return MessageBoxA(nullptr, box.text, box.caption, box.style);
}

int Echo(const char* rest)
{
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    std::string text = std::string(folder) + "|" + rest;
    MessageBoxA(nullptr, text.c_str(), "echo", MB_OK);
    return 0;
}

void OnCommand(HWND hwnd, WPARAM wp)
{
    if (LOWORD(wp) == kButtonId) {
        char text[256] = {};
        GetDlgItemTextA(hwnd, kEditId, text, sizeof(text));
        PostQuitMessage(MessageBoxA(hwnd, text, "探针", MB_YESNO | MB_ICONQUESTION));
    } else if (LOWORD(wp) == kLabelId && HIWORD(wp) == STN_CLICKED) {
        SetDlgItemTextA(hwnd, kLabelId, "已点击");
    }
}

void OnCreate(HWND hwnd)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    // A Unicode edit window: some systems' ANSI edit controls do not join the two bytes of a
    // double-byte character typed into them.
    CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10,
                    200, 24, hwnd, reinterpret_cast<HMENU>(kEditId), instance, nullptr);
    CreateWindowExA(0, "BUTTON", "确定", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 220, 10, 80, 24,
                    hwnd, reinterpret_cast<HMENU>(kButtonId), instance, nullptr);
    CreateWindowExA(0, "STATIC", "点我", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 10, 50, 100, 20, hwnd,
                    reinterpret_cast<HMENU>(kLabelId), instance, nullptr);
}

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:  OnCreate(hwnd); return 0;
    case WM_COMMAND: OnCommand(hwnd, wp); return 0;
    case WM_KEYDOWN: if (wp == VK_F5) SetWindowTextA(hwnd, "F5"); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default:         return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

int RunWindow(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = CreateSolidBrush(kBackground);
    wc.lpszClassName = "ProbeWindow";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "ProbeWindow", "探针窗口", WS_OVERLAPPEDWINDOW, 40, 40, 340,
                                200, nullptr, nullptr, instance, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    // A Unicode loop, so that characters reach the Unicode edit box whole.
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    const char* mode = commandLine;
    const char* argument = std::strchr(commandLine, ' ');
    const int number = argument ? std::atoi(argument + 1) : 0;
    if (std::strncmp(mode, "exit", 4) == 0)
        return number;
    if (std::strncmp(mode, "box", 3) == 0)
        return ShowBox(number);
    if (std::strncmp(mode, "echo", 4) == 0)
        return Echo(argument ? argument + 1 : "");
    if (std::strncmp(mode, "window", 6) == 0)
        return RunWindow(instance);
    return 99;
}
