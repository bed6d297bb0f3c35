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

bool IsCSymbol(const std::string& name);
