// Windows built directly with Win32 calls, the yardsticks for the runtime's start-up:
//   by default the tool's 216x250 window and its eleven controls;
//   BARE_GRID=N  a window with N controls in the grid of the generated bench forms (edit box,
//                button, label in turn; 8 columns of 100 pixels, rows of 28);
//   BARE_OLE     OleInitialize first, as the runtime does;
//   BARE_IMPORTS the tool's import list as a hand-written program has it: comctl32, shell32
//                and ws2_32 are imported (so loaded at start) though not called on this road.
#include <windows.h>
#ifdef BARE_OLE
#include <ole2.h>
#endif
#ifdef BARE_IMPORTS
#include <commctrl.h>
#include <shellapi.h>
#include <winsock2.h>
#endif

namespace {

struct Control {
    const char* cls;
    const char* text;
    int x, y, w, h;
    DWORD style;
};

const DWORD kEditStyle = WS_TABSTOP | ES_AUTOHSCROLL;
const DWORD kButtonStyle = WS_TABSTOP | BS_PUSHBUTTON;

#ifndef BARE_GRID
const Control kControls[] = {
    {"STATIC", "\xD3\xB0\xD7\xD3", 46, 131, 136, 32, 0},
    {"STATIC", "Tavori", 31, 158, 160, 24, 0},
    {"STATIC", "30 40", 46, 105, 136, 32, 0},
    {"STATIC", "-", 88, 195, 112, 16, 0},
    {"BUTTON", "2", 8, 192, 72, 24, kButtonStyle},
    {"EDIT", "", 74, 48, 104, 24, kEditStyle},
    {"EDIT", "", 74, 23, 104, 24, kEditStyle},
    {"STATIC", "fps", 35, 48, 35, 24, 0},
    {"BUTTON", "1", 41, 80, 128, 24, kButtonStyle},
    {"EDIT", "", 221, 88, 88, 24, kEditStyle},
    {"STATIC", "QQ", 35, 16, 32, 40, 0},
};
const int kCount = sizeof(kControls) / sizeof(kControls[0]);
const int kWidth = 216, kHeight = 250;
Control ControlAt(int i) { return kControls[i]; }
#else
const int kCount = BARE_GRID;
const int kWidth = 816, kHeight = 48 + 28 * ((BARE_GRID + 7) / 8);
Control ControlAt(int i)
{
    static const Control kinds[] = {{"EDIT", "", 0, 0, 96, 24, kEditStyle},
                                    {"BUTTON", "Button", 0, 0, 96, 24, kButtonStyle},
                                    {"STATIC", "Label", 0, 0, 96, 24, 0}};
    Control c = kinds[i % 3];
    c.x = 8 + 100 * (i % 8);
    c.y = 8 + 28 * (i / 8);
    return c;
}
#endif

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

#ifdef BARE_IMPORTS
// Never true: the calls only put the DLLs on the import list.
void UseImports(LPSTR commandLine)
{
    if (lstrcmpA(commandLine, "--use-imports") != 0)
        return;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    ShellExecuteA(nullptr, "open", "about:blank", nullptr, nullptr, SW_SHOWNORMAL);
    WSACleanup();
}
#endif

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
#ifdef BARE_IMPORTS
    UseImports(commandLine);
#else
    (void)commandLine;
#endif
#ifdef BARE_OLE
    OleInitialize(nullptr);
#endif
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "BareWindow";
    RegisterClassA(&wc);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    HWND hwnd = CreateWindowExA(0, "BareWindow", "Tavori", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                x, y, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    int id = 100;
    for (int i = 0; i < kCount; ++i) {
        const Control c = ControlAt(i);
        HWND child = CreateWindowExA(c.cls[0] == 'E' ? WS_EX_CLIENTEDGE : 0, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style,
                                     c.x, c.y, c.w, c.h, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                     instance, nullptr);
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        id += 10;
    }
    ShowWindow(hwnd, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
#ifdef BARE_OLE
    OleUninitialize();
#endif
    return static_cast<int>(msg.wParam);
}
