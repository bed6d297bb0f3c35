#include "runtime/core/services.h"

#include <windows.h>

#include <cstring>

#include "runtime/core/error_report.h"
#include "runtime/core/error_texts.h"
#include "runtime/core/memory.h"
#include "runtime/core/runtime_app.h"
#include "runtime/image/event_dispatch.h"
#include "runtime/image/property_access.h"
#include "runtime/image/window_store.h"

namespace {

// Truncates toward zero; values beyond the integer's range give its nearest limit, NaN gives 0.
int32_t TruncateToInteger(double value)
{
    if (!(value == value))
        return 0;
    if (value >= 2147483647.0)
        return 2147483647;
    if (value <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int32_t>(value);
}

// --- Internal routines (service 12) -------------------------------------------------------------

// Walks a file search: a pattern starts a new one, an empty pattern continues the one in
// *handle. With the filter flag set, only entries sharing an attribute bit with the filter count.
char* FindNextFileRoutine(const char* pattern, uint32_t attributes, int32_t filter, HANDLE* handle)
{
    WIN32_FIND_DATAA found;
    bool have = false;
    if (pattern && *pattern) {
        if (*handle)
            FindClose(*handle);
        *handle = FindFirstFileA(pattern, &found);
        if (*handle == INVALID_HANDLE_VALUE)
            *handle = nullptr;
        have = *handle != nullptr;
    } else if (*handle) {
        have = FindNextFileA(*handle, &found) != 0;
    }
    for (; have; have = FindNextFileA(*handle, &found) != 0) {
        const bool dots = !std::strcmp(found.cFileName, ".") || !std::strcmp(found.cFileName, "..");
        if (dots || (filter && !(found.dwFileAttributes & attributes)))
            continue;
        const size_t length = std::strlen(found.cFileName);
        char* name = static_cast<char*>(AllocMemory(static_cast<int32_t>(length + 1)));
        std::memcpy(name, found.cFileName, length + 1);
        return name;
    }
    if (*handle)
        FindClose(*handle);
    *handle = nullptr;
    return nullptr;
}

void CloseSearchRoutine(HANDLE handle)
{
    if (handle)
        FindClose(handle);
}

// An array block: dimension count, one size per dimension, then the elements. A constant array
// is copied out before anyone writes to it. A header that does not lie wholly inside the area,
// or sizes whose product does not fit a block, leave the array where it is.
void MakeArrayWritableRoutine(int32_t elementSize, void** array)
{
    if (!array || !InConstantArea(*array) || elementSize < 0)
        return;
    const char* start = static_cast<const char*>(*array);
    const uint64_t available = static_cast<uint64_t>(Runtime().constantEnd - start);
    uint32_t dimensions = 0;
    if (available < 4)
        return;
    std::memcpy(&dimensions, start, 4);
    if (dimensions >= 64 || available < 4 + 4 * uint64_t{dimensions})
        return;
    constexpr uint64_t kLargest = 0x7FFFFFFF;
    uint64_t elements = 1;
    for (uint32_t d = 0; d < dimensions; ++d) {
        uint32_t size;
        std::memcpy(&size, start + 4 + 4 * d, 4);
        elements *= size;  // both factors below 2^32: no wrap
        if (elements > kLargest)
            return;
    }
    const uint64_t total = 4 + 4 * uint64_t{dimensions} + elements * static_cast<uint64_t>(elementSize);
    if (total > kLargest)
        return;
    void* copy = AllocMemory(static_cast<int32_t>(total));
    std::memcpy(copy, start, static_cast<size_t>(total < available ? total : available));
    *array = copy;
}

void RegisterExitRoutineRoutine(void (*routine)()) { Runtime().RegisterExitRoutine(routine); }

uint64_t ReadPropertyByReference(uint32_t typeId, uint32_t object, int32_t number, int32_t part)
{
    return ReadPropertyOfObject(typeId, object, number, part);
}

void WritePropertyByReference(uint32_t typeId, uint32_t object, int32_t number, int32_t part, uint32_t value,
                              uint32_t second)
{
    WritePropertyOfObject(typeId, object, number, part, value, second);
}

void RuntimeInitRoutine() { Runtime().RuntimeInit(); }

// --- RuntimeCallback requests ------------------------------------------------------------------

uint32_t DefaultIconsRequest(uint32_t words, uint32_t)
{
    HICON* icons = reinterpret_cast<HICON*>(static_cast<uintptr_t>(words));
    Runtime().DefaultIcons(&icons[0], &icons[1]);
    return 0;
}

uint32_t RegisterIdleRequest(uint32_t triple, uint32_t)
{
    const uint32_t* words = reinterpret_cast<const uint32_t*>(static_cast<uintptr_t>(triple));
    Runtime().RegisterIdleCallback(reinterpret_cast<HWND>(static_cast<uintptr_t>(words[0])),
                                   reinterpret_cast<void (*)(uint32_t)>(static_cast<uintptr_t>(words[1])),
                                   words[2]);
    return 0;
}

uint32_t UnregisterIdleRequest(uint32_t window, uint32_t)
{
    Runtime().UnregisterIdleCallback(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)));
    return 0;
}

