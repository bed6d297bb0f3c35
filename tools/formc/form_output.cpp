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

std::string ProgramImageCpp(const CompiledForm& form, const std::string& symbol, const std::string& source) {
    char serial[16], window[16];
    std::snprintf(serial, sizeof(serial), "0x%X", form.highestSerial);
    std::snprintf(window, sizeof(window), "0x%08X", form.firstWindow);
    return "// The program image for the form " + source + ", written by formc. Generated: do not edit.\n"
           "#include <cstdint>\n\n"
           "#include \"runtime/commands/libraries.h\"\n"
           "#include \"runtime/core/program_calls.h\"\n"
           "#include \"runtime/core/program_image.h\"\n"
           "#include \"runtime/core/services.h\"\n"
           "#include \"include/tavori/program.h\"\n\n"
           "// The handlers' header names the libraries and commands by the positions listed here.\n"
           "static_assert(tavori::detail::kFileExists == kCoreFileExists && tavori::detail::kMsgBox == kCoreMsgBox &&\n"
           "              tavori::detail::kWriteConfigItem == kCoreWriteConfigItem &&\n"
           "              tavori::detail::kReadConfigItem == kCoreReadConfigItem &&\n"
           "              tavori::detail::kGetSpecialFolder == kSystemGetSpecialFolder &&\n"
           "              tavori::detail::kOpenWebPage == kApplicationOpenWebPage, \"command positions\");\n\n"
           "extern \"C\" const uint8_t " + symbol + "[];\n"
           "extern \"C\" const uint32_t " + symbol + "Size;\n"
           "extern \"C\" const uint8_t HandlerArea[];\n\n"
           "namespace {\n"
           "struct ProgramData {\n"
           "    const void* services[kServiceCount];\n"
           "    char constants[1];\n"
           "};\n"
           "}  // namespace\n\n"
           "extern \"C\" {\n"
           "const ProgramData ProgramDataBlock = {TAVORI_RUNTIME_SERVICES, {0}};\n"
           "const void* const* const ProgramServices = ProgramDataBlock.services;\n"
           "// In the order of tavori::detail::Library.\n"
           "const LibraryRecord* const ProgramLibraries[] = {\n"
           "    &kCoreLibrary, &kExtendedInterfaceLibrary, &kSystemInterfaceLibrary, &kApplicationInterfaceLibrary,\n"
           "};\n"
           "const ImageHeader ProgramImageHeader = {\n"
           "    3, 0, " + serial + ", static_cast<uint32_t>(reinterpret_cast<uintptr_t>(HandlerArea)) + 4,\n"
           "    ProgramDataBlock.constants, 1, " + symbol + ", static_cast<int32_t>(" + symbol + "Size),\n"
           "    4, ProgramLibraries, 0, nullptr, nullptr,\n"
           "};\n\n"
           "int StartRoutine()\n"
           "{\n"
           "    program::RuntimeInit();\n"
           "    program::LoadStartupWindow(" + window + ");\n"
           "    program::RunMessageLoop();\n"
           "    return 0;\n"
           "}\n"
           "}  // extern \"C\"\n";
}

bool IsCSymbol(const std::string& name) { return IsHandlerName(name); }
