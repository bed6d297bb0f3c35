// GetSpecialFolder: eleven well-known folders by number, from the shell and the kernel.
#include "runtime/commands/special_folder_command.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "runtime/commands/command_args.h"
#include "runtime/commands/libraries.h"

namespace {

enum class Source { Shell, Windows, System, Temp };

struct FolderEntry {
    Source source;
    int csidl;  // for Source::Shell
};

// Indexed by folder number - 1.
const FolderEntry kFolders[kSpecialFolderCount] = {
    {Source::Shell, CSIDL_PERSONAL},          // 1 the user's documents
    {Source::Shell, CSIDL_FAVORITES},         // 2 the user's favourites
    {Source::Shell, CSIDL_DESKTOPDIRECTORY},  // 3 the desktop folder
    {Source::Shell, CSIDL_FONTS},             // 4 fonts
    {Source::Shell, CSIDL_STARTMENU},         // 5 the Start menu
    {Source::Shell, CSIDL_PROGRAMS},          // 6 the Start menu's programs
    {Source::Shell, CSIDL_STARTUP},           // 7 run at logon
    {Source::Shell, CSIDL_APPDATA},           // 8 the user's application data
    {Source::Windows, 0},                     // 9 the Windows folder
    {Source::System, 0},                      // 10 the system folder
    {Source::Temp, 0},                        // 11 temporary files
};

// The kernel's folder queries answer the length on success, and the size they would need
// (never below the buffer's) when the path does not fit; both count as failure here.
bool Fits(DWORD answer) { return answer > 0 && answer < kFolderPathSize; }

bool ReadFolder(const FolderEntry& entry, char* path)
{
    switch (entry.source) {
    case Source::Shell:   return SHGetSpecialFolderPathA(nullptr, path, entry.csidl, FALSE) != FALSE;
    case Source::Windows: return Fits(GetWindowsDirectoryA(path, kFolderPathSize));
    case Source::System:  return Fits(GetSystemDirectoryA(path, kFolderPathSize));
    case Source::Temp:    return Fits(GetTempPathA(kFolderPathSize, path));
    }
    return false;
}

// Whether the path's last character is a backslash, walking characters of the ANSI code page
// from the start: a trail byte may be 0x5C.
bool EndsInBackslash(const char* path, size_t length)
{
    bool last = false;
    for (size_t i = 0; i < length; ++i) {
        const bool lead = IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < length;
        last = !lead && path[i] == '\\';
        if (lead)
            ++i;
    }
    return last;
}

}  // namespace

char* NewFolderText(const char* path)
{
    const size_t length = path ? std::strlen(path) : 0;
    if (length == 0)
        return nullptr;
    if (EndsInBackslash(path, length))
        return NewResultText(path, length);
    char* text = NewResultText(path, length + 1);  // room for the separator, filled next
    if (text) {
        text[length] = '\\';
        text[length + 1] = '\0';
    }
    return text;
}

void GetSpecialFolderCommand(CmdResult* result, int32_t count, CmdArg* args)
{
    const int32_t number = static_cast<int32_t>(ArgumentAt(count, args, 0).value);
    result->value = 0;
    if (number < 1 || number > kSpecialFolderCount)
        return;
    char path[kFolderPathSize];
    path[0] = '\0';
    if (!ReadFolder(kFolders[number - 1], path))
        return;
    path[kFolderPathSize - 1] = '\0';
    result->value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(NewFolderText(path)));
}
