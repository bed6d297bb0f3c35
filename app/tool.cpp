// Tavori: the start routine and the four handlers of the frame-limit tool. They reach the
// runtime only as compiled code does: through the service table of the image, the command call
// frame and the text routines compiled into the program. Every text they receive is freed right
// after its last use; constant texts are never freed.
#include <cstdint>

#include "runtime/commands/libraries.h"
#include "runtime/core/cmd_frame.h"
#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"
#include "runtime/core/program_support.h"
#include "runtime/core/services.h"

extern "C" const uint8_t MainForm[];
extern "C" const uint32_t MainFormSize;
extern "C" const uint8_t HandlerArea[];

namespace {

constexpr uint32_t kMainWindow = 0x52010001;
constexpr uint32_t kGameFolderBox = 0x16010003;
constexpr uint32_t kQqBox = 0x16010036;
constexpr uint32_t kFrameBox = 0x16010037;
constexpr uint32_t kValueLabel = 0x16010046;
constexpr int32_t kContent = 8;  // an edit box's content, a label's caption

constexpr int32_t kDocumentsFolder = 1;
constexpr uint32_t kStopIcon = 0x10;

// The constant area: zero-terminated GBK texts, in this order, right behind the service table.
struct ToolConstants {
    char gameFolder[sizeof("QQ飞车\\")];
    char configFile[sizeof("\\配置\\config.ini")];
    char empty[1];
    char frameLimit[sizeof("Framelimit")];
    char settings[sizeof("Settings")];
    char outdoorFrameLimit[sizeof("OutdoorFramelimit")];
    char done[sizeof("修改完成")];
    char noSuchAccount[sizeof("当前QQ号为空或输入错误，请确认QQ号后重试")];
    char makerAddress[sizeof("https://tavori.example")];
    char enterQq[sizeof("请输入正确QQ")];
};

struct ToolData {
    const void* services[kServiceCount];
    ToolConstants constants;
};

// The four support libraries, in the order the command calls name them.
enum Library : int32_t { kCore = 0, kExtendedInterface = 1, kSystemInterface = 2, kApplicationInterface = 3 };

}  // namespace

extern "C" {

const ToolData ToolDataBlock = {
    TAVORI_RUNTIME_SERVICES,
    {"QQ飞车\\", "\\配置\\config.ini", "", "Framelimit", "Settings", "OutdoorFramelimit", "修改完成",
     "当前QQ号为空或输入错误，请确认QQ号后重试", "https://tavori.example", "请输入正确QQ"},
};
const void* const* const ProgramServices = ToolDataBlock.services;

const LibraryRecord* const ToolLibraries[] = {
    &kCoreLibrary, &kExtendedInterfaceLibrary, &kSystemInterfaceLibrary, &kApplicationInterfaceLibrary,
};

const ImageHeader ProgramImageHeader = {
    3,  // a release build
    0,
    0x1004E,
    static_cast<uint32_t>(reinterpret_cast<uintptr_t>(HandlerArea)) + 4,
    reinterpret_cast<const char*>(&ToolDataBlock.constants),
    sizeof(ToolConstants),
    MainForm,
    static_cast<int32_t>(MainFormSize),
    4,
    ToolLibraries,
    0,
    nullptr,
    nullptr,
};

}  // extern "C"

