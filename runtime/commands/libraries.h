// The four support libraries of the tool's program image and the one RuntimeCallback through
// which their commands reach the runtime. Each record lists only the commands the program
// calls, in the order its compiled code indexes them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/image/image_records.h"

// Positions in the core library's command table.
enum CoreCommand : int32_t {
    kCoreFileExists = 0,
    kCoreWriteConfigItem = 1,
    kCoreMsgBox = 2,
    kCoreReadConfigItem = 3,
};

// Positions in the command tables of library 3 and library 4.
enum SystemCommand : int32_t { kSystemGetSpecialFolder = 0 };
enum ApplicationCommand : int32_t { kApplicationOpenWebPage = 0 };

// The records are constant data, so an image's library list can hold their addresses.
// Library 1: commands, and (later) the window, edit box and button unit types.
extern const LibraryRecord kCoreLibrary;
// Library 2: no commands; its unit type, the transparent label, is added with the units.
extern const LibraryRecord kExtendedInterfaceLibrary;
// Library 3: the special folder command.
extern const LibraryRecord kSystemInterfaceLibrary;
// Library 4: the open web page command.
extern const LibraryRecord kApplicationInterfaceLibrary;

// The RuntimeCallback handed over by message 1 of a library's notification and kept until every
// library that received it has had message 6; null outside that time.
RuntimeCallbackFn CommandCallback();

// A text result for compiled code: null for the empty text (a null or empty `text`), otherwise
// a copy of `length` bytes plus a terminator in a block from the runtime's allocator, owned by
// the caller. Also null when no library holds a RuntimeCallback.
char* NewResultText(const char* text, size_t length);
char* NewResultText(const char* text);
