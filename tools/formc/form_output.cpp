// Generated sources of the form compiler; see form_output.h.
#include "tools/formc/form_output.h"

#include <cstdio>

#include "runtime/image/handler_area.h"

std::string FormBlockCpp(const std::vector<uint8_t>& block, const std::string& symbol, const std::string& source) {
    std::string out = "// The form block compiled by formc from " + source + ". Generated: do not edit.\n";
    out += "#include <cstdint>\n\n";
    // A block is never empty (its window list's length word is always there); the guard only
    // keeps the array declarable.
    out += "extern \"C\" const uint8_t " + symbol + "[" + std::to_string(block.empty() ? 1 : block.size()) + "] = {";
    for (size_t i = 0; i < block.size(); ++i) {
        char buffer[8];
        std::snprintf(buffer, sizeof(buffer), "0x%02X,", block[i]);
        out += (i % 16 == 0 ? "\n    " : " ");
        out += buffer;
    }
    if (block.empty())
        out += "0";
    out += "\n};\n";
    out += "extern \"C\" const uint32_t " + symbol + "Size = " + std::to_string(block.size()) + ";\n";
    return out;
}

std::string HandlerAreaAsm(const std::vector<HandlerSlot>& handlers, const std::string& source) {
    std::string out =
        "/* The handler area compiled by formc from " + source + ". Generated: do not edit.\n"
        "   Slot i lies at 12*i: a flag word, then a jump to the handler padded to eight bytes.\n"
        "   HandlerBase is _HandlerArea + 4; a binding's handler offset is 12*i. */\n"
        "        .intel_syntax noprefix\n"
        "        .text\n"
        "        .p2align 2\n"
        "        .long   " + std::to_string(kHandlerAreaMagic) + "        /* the area's mark */\n"
        "        .long   " + std::to_string(handlers.size()) + "                /* slot count */\n"
        "        .globl  _HandlerArea\n"
        "_HandlerArea:\n";
    for (size_t i = 0; i < handlers.size(); ++i) {
        const HandlerSlot& h = handlers[i];
        out += "        .long   " + std::to_string(h.producesValue ? kHandlerProducesValue : 0) +
               "                /* slot " + std::to_string(i) + ", offset " + std::to_string(kHandlerSlotSize * i) +
               " */\n";
        out += "        jmp     _" + h.name + "\n";
        out += "        .byte   0x90, 0x90, 0x90\n";
    }
    // Ends the area at a known place, so that a program can check the slot count.
    out += "        .globl  _HandlerAreaEnd\n_HandlerAreaEnd:\n";
    return out;
}

bool IsCSymbol(const std::string& name) { return IsHandlerName(name); }
