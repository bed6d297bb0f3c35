// The runtime's one way of failing: a message box, then the end of the program with -1.
#pragma once

#include <cstdint>

[[noreturn]] void ReportRuntimeError(const char* message, int32_t code);

extern const char kTextErrorCaption[];               // caption of the error box
extern const char kTextNoSuchProperty[];             // a property number the unit type lacks
extern const char kTextExternalPackageCall[];        // a static program calling an external package

extern "C" {
// Service 0: the fatal error of compiled code with one of the eleven error codes.
[[noreturn]] void ReportErrorCode(int32_t code);
}
