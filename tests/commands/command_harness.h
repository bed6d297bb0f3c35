// Calls library commands the way compiled code does: the libraries are started through their
// notification entries with a RuntimeCallback of the test's own, and each command is reached
// through its library's command table with an array of argument records.
// The test RuntimeCallback serves allocation (2024) from the process heap and answers window
// look-ups (2006) from a small table of fake windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/core/cmd_frame.h"
#include "runtime/image/image_records.h"

class CWnd;

namespace harness {

// Sends message 1 with the test callback to all four libraries (once per process).
void StartLibraries();
uint32_t TestCallback(int32_t code, uint32_t word1, uint32_t word2);

// Answer `object` to request 2006 for `windowId` (null forgets the entry).
void SetFakeWindow(uint32_t windowId, CWnd* object);

// Blocks handed out by request 2024 and not yet freed through FreeText.
int OutstandingBlocks();
// Every request the callback received, in order.
std::vector<int32_t> RequestCodes();

CmdArg TextArg(const char* text);
CmdArg IntegerArg(int32_t value);
CmdArg DoubleArg(double value, uint32_t tag = kTagDouble);
CmdArg Omitted();

CmdResult Call(const LibraryRecord& library, int32_t command, std::vector<CmdArg> args);

// The text a result carries, freed on the way. `wasNull` tells whether it was the null text.
struct ResultText {
    bool wasNull = true;
    bool fromCallback = false;  // the block came from request 2024 and was not yet freed
    size_t blockSize = 0;  // the allocation's size as the heap reports it
    std::string text;
};
ResultText TakeText(const CmdResult& result);

}  // namespace harness
