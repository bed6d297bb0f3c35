// The operating-system library's special folder command.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/core/cmd_frame.h"

// The platform calls fill a buffer of this size.
constexpr size_t kFolderPathSize = 260;

// Highest folder number; numbers run from 1.
constexpr int32_t kSpecialFolderCount = 11;

// (folder number 1..11, only the value word is read) -> the folder's full path ending in one
// backslash, or the empty text (null) for another number or a folder the system cannot name.
//   1 documents  2 favourites  3 desktop  4 fonts  5 Start menu  6 programs  7 start-up
//   8 application data  9 Windows  10 system  11 temporary files
void GetSpecialFolderCommand(CmdResult* result, int32_t count, CmdArg* args);

// The result text of a folder path: a copy with a backslash added unless the path already ends
// in the backslash character (a double-byte character of the system code page whose second
// byte is 0x5C is not one); null for an empty path. The copy is made at its final size, so a
// path that fills its buffer still gets its separator.
char* NewFolderText(const char* path);
