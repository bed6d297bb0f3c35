// Finds the entry of a declared DLL command the first time it is called and keeps the module
// and the address until the program ends.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "runtime/core/error_report.h"
#include "runtime/core/error_texts.h"
#include "runtime/core/runtime_app.h"
#include "runtime/core/services.h"

namespace {

// Tried in this order for a command declared without a library file.
const char* const kSystemLibraries[] = {
    "Kernel32.dll", "Gdi32.dll", "User32.dll", "Advapi32.dll", "Mpr.dll", "Shell32.dll",
};

// An entry name "#N" is the ordinal N (its low 16 bits); anything else is a name.
LPCSTR EntryKey(const char* entry)
{
    if (entry[0] == '#')
        return MAKEINTRESOURCEA(std::strtoul(entry + 1, nullptr, 10) & 0xFFFF);
    return entry;
}

FARPROC LookUp(HMODULE module, const char* entry)
{
    return module ? GetProcAddress(module, EntryKey(entry)) : nullptr;
}

HMODULE LoadForFile(const RuntimeApp& app, const std::string& file)
{
    if (file.find(':') != std::string::npos)
        return LoadLibraryA(file.c_str());
    std::string candidates[4];
    int n = 0;
    if (app.extraDllDirectory[0])
        candidates[n++] = std::string(app.extraDllDirectory) + file;
    candidates[n++] = std::string(app.programDirectory) + "\\" + file;
    candidates[n++] = std::string(app.moduleDirectory) + file;
    candidates[n++] = file;  // the system's own search
    for (int i = 0; i < n; ++i) {
        if (HMODULE module = LoadLibraryA(candidates[i].c_str()))
            return module;
    }
    return nullptr;
}

}  // namespace

extern "C" void* ResolveDllCommand(int32_t index)
{
    RuntimeApp& app = Runtime();
    if (index < 0 || index >= app.dllAddresses.Count())
        ReportRuntimeError(FormatDllEntryError(nullptr, "").c_str(), 0);
    if (void* known = app.dllAddresses.PointerAt<void>(index))
        return known;

    const char* file = app.dllFiles.PointerAt<const char>(index);
    const char* entry = app.dllEntries.PointerAt<const char>(index);
    if (!file)
        file = "";
    if (!entry)
        entry = "";

    HMODULE module = nullptr;
    FARPROC address = nullptr;
    if (!*file) {
        for (const char* library : kSystemLibraries) {
            HMODULE candidate = LoadLibraryA(library);
            address = LookUp(candidate, entry);
            if (address) {
                module = candidate;
                break;
            }
            if (candidate)
                FreeLibrary(candidate);
        }
    } else {
        module = LoadForFile(app, file);
        address = LookUp(module, entry);
        if (!address && module) {
            FreeLibrary(module);
            module = nullptr;
        }
    }
    if (!address)
        ReportRuntimeError(FormatDllEntryError(file, entry).c_str(), 0);

    app.dllModules.Set(index, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(module)));
    app.dllAddresses.Set(index, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address)));
    return reinterpret_cast<void*>(address);
}
