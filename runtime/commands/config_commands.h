// Core library commands on INI-style configuration files and on the file system:
// ReadConfigItem, WriteConfigItem and FileExists, called through the command call frame.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/core/cmd_frame.h"

// Value buffer of ReadConfigItem, terminator included: longer values come back cut to 10239 bytes.
constexpr size_t ConfigReadBufferSize = 10240;

// Skips leading bytes 0x01-0x20 (controls and the space). Bytes from 0x80 up, the lead bytes
// of double-byte characters, are never skipped; trailing blanks stay. Null stays null.
const char* SkipLeadingBlanks(const char* text);

// (file, section, key, [default]) -> text: the stored value, else the default, else the empty
// text (null). A name that is empty after skipping leading blanks reads nothing, not even the
// default.
void ReadConfigItemCommand(CmdResult* result, int32_t count, CmdArg* args);

// (file, section, [key], [value]) -> the platform's success flag. No value deletes the key, no
// key deletes the section. Names are passed on exactly as received; an empty file name
// writes nothing and answers 0.
void WriteConfigItemCommand(CmdResult* result, int32_t count, CmdArg* args);

// (name) -> 1 when a file, a folder or a wildcard pattern matches a directory entry, else 0.
void FileExistsCommand(CmdResult* result, int32_t count, CmdArg* args);
