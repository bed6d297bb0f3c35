// OpenWebPage: the shell's "open" verb on an address.
#include "runtime/commands/web_page_command.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "runtime/commands/command_args.h"

const char kDefaultWebAddress[] = "https://www.tavori.example/";

namespace {

// A browser window with this exact title, when one is open, owns whatever box the shell shows
// about the address, so that the box comes up over the browser rather than anywhere.
const char kBrowserTitle[] = "Microsoft Internet Explorer";

}  // namespace

void OpenWebPageCommand(CmdResult*, int32_t count, CmdArg* args)
{
    const char* given = TextOf(ArgumentAt(count, args, 0));
    // An empty address would have the shell open the current folder instead of a page.
    const std::string address = given && *given ? given : kDefaultWebAddress;
    HWND owner = FindWindowExA(nullptr, nullptr, nullptr, kBrowserTitle);
    ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
