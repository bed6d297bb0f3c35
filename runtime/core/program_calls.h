// How compiled code reaches the runtime: through the service table laid out in front of its own
// constant area, never by the runtime's names. Part of every compiled program, not the runtime.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "runtime/core/cmd_frame.h"
#include "runtime/image/image_records.h"

extern "C" {
// The program's service table (thirteen entries), defined with its image.
extern const void* const* const ProgramServices;
// Calls `target` with EAX = index and `bytes` bytes of stack arguments copied from `args`. Two
// names for one routine: the second reads a real result from the floating-point stack.
uint64_t ProgramCallIndexed(const void* target, int32_t index, const void* args, uint32_t bytes);
double ProgramCallIndexedReal(const void* target, int32_t index, const void* args, uint32_t bytes);
}

namespace program {
namespace detail {

// Arguments as the 32-bit calling conventions lay them on the stack: in order, each in a
// multiple of four bytes.
constexpr uint32_t StackSlot(uint32_t size) { return (size + 3u) & ~3u; }

template <typename... A>
struct StackArguments {
    static constexpr uint32_t kBytes = (0u + ... + StackSlot(sizeof(A)));
    uint8_t bytes[kBytes > 0 ? kBytes : 4] = {};
    explicit StackArguments(A... args)
    {
        uint32_t at = 0;
        ((std::memcpy(bytes + at, &args, sizeof(A)), at += StackSlot(sizeof(A))), ...);
    }
};

template <typename R>
constexpr bool kFitsInResultRegisters = sizeof(R) <= 8;
template <>
constexpr bool kFitsInResultRegisters<void> = true;

template <typename R, typename... A>
R CallIndexed(const void* target, int32_t index, A... args)
{
    static_assert(kFitsInResultRegisters<R>, "results travel in EAX:EDX or ST0");
    const StackArguments<A...> frame(args...);
    if constexpr (std::is_void_v<R>) {
        ProgramCallIndexed(target, index, frame.bytes, frame.kBytes);
    } else if constexpr (std::is_floating_point_v<R>) {
        return static_cast<R>(ProgramCallIndexedReal(target, index, frame.bytes, frame.kBytes));
    } else {
        const uint64_t word = ProgramCallIndexed(target, index, frame.bytes, frame.kBytes);
        R result;
        std::memcpy(&result, &word, sizeof(R));
        return result;
    }
}

}  // namespace detail

// An indexed service bound to its index, called like a function of type Fn. The index travels
// with the call itself.
template <typename Fn>
class IndexedCall;

template <typename R, typename... A>
class IndexedCall<R (*)(A...)> {
public:
    IndexedCall(const void* target, int32_t index) : target_(target), index_(index) {}
    R operator()(A... args) const { return detail::CallIndexed<R, A...>(target_, index_, args...); }

private:
    const void* target_;
    int32_t index_;
};

template <typename R, typename... A>
class IndexedCall<R(__attribute__((stdcall)) *)(A...)> : public IndexedCall<R (*)(A...)> {
public:
    using IndexedCall<R (*)(A...)>::IndexedCall;
};

// A variadic entry: the fixed arguments take their declared types, the rest their own.
template <typename R, typename... A>
class IndexedCall<R (*)(A..., ...)> {
public:
    IndexedCall(const void* target, int32_t index) : target_(target), index_(index) {}
    template <typename... More>
    R operator()(A... args, More... more) const
    {
        return detail::CallIndexed<R, A..., More...>(target_, index_, args..., more...);
    }

private:
    const void* target_;
    int32_t index_;
};


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

// An indexed service as a callable of the entry's own type: the call goes to the service with
// EAX = index and the caller's arguments laid out as for the entry itself.
template <typename Fn>
IndexedCall<Fn> Indexed(int service, int32_t index)
{
    return IndexedCall<Fn>(ProgramServices[service], index);
}

template <typename Fn>
IndexedCall<Fn> DllCommand(int32_t index) { return Indexed<Fn>(kCallDllCommand, index); }

template <typename Fn>
IndexedCall<Fn> InternalRoutineAt(int32_t index) { return Indexed<Fn>(kInternalRoutine, index); }

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
