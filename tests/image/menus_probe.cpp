// The window-menu test program (forms/menus.form on the tool's core library). Menus cannot be
// read from another process under Wine, so it logs its own menu, accelerators and handlers to
// menus_probe.log; "&Plain" writes menu item properties and logs the rebuilt menu.
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/commands/libraries.h"
#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/services.h"
#include "runtime/image/window_menu.h"
#include "runtime/image/window_store.h"
#include "tests/support/probe_log.h"

extern "C" const uint8_t MenusForm[];
extern "C" const uint32_t MenusFormSize;
extern "C" const uint8_t HandlerArea[];

namespace {

constexpr uint32_t kWindow = 0x52010001;
std::vector<HMENU> g_menus;    // every menu the window has had
std::vector<HACCEL> g_tables;  // and every accelerator table

void Log(const std::string& line) { probe_log::Append(probe_log::BesideExecutable("menus_probe.log"), line); }
std::string N(long v) { return std::to_string(v); }

// "<prefix> <path> <identifier> <state> <text>" per item, the tab as "\t"; "<prefix> #<path> <count>".
void Dump(const std::string& prefix, HMENU menu, const std::string& path) {
    g_menus.push_back(menu);
    Log(prefix + " #" + path + " " + N(GetMenuItemCount(menu)));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        std::string shown(text);
        if (shown.find('\t') != std::string::npos)
            shown.replace(shown.find('\t'), 1, "\\t");
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);  // Wine greys separators
        const std::string at = path + (path.empty() ? "" : ".") + N(i);
        Log(prefix + " " + at + " " + N(static_cast<int32_t>(GetMenuItemID(menu, i))) + " " +
            N(state & MF_SEPARATOR ? MF_SEPARATOR : state & 0x819) + " " + shown);
        if (HMENU sub = GetSubMenu(menu, i))
            Dump(prefix, sub, at);
    }
    if (!path.empty())
        return;
    g_tables.push_back(FindWindowObject(kWindow)->accelerators);
    ACCEL a[8] = {};
    for (int i = 0, n = CopyAcceleratorTableA(g_tables.back(), a, 8); i < n; ++i)
        Log(prefix + " accel " + N(a[i].fVirt) + " " + N(a[i].key) + " " + N(a[i].cmd));
}

// "<what> <menus alive> <tables alive>"
void LogAlive(const std::string& what) {
    int menus = 0, tables = 0;
    for (HMENU m : g_menus)
        menus += IsMenu(m) ? 1 : 0;
    for (HACCEL t : g_tables)
        tables += CopyAcceleratorTableA(t, nullptr, 0) > 0 ? 1 : 0;
    Log(what + " " + N(menus) + " " + N(tables));
}

const LibraryRecord* const kLibraries[] = {&kCoreLibrary};
struct ProbeData {
    const void* services[kServiceCount];
    char constants[1];
};

}  // namespace

extern "C" {
const ProbeData MenusDataBlock = {TAVORI_RUNTIME_SERVICES, {0}};
const void* const* const ProgramServices = MenusDataBlock.services;
const ImageHeader ProgramImageHeader = {
    3, 0, 0x10011, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(HandlerArea)) + 4, MenusDataBlock.constants, 1,
    MenusForm, static_cast<int32_t>(MenusFormSize), 1, kLibraries, 0, nullptr, nullptr,
};

#define HANDLER(name) \
    void name() { Log("handler " #name); }
HANDLER(Save) HANDLER(Refresh) HANDLER(Greyed) HANDLER(TabOnly) HANDLER(Secret) HANDLER(Deep)

// Logs properties 0 caption, 1 checked, 2 disabled, 3 visible of four items, writes property i of
// item i, logs them again.
void Plain() {
    static const char kStore[] = "&Store";
    const uint32_t items[] = {0x26010003, 0x26010005, 0x26010006, 0x26010009};
    const uint32_t values[] = {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(kStore)), 0, 0, 1};
    for (int pass = 0; pass < 2; ++pass) {
        for (uint32_t item : items) {
            char* caption = reinterpret_cast<char*>(static_cast<uintptr_t>(program::ReadProperty(kWindow, item, 0)));
            Log(std::string(pass ? "reread " : "read ") + caption + " " + N(program::ReadProperty(kWindow, item, 1)) +
                " " + N(program::ReadProperty(kWindow, item, 2)) + " " + N(program::ReadProperty(kWindow, item, 3)));
            program::FreeMemory(caption);
        }
        for (int i = 0; i < 4 && pass == 0; ++i)
            program::WriteProperty(kWindow, items[i], i, values[i]);
    }
    program::WriteProperty(kWindow, 0x2601000E, 2, 1);  // "&Deep" greyed
    LogAlive("replaced");
    Dump("after", GetMenu(FindWindowA("ZkWindow", "Menus")), "");
}

int StartRoutine() {
    program::RuntimeInit();
    program::LoadStartupWindow(kWindow);
    program::LoadStartupWindow(0x52010010);
    Log("plain window menu " + N(GetMenu(FindWindowA("ZkWindow", "Plain")) != nullptr));
    Dump("load", GetMenu(FindWindowA("ZkWindow", "Menus")), "");
    // A single owner-drawn pop-up from the hidden "&Secret" (entry 8) and its item.
    HMENU popup = BuildPopupMenu(FindWindowObject(kWindow), 8, 2, 30000, false, true);
    MENUITEMINFOA info{sizeof info, MIIM_FTYPE | MIIM_DATA | MIIM_ID};
    GetMenuItemInfoA(popup, 0, TRUE, &info);
    Log("popup " + N(GetMenuItemCount(popup)) + " " + N(info.fType) + " " + N(info.dwItemData) + " " + N(info.wID));
    DestroyMenu(popup);
    program::RunMessageLoop();
    LogAlive("end");
    program::EndProgram(0);
}

}  // extern "C"
