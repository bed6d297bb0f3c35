// The window-menu test program (forms/menus.form, the tool's core library). Menus cannot be read
// from another process under Wine, so it logs its own menu, accelerators and handlers to
// menus_probe.log; "&Plain" writes menu item properties and logs the rebuilt menu.
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/commands/libraries.h"
#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/services.h"
#include "runtime/image/window_store.h"
#include "tests/support/probe_log.h"

extern "C" const uint8_t MenusForm[];
extern "C" const uint32_t MenusFormSize;
extern "C" const uint8_t HandlerArea[];

namespace {

constexpr uint32_t kWindow = 0x52010001;
std::vector<HMENU> g_menus;   // every menu the window has had
std::vector<HACCEL> g_tables;  // every accelerator table

void Log(const std::string& line) { probe_log::Append(probe_log::BesideExecutable("menus_probe.log"), line); }
std::string N(long v) { return std::to_string(v); }

// "<prefix> <path> <identifier> <state> <text>" per item ("\t" for a tab), "<prefix> #<path> <count>".
void Dump(const std::string& prefix, HMENU menu, const std::string& path) {
    g_menus.push_back(menu);
    Log(prefix + " #" + path + " " + N(GetMenuItemCount(menu)));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        std::string shown(text);
        if (shown.find('\t') != std::string::npos)
            shown.replace(shown.find('\t'), 1, "\\t");
        const std::string at = path + (path.empty() ? "" : ".") + N(i);
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);  // Wine greys separators
        Log(prefix + " " + at + " " + N(static_cast<int32_t>(GetMenuItemID(menu, i))) + " " +
            N(state & MF_SEPARATOR ? MF_SEPARATOR : state & 0x819) + " " + shown);
        if (HMENU sub = GetSubMenu(menu, i))
            Dump(prefix, sub, at);
    }
}

void DumpAll(const std::string& prefix) {
    Dump(prefix, GetMenu(FindWindowA("ZkWindow", "Menus")), "");
    g_tables.push_back(FindWindowObject(kWindow)->accelerators);
    ACCEL a[8] = {};
    const int n = CopyAcceleratorTableA(g_tables.back(), a, 8);
    for (int i = 0; i < n; ++i)
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

// Properties 0 caption, 1 checked, 2 disabled, 3 visible of an item, as one line.
void LogItem(const std::string& prefix, uint32_t item) {
    char* caption = reinterpret_cast<char*>(static_cast<uintptr_t>(program::ReadProperty(kWindow, item, 0)));
    Log(prefix + " " + caption + " " + N(program::ReadProperty(kWindow, item, 1)) + " " +
        N(program::ReadProperty(kWindow, item, 2)) + " " + N(program::ReadProperty(kWindow, item, 3)));
    program::FreeMemory(caption);
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

void Save() { Log("handler Save"); }
void Refresh() { Log("handler Refresh"); }
void Greyed() { Log("handler Greyed"); }
void TabOnly() { Log("handler TabOnly"); }
void Secret() { Log("handler Secret"); }
void Deep() { Log("handler Deep"); }
void Choose() { Log("handler Choose"); }

void Plain() {
    const uint32_t save = 0x26010003, refresh = 0x26010005, greyed = 0x26010006, secret = 0x26010009;
    for (uint32_t item : {save, refresh, greyed, secret})
        LogItem("read", item);
    static const char kStore[] = "&Store";
    program::WriteProperty(kWindow, save, 0, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(kStore)));
    program::WriteProperty(kWindow, refresh, 1, 0);
    program::WriteProperty(kWindow, greyed, 2, 0);
    program::WriteProperty(kWindow, secret, 3, 1);
    program::WriteProperty(kWindow, 0x2601000E, 2, 1);  // "&Deep" greyed
    for (uint32_t item : {save, refresh, greyed, secret})
        LogItem("reread", item);
    LogAlive("replaced");
    DumpAll("after");
}

int StartRoutine() {
    program::RuntimeInit();
    program::LoadStartupWindow(kWindow);
    program::LoadStartupWindow(0x52010010);
    Log("plain window menu " + N(GetMenu(FindWindowA("ZkWindow", "Plain")) != nullptr));
    DumpAll("load");
    RECT r{};
    GetMenuItemRect(FindWindowA("ZkWindow", "Menus"), g_menus[0], 1, &r);
    Log("tree " + N(r.left) + " " + N(r.top) + " " + N(r.right) + " " + N(r.bottom));
    program::RunMessageLoop();
    LogAlive("end");
    program::EndProgram(0);
}

}  // extern "C"
