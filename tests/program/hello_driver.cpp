// Drives the README's example program: types a name, presses "问候", reads the greeting and
// closes the window. Exits 0 when the greeting was right and the program ended with 0.
//   hello_driver HELLO_EXE
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/driver/driver.h"

int main(int argc, char** argv)
{
    auto fail = [](const std::string& what) { return std::fprintf(stderr, "hello_driver: %s\n", what.c_str()), 1; };
    e2e::Process hello;
    if (argc != 2 || !hello.Start(argv[1]))
        return fail("usage: hello_driver HELLO_EXE");
    HWND window = hello.WaitWindow("", 60000);  // the first start in a new prefix may be slow
    HWND box = window ? e2e::FindControl(window, 110) : nullptr;  // the last entry is made first
    if (!box)
        return fail("no window with an edit box");
    e2e::Type(box, "小明");
    e2e::WaitUntil([&] { return e2e::Text(box) == "小明"; });
    e2e::Click(e2e::FindControl(window, 100));
    HWND message = hello.WaitMessageBox();
    const std::string text = message ? e2e::ReadMessageBox(message).text : "(no box)";
    e2e::PressButton(message, IDOK);
    if (text != "你好，小明！")
        return fail("the greeting reads '" + text + "'");
    PostMessageA(window, WM_CLOSE, 0, 0);
    int code = -1;
    return hello.WaitExit(&code) && code == 0 ? 0 : fail("no end with 0: " + std::to_string(code));
}
