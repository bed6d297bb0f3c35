// The application library's command that opens an address with the user's registered handler.
#pragma once

#include <cstdint>

#include "runtime/core/cmd_frame.h"

// Opened when the command is given no address, or an empty one.
extern const char kDefaultWebAddress[];

// ([address]) -> no result. Hands the address to the shell's "open" verb and returns at once;
// whether anything opened is not reported.
void OpenWebPageCommand(CmdResult* result, int32_t count, CmdArg* args);
