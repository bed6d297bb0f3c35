// Routines compiled into every program rather than into the runtime: text length, joining and
// comparison, and the padding of omitted command arguments. A program reaches the runtime only
// through the allocation function it installs here (on Windows, the AllocMemory service), so
// every text TextJoin answers belongs to the caller, who frees it with FreeMemory.
//
// A null text pointer is the empty text throughout.
#pragma once

#include <cstdint>

#include "runtime/core/cmd_frame.h"

// Installs the allocation function behind TextJoin. Like AllocMemory it takes a signed size and
// is not expected to answer null (the runtime ends the program instead). It must be installed
// before the first join; joining without one ends the process.
using ProgramAllocFunction = void* (*)(int32_t size);
void SetProgramAllocator(ProgramAllocFunction alloc);

// Byte length of a text; 0 for null.
uint32_t TextLength(const char* text);

// TextJoin(count, text1, ..., textN): a new text holding the N texts in order (null counts as
// empty). Even an all-empty join answers a new one-byte empty text. A joined length that a 32-bit
// allocation cannot hold ends the process.
char* TextJoin(int count, ...);

// -1, 0 or 1 as `a` sorts before, with or after `b`, comparing bytes as unsigned values. Null and
// "" are equal to each other in either position.
int TextCompare(const char* a, const char* b);

// Words in one CmdArg record, and so the words that stand for one omitted argument.
constexpr int kWordsPerArg = static_cast<int>(sizeof(CmdArg) / sizeof(uint32_t));

// Fills `words` words at `at` with zeros and answers the record after them, so that an argument
// array is built front to back with omitted arguments padded in place:
//     CmdArg args[4];
//     CmdArg* next = args;
//     *next++ = {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(path)), 0, kTagText};
//     next = PushOmittedArgs(next, 2 * kWordsPerArg);   // arguments 2 and 3 omitted
//     *next++ = {1, 0, kTagLogical};
// `words` is a multiple of kWordsPerArg; 0 or less writes nothing.
CmdArg* PushOmittedArgs(CmdArg* at, int words);