uint32_t ToIntegerRequest(uint32_t argument, uint32_t)
{
    const CmdArg& arg = *reinterpret_cast<const CmdArg*>(static_cast<uintptr_t>(argument));
    switch (arg.tag) {
    case kTagByte:    return arg.value & 0xFF;
    case kTagShort:   return static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(arg.value)));
    case kTagInteger: return arg.value;
    case kTagLong:    return arg.value;
    case kTagSingle: {
        float f;
        std::memcpy(&f, &arg.value, 4);
        return static_cast<uint32_t>(TruncateToInteger(f));
    }
    case kTagDouble: {
        double d;
        const uint32_t halves[2] = {arg.value, arg.second};
        std::memcpy(&d, halves, 8);
        return static_cast<uint32_t>(TruncateToInteger(d));
    }
    default:
        ReportRuntimeError(kTextNotNumeric, 0);
    }
}

uint32_t FindLiveObjectOrFailRequest(uint32_t windowId, uint32_t unitId)
{
    const uint32_t object = FindLiveObjectRequest(windowId, unitId);
    if (!object)
        ReportRuntimeError(kTextWindowOrUnitNotLoaded, 0);
    return object;
}

// Dispatches every waiting message, stopping before a quit message, which belongs to the loop.
void DispatchWaiting()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        if (!Runtime().PumpMessage())
            break;
    }
}

uint32_t BlockEventsRequest(uint32_t, uint32_t)
{
    DispatchWaiting();
    ++Runtime().eventSuppressionCount;
    return 0;
}

uint32_t UnblockEventsRequest(uint32_t, uint32_t)
{
    DispatchWaiting();
    if (Runtime().eventSuppressionCount > 0)
        --Runtime().eventSuppressionCount;
    return 0;
}

