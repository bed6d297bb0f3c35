// How compiled code reaches the runtime: through the service table laid out in front of its own
// constant area, never by the runtime's names. Part of every compiled program, not the runtime.
#pragma once

#include <cstdint>

#include "runtime/core/cmd_frame.h"
#include "runtime/image/image_records.h"

extern "C" {
// The program's service table (thirteen entries), defined with its image.
extern const void* const* const ProgramServices;
// Services 1 and 12 take their index in EAX; these two words let C++ code say which index and
// which service the stubs below hand over to.
extern int32_t ProgramPendingIndex;
extern const void* ProgramPendingTarget;
// Jumps to ProgramPendingTarget with EAX = ProgramPendingIndex and the stack untouched.
void ProgramIndexedCallStub();
}

namespace program {

enum Service : int {
    kReportErrorCode = 0,
    kCallDllCommand = 1,
    kCallLibraryCommand = 2,
    kCallCoreCommand = 3,
    kReadProperty = 4,
    kWriteProperty = 5,
    kAllocMemory = 6,
    kReallocMemory = 7,
    kFreeMemory = 8,
    kEndProgram = 9,
    kRunMessageLoop = 10,
    kLoadStartupWindow = 11,
    kInternalRoutine = 12,
};

enum InternalRoutine : int32_t {
    kFindNextFile = 0,
    kCloseSearch = 1,
    kMakeArrayWritable = 2,
    kRegisterExitRoutine = 3,
    kReadPropertyByReference = 4,
    kWritePropertyByReference = 5,
    kRuntimeInit = 6,
};

template <typename Fn>
Fn ServiceAt(int service)
{
    return reinterpret_cast<Fn>(ProgramServices[service]);
}

// An indexed service as a callable of the entry's own type: the call that follows goes to the
// service with EAX = index and the caller's arguments as they are.
template <typename Fn>
Fn Indexed(int service, int32_t index)
{
    ProgramPendingIndex = index;
    ProgramPendingTarget = ProgramServices[service];
    return reinterpret_cast<Fn>(&ProgramIndexedCallStub);
}

template <typename Fn>
Fn DllCommand(int32_t index) { return Indexed<Fn>(kCallDllCommand, index); }

template <typename Fn>
Fn InternalRoutineAt(int32_t index) { return Indexed<Fn>(kInternalRoutine, index); }

[[noreturn]] inline void ReportErrorCode(int32_t code)
{
    ServiceAt<void (*)(int32_t)>(kReportErrorCode)(code);
    __builtin_unreachable();
}
inline void* AllocMemory(int32_t size) { return ServiceAt<void* (*)(int32_t)>(kAllocMemory)(size); }
inline void* ReallocMemory(void* p, int32_t size)
{
    return ServiceAt<void* (*)(void*, int32_t)>(kReallocMemory)(p, size);
}
inline void FreeMemory(void* p) { ServiceAt<void (*)(void*)>(kFreeMemory)(p); }
[[noreturn]] inline void EndProgram(int32_t code)
{
    ServiceAt<void (*)(int32_t)>(kEndProgram)(code);
    __builtin_unreachable();
}
inline void RunMessageLoop() { ServiceAt<void (*)()>(kRunMessageLoop)(); }
inline void LoadStartupWindow(uint32_t windowId)
{
    ServiceAt<void (*)(uint32_t)>(kLoadStartupWindow)(windowId);
}
inline CmdResult CallCoreCommand(CommandEntry entry, int32_t count, CmdArg* args)
{
    return ServiceAt<CmdResult (*)(CommandEntry, int32_t, CmdArg*)>(kCallCoreCommand)(entry, count, args);
}
inline CmdResult CallLibraryCommand(CommandEntry entry, int32_t library, int32_t count, CmdArg* args)
{
    return ServiceAt<CmdResult (*)(CommandEntry, int32_t, int32_t, CmdArg*)>(kCallLibraryCommand)(
        entry, library, count, args);
}
inline uint64_t ReadProperty(uint32_t windowId, uint32_t unitId, int32_t number)
{
    return ServiceAt<uint64_t (*)(uint32_t, uint32_t, int32_t, int32_t)>(kReadProperty)(windowId, unitId,
                                                                                      number, -1);
}
inline void WriteProperty(uint32_t windowId, uint32_t unitId, int32_t number, uint32_t value)
{
    ServiceAt<void (*)(uint32_t, uint32_t, int32_t, int32_t, uint32_t, uint32_t)>(kWriteProperty)(
        windowId, unitId, number, -1, value, 0);
}
inline void RuntimeInit() { InternalRoutineAt<void (*)()>(kRuntimeInit)(); }
inline void RegisterExitRoutine(void (*routine)())
{
    InternalRoutineAt<void (*)(void (*)())>(kRegisterExitRoutine)(routine);
}

}  // namespace program