namespace {

const ToolConstants& Text() { return ToolDataBlock.constants; }

uint32_t Word(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }
char* AsText(uint64_t value) { return reinterpret_cast<char*>(static_cast<uintptr_t>(static_cast<uint32_t>(value))); }

void Free(char* text)
{
    if (text)
        program::FreeMemory(text);
}

char* ReadContent(uint32_t unit) { return AsText(program::ReadProperty(kMainWindow, unit, kContent)); }
void WriteContent(uint32_t unit, const char* text) { program::WriteProperty(kMainWindow, unit, kContent, Word(text)); }

// A text argument; a null text travels as the constant empty text.
CmdArg TextArg(const char* text) { return {Word(text ? text : Text().empty), 0, kTagText}; }
CmdArg IntegerArg(int32_t value) { return {static_cast<uint32_t>(value), 0, kTagInteger}; }

CmdResult CallCommand(int32_t library, int32_t command, int32_t count, CmdArg* args)
{
    const CommandEntry entry = ToolLibraries[library]->commands[command];
    if (library == kCore)
        return program::CallCoreCommand(entry, count, args);
    return program::CallLibraryCommand(entry, library, count, args);
}

// The account's settings file: the game folder, the QQ number, "\配置\config.ini".
char* BuildConfigPath()
{
    char* folder = ReadContent(kGameFolderBox);
    char* qq = ReadContent(kQqBox);
    char* path = TextJoin(3, folder, qq, Text().configFile);
    Free(folder);
    Free(qq);
    return path;
}

bool SettingsFileExists()
{
    char* path = BuildConfigPath();
    CmdArg args[1] = {TextArg(path)};
    const CmdResult exists = CallCommand(kCore, kCoreFileExists, 1, args);
    Free(path);
    return exists.value != 0;
}

void WriteFrameValue(const char* key)
{
    char* path = BuildConfigPath();
    char* frame = ReadContent(kFrameBox);
    CmdArg args[4] = {TextArg(path), TextArg(Text().settings), TextArg(key), TextArg(frame)};
    CallCommand(kCore, kCoreWriteConfigItem, 4, args);
    Free(path);
    Free(frame);
}

void ShowMessage(const char* text, uint32_t style)
{
    CmdArg args[4] = {TextArg(text), IntegerArg(static_cast<int32_t>(style))};
    PushOmittedArgs(args + 2, 2 * kWordsPerArg);  // caption and owner
    CallCommand(kCore, kCoreMsgBox, 4, args);
}

bool QqIsEmpty()
{
    char* qq = ReadContent(kQqBox);
    const bool empty = TextCompare(qq, Text().empty) == 0;
    Free(qq);
    return empty;
}

void NoGlobals() {}

}  // namespace

extern "C" {

// The main window exists: the game folder is the documents folder followed by "QQ飞车\".
void SetGameFolder()
{
    CmdArg args[1] = {IntegerArg(kDocumentsFolder)};
    char* documents = AsText(CallCommand(kSystemInterface, kSystemGetSpecialFolder, 1, args).value);
    char* folder = TextJoin(2, documents, Text().gameFolder);
    Free(documents);
    WriteContent(kGameFolderBox, folder);
    Free(folder);
}

// "修改帧数": both keys get the frame value as typed, when the account's file exists.
void ApplyFrameLimit()
{
    if (SettingsFileExists()) {
        WriteFrameValue(Text().frameLimit);
        WriteFrameValue(Text().outdoorFrameLimit);
        ShowMessage(Text().done, 0);
    }
    if (!SettingsFileExists())
        ShowMessage(Text().noSuchAccount, kStopIcon);
}

// "当前帧数": the stored value, or a prompt when no QQ number was typed.
void ShowCurrentFrameLimit()
{
    if (!QqIsEmpty()) {
        char* path = BuildConfigPath();
        CmdArg args[4] = {TextArg(path), TextArg(Text().settings), TextArg(Text().frameLimit)};
        PushOmittedArgs(args + 3, kWordsPerArg);  // no default
        char* value = AsText(CallCommand(kCore, kCoreReadConfigItem, 4, args).value);
        Free(path);
        WriteContent(kValueLabel, value);
        Free(value);
    }
    if (QqIsEmpty())
        WriteContent(kValueLabel, Text().enterQq);
}

// The link label was pressed.
void OpenMakerPage(uint32_t, uint32_t, uint32_t)
{
    CmdArg args[1] = {TextArg(Text().makerAddress)};
    CallCommand(kApplicationInterface, kApplicationOpenWebPage, 1, args);
}

int StartRoutine()
{
    program::RuntimeInit();
    NoGlobals();                              // the tool has no global variables
    program::RegisterExitRoutine(NoGlobals);  // nor anything to release at the end
    program::LoadStartupWindow(kMainWindow);
    program::RunMessageLoop();
    return 0;
}

}  // extern "C"
