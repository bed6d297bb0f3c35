// A small GUI program for the MsgBox command's end-to-end tests. It shows a top-level window
// of its own ("MsgBoxProbeMain"), calls the MsgBox command from the core library's command
// table with the arguments its command line asks for, and ends with the command's answer.
//   msg=int:N | byte:N | short:N | long:N | single:F | double:F | bool:N | date:F
//       | text:HEX (the text's bytes in hexadecimal) | nulltext | other | omit
//   style=N           the style word (decimal or 0x...); absent: omitted
//   caption=HEX | caption=empty                          absent: omitted
//   owner=ref | owner=missing | owner=handle             absent: omitted
// A bad command line ends with 99 without showing anything.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/commands/libraries.h"
#include "runtime/framework/wnd.h"
#include "tests/commands/command_harness.h"

namespace {

constexpr uint32_t kMainWindowId = 0x52010001;     // answered by request 2006
constexpr uint32_t kMissingWindowId = 0x52010002;  // not loaded: request 2006 answers 0
constexpr int kBadCommandLine = 99;

std::string Narrow(const wchar_t* wide)
{
    char text[1024] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
    return text;
}

bool FromHex(const std::string& hex, std::string* bytes)
{
    if (hex.size() % 2 != 0)
        return false;
    for (size_t i = 0; i < hex.size(); i += 2)
        bytes->push_back(static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    return true;
}

CmdArg Bits64(uint64_t bits, uint32_t tag)
{
    return CmdArg{static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32), tag};
}

// The message record; `text` keeps a text argument's bytes alive.
bool MessageArg(const std::string& spec, std::string* text, CmdArg* arg)
{
    const size_t colon = spec.find(':');
    const std::string kind = spec.substr(0, colon);
    const std::string payload = colon == std::string::npos ? "" : spec.substr(colon + 1);
    const char* p = payload.c_str();
    if (kind == "int")    { *arg = {static_cast<uint32_t>(std::strtol(p, nullptr, 0)), 0, kTagInteger}; return true; }
    if (kind == "byte")   { *arg = {static_cast<uint32_t>(std::strtoul(p, nullptr, 0)), 0, kTagByte}; return true; }
    if (kind == "short")  { *arg = {static_cast<uint32_t>(std::strtoul(p, nullptr, 0)), 0, kTagShort}; return true; }
    if (kind == "long")   { *arg = Bits64(static_cast<uint64_t>(std::strtoll(p, nullptr, 0)), kTagLong); return true; }
    if (kind == "bool")   { *arg = {static_cast<uint32_t>(std::strtoul(p, nullptr, 0)), 0, kTagLogical}; return true; }
    if (kind == "double") { *arg = harness::DoubleArg(std::strtod(p, nullptr), kTagDouble); return true; }
    if (kind == "date")   { *arg = harness::DoubleArg(std::strtod(p, nullptr), kTagDateTime); return true; }
    if (kind == "single") {
        const float f = std::strtof(p, nullptr);
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof(bits));
        *arg = {bits, 0, kTagSingle};
        return true;
    }
    if (kind == "text" && FromHex(payload, text)) { *arg = harness::TextArg(text->c_str()); return true; }
    if (kind == "nulltext") { *arg = harness::TextArg(nullptr); return true; }
    if (kind == "other")    { *arg = {12345, 0, 0x40000001}; return true; }  // a library-defined type
    if (kind == "omit")     { *arg = harness::Omitted(); return true; }
    return false;
}

struct Request {
    std::string message, caption;
    std::vector<CmdArg> args = std::vector<CmdArg>(4, CmdArg{0, 0, 0});
};

bool ParseArgument(const std::string& argument, HWND main, Request* request)
{
    const size_t equals = argument.find('=');
    if (equals == std::string::npos)
        return false;
    const std::string name = argument.substr(0, equals), value = argument.substr(equals + 1);
    if (name == "msg")
        return MessageArg(value, &request->message, &request->args[0]);
    if (name == "style") {
        request->args[1] = harness::IntegerArg(static_cast<int32_t>(std::strtoul(value.c_str(), nullptr, 0)));
        return true;
    }
    if (name == "caption") {
        if (value != "empty" && !FromHex(value, &request->caption))
            return false;
        request->args[2] = harness::TextArg(request->caption.c_str());
        return true;
    }
    if (name == "owner") {
        const uint32_t handle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(main));
        if (value == "ref")          request->args[3] = CmdArg{kMainWindowId, 0, kTagWindowRef};
        else if (value == "missing") request->args[3] = CmdArg{kMissingWindowId, 0, kTagWindowRef};
        else if (value == "handle")  request->args[3] = harness::IntegerArg(static_cast<int32_t>(handle));
        else                         return false;
        return true;
    }
    return false;
}

HWND CreateMainWindow(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "MsgBoxProbeMain";
    RegisterClassA(&wc);
    HWND main = CreateWindowExA(0, "MsgBoxProbeMain", "命令探针", WS_OVERLAPPEDWINDOW, 40, 40, 300,
                                150, nullptr, nullptr, instance, nullptr);
    ShowWindow(main, SW_SHOW);
    return main;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HWND main = CreateMainWindow(instance);
    CWnd mainObject;  // the window's unit object, as request 2006 answers it
    mainObject.Attach(main);
    harness::StartLibraries();
    harness::SetFakeWindow(kMainWindowId, &mainObject);

    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Request request;
    for (int i = 1; i < argc; ++i) {
        if (!ParseArgument(Narrow(argv[i]), main, &request))
            return kBadCommandLine;
    }
    LocalFree(argv);

    const CmdResult result = harness::Call(kCoreLibrary, kCoreMsgBox, request.args);
    mainObject.Detach();
    // The window goes with the process: hiding a shown window first costs a wait for a window
    // manager the test display does not have.
    return static_cast<int>(result.value);
}
