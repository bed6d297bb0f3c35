// The runtime's entry points for compiled code (the service table and the internal routines)
// and for support libraries (RuntimeCallback).
#pragma once

#include <cstdint>

#include "runtime/core/cmd_frame.h"
#include "runtime/core/error_report.h"
#include "runtime/core/memory.h"
#include "runtime/image/image_records.h"

constexpr int kServiceCount = 13;         // entries of the table in a program image
constexpr int kRuntimeServiceCount = 14;  // the runtime's copy has one more
constexpr int kInternalRoutineCount = 7;

extern "C" {
// The runtime's own copy of the service table.
extern const void* const RuntimeServiceTable[kRuntimeServiceCount];
extern const void* const InternalRoutineTable[kInternalRoutineCount];

uint32_t RuntimeCallback(int32_t code, uint32_t word1, uint32_t word2);

// Services 2 and 3: call a library command with a fresh, zeroed result.
CmdResult LibraryCallDispatchWithIndex(CommandEntry entry, int32_t library, int32_t count, CmdArg* args);
CmdResult LibraryCallDispatch(CommandEntry entry, int32_t count, CmdArg* args);

// Services 1 and 12 are trampolines: the index travels in EAX and the caller's arguments stay
// on the stack untouched for the entry that finally runs, which returns straight to the caller.
void Service1Entry();
void Service12Entry();

// Resolves a declared DLL command (the work of service 1 before it jumps).
void* ResolveDllCommand(int32_t index);
[[noreturn]] void ReportBadInternalRoutine(int32_t index);

uint64_t ReadPropertyService(uint32_t windowId, uint32_t unitId, int32_t number, int32_t fourth);
void WritePropertyService(uint32_t windowId, uint32_t unitId, int32_t number, int32_t fourth,
                          uint32_t value, uint32_t second);
void EndProgramService(int32_t exitCode);
void RunMessageLoopService();
void LoadStartupWindowService(uint32_t windowId);
}

// The initialiser of a program image's service table: the runtime's first thirteen entries.
#define TAVORI_RUNTIME_SERVICES                                                          \
    {                                                                                    \
        reinterpret_cast<const void*>(&ReportErrorCode),                                 \
        reinterpret_cast<const void*>(&Service1Entry),                                   \
        reinterpret_cast<const void*>(&LibraryCallDispatchWithIndex),                    \
        reinterpret_cast<const void*>(&LibraryCallDispatch),                             \
        reinterpret_cast<const void*>(&ReadPropertyService),                             \
        reinterpret_cast<const void*>(&WritePropertyService),                            \
        reinterpret_cast<const void*>(&AllocMemory),                                     \
        reinterpret_cast<const void*>(&ReallocMemory),                                   \
        reinterpret_cast<const void*>(&FreeMemory),                                      \
        reinterpret_cast<const void*>(&EndProgramService),                               \
        reinterpret_cast<const void*>(&RunMessageLoopService),                           \
        reinterpret_cast<const void*>(&LoadStartupWindowService),                        \
        reinterpret_cast<const void*>(&Service12Entry),                                  \
    }
