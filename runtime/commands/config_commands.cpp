// Configuration-file commands on the platform's profile functions and file search.
#include "runtime/commands/config_commands.h"

#include <windows.h>

#include <memory>

#include "runtime/commands/command_args.h"
#include "runtime/commands/libraries.h"

const char* SkipLeadingBlanks(const char* text)
{
    if (!text)
        return nullptr;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p >= 0x01 && *p <= 0x20)
        ++p;
    return reinterpret_cast<const char*>(p);
}

namespace {

bool IsBlankName(const char* name) { return !name || *name == '\0'; }

}  // namespace

void ReadConfigItemCommand(CmdResult* result, int32_t count, CmdArg* args)
{
    const char* file = SkipLeadingBlanks(TextOf(ArgumentAt(count, args, 0)));
    const char* section = SkipLeadingBlanks(TextOf(ArgumentAt(count, args, 1)));
    const char* key = SkipLeadingBlanks(TextOf(ArgumentAt(count, args, 2)));
    const char* fallback = TextOf(ArgumentAt(count, args, 3));
    // The platform takes an empty default and a missing one alike; pass none for clarity.
    if (fallback && *fallback == '\0')
        fallback = nullptr;

    if (IsBlankName(file) || IsBlankName(section) || IsBlankName(key)) {
        result->value = 0;
        return;
    }
    // Too large for comfort on the stack of a handler that may itself be deep.
    std::unique_ptr<char[]> value(new char[ConfigReadBufferSize]);
    value[0] = '\0';
    GetPrivateProfileStringA(section, key, fallback, value.get(),
                             static_cast<DWORD>(ConfigReadBufferSize), file);
    value[ConfigReadBufferSize - 1] = '\0';
    result->value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(NewResultText(value.get())));
}

void WriteConfigItemCommand(CmdResult* result, int32_t count, CmdArg* args)
{
    const CmdArg keyArg = ArgumentAt(count, args, 2);
    const CmdArg valueArg = ArgumentAt(count, args, 3);
    // A key or value that is given but is not a text must not read as omitted: that would
    // delete a key or a whole section the caller meant to write.
    if ((IsGiven(keyArg) && keyArg.tag != kTagText) || (IsGiven(valueArg) && valueArg.tag != kTagText)) {
        result->value = 0;
        return;
    }
    const char* file = TextOf(ArgumentAt(count, args, 0));
    const char* section = TextOf(ArgumentAt(count, args, 1));
    // Without a file name the platform writes into the system's own initialisation file.
    if (!file || *file == '\0') {
        result->value = 0;
        return;
    }
    result->value = WritePrivateProfileStringA(section, TextOf(keyArg), TextOf(valueArg), file) ? 1u : 0u;
}

void FileExistsCommand(CmdResult* result, int32_t count, CmdArg* args)
{
    const char* name = TextOf(ArgumentAt(count, args, 0));
    result->value = 0;
    if (!name || *name == '\0')
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(name, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    FindClose(search);
    result->value = 1;
}