uint32_t AllocateRequest(uint32_t size, uint32_t mode)
{
    void* p = mode == 0 ? AllocMemory(static_cast<int32_t>(size)) : PlainAlloc(static_cast<int32_t>(size));
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

uint32_t FreeRequest(uint32_t block, uint32_t)
{
    FreeMemory(reinterpret_cast<void*>(static_cast<uintptr_t>(block)));
    return 0;
}

uint32_t ReallocateRequest(uint32_t block, uint32_t size)
{
    void* p = ReallocMemory(reinterpret_cast<void*>(static_cast<uintptr_t>(block)), static_cast<int32_t>(size));
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

uint32_t EndProgramRequest(uint32_t code, uint32_t)
{
    Runtime().EndProgram(static_cast<int32_t>(code));
}

struct CallbackRequest {
    int32_t code;
    uint32_t (*handler)(uint32_t word1, uint32_t word2);
};

const CallbackRequest kCallbackRequests[] = {
    {1000, DefaultIconsRequest},          // the shared default icons
    {1001, WindowListRequest},            // the program's window list
    {1002, UnitTypeRequest},              // the unit type of a type id
    {1012, RegisterIdleRequest},          // register an idle callback
    {1013, UnregisterIdleRequest},        // unregister an idle callback
    {2000, UnitDestroyedRequest},         // a unit's window is gone
    {2001, ToIntegerRequest},             // a numeric argument as an integer
    {2005, LoadWindowRequest},            // load a window
    {2006, FindLiveObjectRequest},        // the live object of a window or unit, or 0
    {2007, FindLiveObjectOrFailRequest},  // the same, missing is fatal
    {2008, RaiseEventRequest},            // raise an event
    {2009, BlockEventsRequest},           // hold unit events back
    {2010, UnblockEventsRequest},         // let them through again
    {2017, EventSourceRequest},           // which window and unit raised the running event
    {2024, AllocateRequest},              // allocate (mode 0 fatal on failure, else may be null)
    {2025, FreeRequest},                  // free
    {2026, ReallocateRequest},            // reallocate
    {2028, EndProgramRequest},            // end the program
    {2031, RaiseEventTypedRequest},       // raise an event with typed arguments
};

}  // namespace

extern "C" {

const void* const InternalRoutineTable[kInternalRoutineCount] = {
    reinterpret_cast<const void*>(&FindNextFileRoutine),        // 0 find next file
    reinterpret_cast<const void*>(&CloseSearchRoutine),         // 1 close a search
    reinterpret_cast<const void*>(&MakeArrayWritableRoutine),   // 2 copy a constant array out
    reinterpret_cast<const void*>(&RegisterExitRoutineRoutine), // 3 register an exit routine
    reinterpret_cast<const void*>(&ReadPropertyByReference),    // 4 read a property by reference
    reinterpret_cast<const void*>(&WritePropertyByReference),   // 5 write a property by reference
    reinterpret_cast<const void*>(&RuntimeInitRoutine),         // 6 initialise the runtime
};

uint32_t RuntimeCallback(int32_t code, uint32_t word1, uint32_t word2)
{
    for (const CallbackRequest& request : kCallbackRequests) {
        if (request.code == code)
            return request.handler(word1, word2);
    }
    return 0;
}

CmdResult LibraryCallDispatchWithIndex(CommandEntry entry, int32_t, int32_t count, CmdArg* args)
{
    CmdResult result = {0, 0, 0};
    entry(&result, count, args);
    return result;
}

CmdResult LibraryCallDispatch(CommandEntry entry, int32_t count, CmdArg* args)
{
    return LibraryCallDispatchWithIndex(entry, 0, count, args);
}

void ReportBadInternalRoutine(int32_t index)
{
    ReportRuntimeError(nullptr, index);
}

uint64_t ReadPropertyService(uint32_t windowId, uint32_t unitId, int32_t number, int32_t part)
{
    return ReadProperty(windowId, unitId, number, part);
}

void WritePropertyService(uint32_t windowId, uint32_t unitId, int32_t number, int32_t part, uint32_t value,
                          uint32_t second)
{
    WriteProperty(windowId, unitId, number, part, value, second);
}

void EndProgramService(int32_t exitCode) { Runtime().EndProgram(exitCode); }

void RunMessageLoopService() { Runtime().RunMessageLoop(); }

void LoadStartupWindowService(uint32_t windowId)
{
    WindowObject* window = FindWindowObject(windowId);
    if (!window || !LoadWindow(window, false, nullptr))
        ReportRuntimeError(kTextLoadStartupWindowFailed, 0);
}

// The fourteenth entry: a statically built program has no external packages to call into.
static void ExternalPackageCall() { ReportRuntimeError(kTextExternalPackageCall, 0); }

const void* const RuntimeServiceTable[kRuntimeServiceCount] = {
    reinterpret_cast<const void*>(&ReportErrorCode),               // 0 report an error code
    reinterpret_cast<const void*>(&Service1Entry),                 // 1 call a declared DLL command
    reinterpret_cast<const void*>(&LibraryCallDispatchWithIndex),  // 2 call a library command
    reinterpret_cast<const void*>(&LibraryCallDispatch),           // 3 call a core-library command
    reinterpret_cast<const void*>(&ReadPropertyService),           // 4 read a property
    reinterpret_cast<const void*>(&WritePropertyService),          // 5 write a property
    reinterpret_cast<const void*>(&AllocMemory),                   // 6 allocate
    reinterpret_cast<const void*>(&ReallocMemory),                 // 7 reallocate
    reinterpret_cast<const void*>(&FreeMemory),                    // 8 free
    reinterpret_cast<const void*>(&EndProgramService),             // 9 end the program
    reinterpret_cast<const void*>(&RunMessageLoopService),         // 10 run the message loop
    reinterpret_cast<const void*>(&LoadStartupWindowService),      // 11 load the startup window
    reinterpret_cast<const void*>(&Service12Entry),                // 12 call an internal routine
    reinterpret_cast<const void*>(&ExternalPackageCall),           // 13 call into an external package
};

}  // extern "C"
