// The tool's window built directly with Win32 calls: the same 216x250 window and its eleven
// controls, as the yardstick for the runtime's start-up with a real form.
#include <windows.h>

namespace {

struct Control {
    const char* cls;
    const char* text;
    int x, y, w, h;
    DWORD style;
};

const Control kControls[] = {
    {"STATIC", "\xD3\xB0\xD7\xD3", 46, 131, 136, 32, 0},
    {"STATIC", "Tavori", 31, 158, 160, 24, 0},
    {"STATIC", "30 40", 46, 105, 136, 32, 0},
    {"STATIC", "-", 88, 195, 112, 16, 0},
    {"BUTTON", "2", 8, 192, 72, 24, WS_TABSTOP | BS_PUSHBUTTON},
    {"EDIT", "", 74, 48, 104, 24, WS_TABSTOP | ES_AUTOHSCROLL},
    {"EDIT", "", 74, 23, 104, 24, WS_TABSTOP | ES_AUTOHSCROLL},
    {"STATIC", "fps", 35, 48, 35, 24, 0},
    {"BUTTON", "1", 41, 80, 128, 24, WS_TABSTOP | BS_PUSHBUTTON},
    {"EDIT", "", 221, 88, 88, 24, WS_TABSTOP | ES_AUTOHSCROLL},
    {"STATIC", "QQ", 35, 16, 32, 40, 0},
};

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "BareWindow";
    RegisterClassA(&wc);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - 216) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - 250) / 2;
    HWND hwnd = CreateWindowExA(0, "BareWindow", "Tavori", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                x, y, 216, 250, nullptr, nullptr, instance, nullptr);
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    int id = 100;
    for (const Control& c : kControls) {
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
    return static_cast<int>(msg.wParam);
}
