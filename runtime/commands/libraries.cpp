// The library records, their notification entries and the kept RuntimeCallback.
#include "runtime/commands/libraries.h"

#include "runtime/units/library_unit_types.h"
#include "runtime/units/unit_base.h"

#include <cstring>

#include "runtime/commands/command_args.h"
#include "runtime/commands/config_commands.h"
#include "runtime/commands/msgbox_command.h"
#include "runtime/commands/special_folder_command.h"
#include "runtime/commands/web_page_command.h"

namespace {

// One bit per library that holds the callback. The runtime hands every library the same
// callback, but a library's end must not take it from one that is still running.
uint32_t g_holders = 0;
RuntimeCallbackFn g_callback = nullptr;

uint32_t Notify(uint32_t holder, int32_t message, uint32_t word1)
{
    if (message == kLibraryStart && word1 != 0) {
        g_callback = reinterpret_cast<RuntimeCallbackFn>(static_cast<uintptr_t>(word1));
        g_holders |= holder;
    } else if (message == kLibraryEnd) {
        g_holders &= ~holder;
        if (g_holders == 0)
            g_callback = nullptr;
    }
    // The units of these libraries reach the runtime through the same callback.
    SetUnitCallback(g_callback);
    return 0;
}

uint32_t NotifyCore(int32_t message, uint32_t word1, uint32_t) { return Notify(1u, message, word1); }
uint32_t NotifyExtended(int32_t message, uint32_t word1, uint32_t) { return Notify(2u, message, word1); }
uint32_t NotifySystem(int32_t message, uint32_t word1, uint32_t) { return Notify(4u, message, word1); }
uint32_t NotifyApplication(int32_t message, uint32_t word1, uint32_t) { return Notify(8u, message, word1); }

const CommandEntry kCoreCommands[] = {
    FileExistsCommand,       // kCoreFileExists
    WriteConfigItemCommand,  // kCoreWriteConfigItem
    MsgBoxCommand,           // kCoreMsgBox
    ReadConfigItemCommand,   // kCoreReadConfigItem
};
const CommandEntry kSystemCommands[] = {
    GetSpecialFolderCommand,  // kSystemGetSpecialFolder
};
const CommandEntry kApplicationCommands[] = {
    OpenWebPageCommand,  // kApplicationOpenWebPage
};

constexpr uint32_t kCoreStateFlags = 0xC0000001;

}  // namespace

// Word by word as laid out in the image: format, identity, version (major, minor, build),
// runtime and core versions needed, name, language, explanation, state flags, eight
// descriptive texts, types, categories, commands (count, descriptions, table), add-in,
// notification, template, constants, dependent files.
const LibraryRecord kCoreLibrary = {
    kLibraryFormat, "54415652304C49423143524531000001", 1, 0, 1, 1, 0, 1, 0,
    "Tavori core", 1, "Window, edit box and button; configuration files, file search and message boxes",
    kCoreStateFlags, {},
    kCoreLibraryTypeCount, kCoreLibraryTypes, 0, nullptr,
    sizeof(kCoreCommands) / sizeof(kCoreCommands[0]), nullptr, kCoreCommands,
    nullptr, nullptr, NotifyCore, nullptr, nullptr, 0, nullptr, nullptr};

const LibraryRecord kExtendedInterfaceLibrary = {
    kLibraryFormat, "54415652304C49423245585431000002", 1, 0, 1, 1, 0, 1, 0,
    "Tavori interface extras", 1, "Additional window units", 0, {},
    kExtendedLibraryTypeCount, kExtendedLibraryTypes, 0, nullptr,
    0, nullptr, nullptr,
    nullptr, nullptr, NotifyExtended, nullptr, nullptr, 0, nullptr, nullptr};

const LibraryRecord kSystemInterfaceLibrary = {
    kLibraryFormat, "54415652304C49423353595331000003", 1, 0, 1, 1, 0, 1, 0,
    "Tavori system", 1, "Folders of the operating system", 0, {},
    0, nullptr, 0, nullptr,
    sizeof(kSystemCommands) / sizeof(kSystemCommands[0]), nullptr, kSystemCommands,
    nullptr, nullptr, NotifySystem, nullptr, nullptr, 0, nullptr, nullptr};

const LibraryRecord kApplicationInterfaceLibrary = {
    kLibraryFormat, "54415652304C49423441505031000004", 1, 0, 1, 1, 0, 1, 0,
    "Tavori applications", 1, "Opening addresses with the shell", 0, {},
    0, nullptr, 0, nullptr,
    sizeof(kApplicationCommands) / sizeof(kApplicationCommands[0]), nullptr, kApplicationCommands,
    nullptr, nullptr, NotifyApplication, nullptr, nullptr, 0, nullptr, nullptr};

RuntimeCallbackFn CommandCallback() { return g_callback; }

char* NewResultText(const char* text, size_t length)
{
    RuntimeCallbackFn callback = g_callback;
    if (!text || length == 0 || !callback)
        return nullptr;
    // Mode 0: the runtime ends the program itself when the heap is exhausted, so no null.
    char* copy = reinterpret_cast<char*>(static_cast<uintptr_t>(
        callback(kCallbackAllocate, static_cast<uint32_t>(length + 1), 0)));
    if (!copy)
        return nullptr;
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

char* NewResultText(const char* text) { return text ? NewResultText(text, std::strlen(text)) : nullptr; }
