// The core library's message box command.
#pragma once

#include <cstdint>

#include "runtime/core/cmd_frame.h"

// Style bits the command looks at.
constexpr uint32_t kMsgBoxSystemModal = 0x1000;
constexpr uint32_t kMsgBoxTaskModal = 0x2000;

// The style actually shown: task-modal unless system-modal was asked for. A style that already
// holds the task-modal bit keeps it as it is (adding it again would carry into the help bit).
uint32_t EffectiveMsgBoxStyle(uint32_t style);

// The command's answer for the platform's button code: OK 0, Cancel 1, Abort 2, Retry 3,
// Ignore 4, Yes 5, No 6; anything else (0 when no box could be shown) is 0.
int32_t MsgBoxAnswer(int32_t buttonCode);

// (message: text, number, logical or date-time; [style]; [caption]; [owner: window reference
// or window handle as an integer]) -> the button that closed the box, numbered from 0.
void MsgBoxCommand(CmdResult* result, int32_t count, CmdArg* args);
