// Drives the README's example program: types a name, presses "问候", reads the greeting and
// closes the window. Exits 0 when the greeting was right and the program ended with 0.
//   hello_driver HELLO_EXE
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/driver/driver.h"

namespace {

// Control identifiers follow the creation order of the form: the last table entry first.
constexpr int kGreetButton = 100;
constexpr int kNameBox = 110;

int Fail(const std::string& what)
{
    std::fprintf(stderr, "hello_driver: %s\n", what.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return Fail("usage: hello_driver HELLO_EXE");
    e2e::Process hello;
    if (!hello.Start(argv[1]))
        return Fail(std::string("cannot start ") + argv[1]);
    HWND window = hello.WaitWindow("", 60000);  // the first start in a new prefix may be slow
    if (!window)
        return Fail("no window");
    HWND box = e2e::FindControl(window, kNameBox);
    e2e::Type(box, "小明");
    if (!e2e::WaitUntil([&] { return e2e::Text(box) == "小明"; }))
        return Fail("the edit box holds '" + e2e::Text(box) + "'");
    e2e::Click(e2e::FindControl(window, kGreetButton));
    HWND message = hello.WaitMessageBox();
    if (!message)
        return Fail("no message box");
    const std::string text = e2e::ReadMessageBox(message).text;
    e2e::PressButton(message, IDOK);
    if (text != "你好，小明！")
        return Fail("the greeting reads '" + text + "'");
    PostMessageA(window, WM_CLOSE, 0, 0);
    int code = -1;
    if (!hello.WaitExit(&code))
        return Fail("the program did not end");
    return code == 0 ? 0 : Fail("exit code " + std::to_string(code));
}
