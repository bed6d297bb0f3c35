// formc: the form compiler, run on the build machine.
//
//   formc compile FORM [--symbol NAME] [--cpp FILE] [--asm FILE] [--handlers FILE] [--bin FILE]
//       FORM (the form source) to the form block as C++ (NAME[] and NAMESize), the handler area
//       as assembler, the handler list (names in slot order) and the raw block.
//       With --image FILE also the rest of a program's image around the block (C++).
//   formc print BLOCK [--handlers FILE] [-o FILE]
//       A raw form block back to form source; with the handler list, bindings show names.
//
// Exit code 0 on success, 1 on a bad form or block (message on stderr), 2 on bad usage.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/formc/form_output.h"
#include "tools/formc/form_text.h"

namespace {

bool ReadFile(const std::string& path, std::string* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

int Usage() {
    std::cerr << "usage: formc compile FORM [--symbol NAME] [--cpp FILE] [--asm FILE] [--handlers FILE] [--bin FILE]\n"
                 "                    [--image FILE]\n"
                 "       formc print BLOCK [--handlers FILE] [-o FILE]\n";
    return 2;
}

// Options after the input: each "--name value".
bool Options(int argc, char** argv, std::map<std::string, std::string>* options) {
    for (int i = 3; i < argc; i += 2) {
        if (i + 1 >= argc || argv[i][0] != '-')
            return false;
        (*options)[argv[i]] = argv[i + 1];
    }
    return true;
}

int Fail(const std::string& what) {
    std::cerr << "formc: " << what << "\n";
    return 1;
}

std::string Option(const std::map<std::string, std::string>& options, const char* name) {
    auto it = options.find(name);
    return it == options.end() ? std::string() : it->second;
}

int Compile(const std::string& input, const std::map<std::string, std::string>& options) {
    std::string text, error;
    if (!ReadFile(input, &text))
        return Fail("cannot read " + input);
    CompiledForm form;
    const size_t slash = input.find_last_of('/');
    const std::string baseDir = slash == std::string::npos ? std::string() : input.substr(0, slash == 0 ? 1 : slash);
    if (!CompileFormText(text, &form, &error, baseDir))
        return Fail(input + ": " + error);
    std::string symbol = Option(options, "--symbol");
    if (symbol.empty())
        symbol = "FormBlock";
    if (!IsCSymbol(symbol))
        return Fail("'" + symbol + "' is not a C symbol");
    std::string path;
    if (!(path = Option(options, "--cpp")).empty() && !WriteFile(path, FormBlockCpp(form.block, symbol, input)))
        return Fail("cannot write " + path);
    if (!(path = Option(options, "--asm")).empty() && !WriteFile(path, HandlerAreaAsm(form.handlers, input)))
        return Fail("cannot write " + path);
    if (!(path = Option(options, "--handlers")).empty() && !WriteFile(path, HandlerListText(form.handlers)))
        return Fail("cannot write " + path);
    if (!(path = Option(options, "--image")).empty() && !WriteFile(path, ProgramImageCpp(form, symbol, input)))
        return Fail("cannot write " + path);
    if (!(path = Option(options, "--bin")).empty() &&
        !WriteFile(path, std::string(form.block.begin(), form.block.end())))
        return Fail("cannot write " + path);
    return 0;
}

int Print(const std::string& input, const std::map<std::string, std::string>& options) {
    std::string block, error, text;
    if (!ReadFile(input, &block))
        return Fail("cannot read " + input);
    std::vector<HandlerSlot> handlers;
    std::string listPath = Option(options, "--handlers");
    if (!listPath.empty()) {
        std::string list;
        if (!ReadFile(listPath, &list))
            return Fail("cannot read " + listPath);
        if (!ParseHandlerList(list, &handlers, &error))
            return Fail(listPath + ": " + error);
    }
    if (!PrintFormBlock(reinterpret_cast<const uint8_t*>(block.data()), block.size(),
                        listPath.empty() ? nullptr : &handlers, &text, &error))
        return Fail(input + ": " + error);
    std::string out = Option(options, "-o");
    if (out.empty()) {
        std::cout << text;
        return std::cout ? 0 : 1;
    }
    return WriteFile(out, text) ? 0 : Fail("cannot write " + out);
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> options;
    if (argc < 3 || !Options(argc, argv, &options))
        return Usage();
    std::string command = argv[1];
    if (command == "compile")
        return Compile(argv[2], options);
    if (command == "print")
        return Print(argv[2], options);
    return Usage();
}
