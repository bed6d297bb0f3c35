// What the form compiler writes for the build: the form block as a C++ source, the handler area
// as a GNU assembler source (the slot layout of runtime/image/handler_area.h), and names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/formc/form_text.h"

// Defines `extern "C" const uint8_t <symbol>[]` with the block and `<symbol>Size`, its length.
std::string FormBlockCpp(const std::vector<uint8_t>& block, const std::string& symbol, const std::string& source);

// _HandlerArea: per slot a flag word, a jump to _<name> and three padding bytes (12 bytes).
std::string HandlerAreaAsm(const std::vector<HandlerSlot>& handlers, const std::string& source);

// The rest of a program's image for a form whose block is `symbol`: the service table in front
// of a one-byte constant area, the four support libraries, the image header and a start routine
// that opens the form's first window and runs the message loop until the last window closes.
std::string ProgramImageCpp(const CompiledForm& form, const std::string& symbol, const std::string& source);

bool IsCSymbol(const std::string& name);
