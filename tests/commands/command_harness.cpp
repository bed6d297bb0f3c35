// The test RuntimeCallback and the command call frame as compiled code builds it.
#include "tests/commands/command_harness.h"

#include <cstring>
#include <map>
#include <set>

#include "runtime/commands/libraries.h"

namespace harness {

namespace {

std::map<uint32_t, CWnd*>& FakeWindows()
{
    static std::map<uint32_t, CWnd*> windows;
    return windows;
}

std::set<void*>& Blocks()
{
    static std::set<void*> blocks;
    return blocks;
}

std::vector<int32_t>& Requests()
{
    static std::vector<int32_t> requests;
    return requests;
}

}  // namespace

uint32_t TestCallback(int32_t code, uint32_t word1, uint32_t)
{
    Requests().push_back(code);
    if (code == 2024) {
        void* block = HeapAlloc(GetProcessHeap(), 0, word1);
        Blocks().insert(block);
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block));
    }
    if (code == 2006) {
        auto it = FakeWindows().find(word1);
        return it == FakeWindows().end() ? 0 : static_cast<uint32_t>(reinterpret_cast<uintptr_t>(it->second));
    }
    return 0;
}

void StartLibraries()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    const uint32_t callback = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&TestCallback));
    for (const LibraryRecord* library : {&kCoreLibrary, &kExtendedInterfaceLibrary,
                                         &kSystemInterfaceLibrary, &kApplicationInterfaceLibrary})
        library->notify(kLibraryStart, callback, 0);
}

void SetFakeWindow(uint32_t windowId, CWnd* object)
{
    if (object)
        FakeWindows()[windowId] = object;
    else
        FakeWindows().erase(windowId);
}

int OutstandingBlocks() { return static_cast<int>(Blocks().size()); }
std::vector<int32_t> RequestCodes() { return Requests(); }

CmdArg TextArg(const char* text)
{
    return CmdArg{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(text)), 0, kTagText};
}

CmdArg IntegerArg(int32_t value) { return CmdArg{static_cast<uint32_t>(value), 0, kTagInteger}; }

CmdArg DoubleArg(double value, uint32_t tag)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return CmdArg{static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32), tag};
}

CmdArg Omitted() { return CmdArg{0, 0, 0}; }

CmdResult Call(const LibraryRecord& library, int32_t command, std::vector<CmdArg> args)
{
    StartLibraries();
    // As the dispatch entry does: a zeroed result, then the entry from the command table.
    CmdResult result{0, 0, 0};
    library.commands[command](&result, static_cast<int32_t>(args.size()), args.data());
    return result;
}

ResultText TakeText(const CmdResult& result)
{
    ResultText taken;
    void* block = reinterpret_cast<void*>(static_cast<uintptr_t>(result.value));
    if (!block)
        return taken;
    taken.wasNull = false;
    taken.text = static_cast<const char*>(block);
    taken.fromCallback = Blocks().erase(block) == 1;
    if (taken.fromCallback) {
        taken.blockSize = HeapSize(GetProcessHeap(), 0, block);
        HeapFree(GetProcessHeap(), 0, block);
    }
    return taken;
}

}  // namespace harness
