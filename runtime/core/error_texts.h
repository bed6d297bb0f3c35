// The texts of the runtime's fatal error report: the messages of the eleven error codes that
// compiled code raises, the report's layout, the out-of-memory text and the fixed messages of the
// other fatal conditions. All texts are GBK, the code page the report is shown in.
#pragma once

#include <cstdint>
#include <string>

constexpr int kErrorCodeCount = 11;  // codes 1 to 11

// The message of an error code, or null for a code outside 1..11.
const char* ErrorCodeMessage(int code);

// The text of the report box: the header, the code line when the code is not 0 and the message
// line when the message is neither null nor empty.
std::string BuildRuntimeErrorText(const char* message, int code);

// The message reported when the heap refuses a block of `size` bytes.
std::string OutOfMemoryText(int32_t size);

// The message for a declared DLL command whose entry cannot be found; the file name is left out
// when it is null or empty (a command looked up in the system libraries).
std::string FormatDllEntryError(const char* file, const char* entry);

// Fixed messages of fatal conditions, all reported with code 0.
extern const char kTextLoadFormFailed[];              // reading the window templates at start-up
extern const char kTextLoadStartupWindowFailed[];     // the startup window could not be created
extern const char kTextDllEntryNotFound[];            // %s: entry (no library file name)
extern const char kTextDllFileEntryNotFound[];        // %s: library file, %s: entry
extern const char kTextWindowOrUnitNotLoaded[];       // a window or unit looked up does not exist
extern const char kTextNotNumeric[];                  // numeric conversion of a non-number
extern const char kTextUnitWindowNotLoaded[];         // property access, window not in the list
extern const char kTextWindowNotLoaded[];             // property access, window not yet created
extern const char kTextEventWindowNotFound[];         // event from a window not in the list
extern const char kTextEventUnitNotFound[];           // event from a unit the window lacks
extern const char kTextEventUnitInvalid[];            // event from an invalid unit
