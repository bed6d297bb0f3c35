// Waits for a visible top-level window with the given title and prints where it is, so that a
// script can tell a program's own window from a blank screen.
//   window_place.exe TIMEOUT_MS TITLE      prints "LEFT TOP WIDTH HEIGHT"; exit 1 on time-out
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

namespace {

struct Search {
    const wchar_t* title;
    HWND found;
};

// A hidden window of the same title (the runtime's owner window, say) is passed over.
BOOL CALLBACK MatchTitle(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    wchar_t text[256];
    if (IsWindowVisible(window) && GetWindowTextW(window, text, 256) > 0
        && std::wcscmp(text, search->title) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc != 3) {
        std::fprintf(stderr, "usage: window_place TIMEOUT_MS TITLE\n");
        return 2;
    }
    const DWORD timeout = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10));
    const DWORD start = GetTickCount();
    for (;;) {
        Search search = {argv[2], nullptr};
        EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
        RECT r;
        if (search.found != nullptr && GetWindowRect(search.found, &r)) {
            std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
            return 0;
        }
        if (GetTickCount() - start >= timeout)
            return 1;
        Sleep(100);
    }
}
