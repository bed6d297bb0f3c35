// Handlers of a program built with tavori_program: reading and writing unit properties, the
// library commands with ordinary C++ arguments, and the end of the program. Everything here goes
// through the program's own service table and the command call frame, as compiled code does;
// nothing calls the runtime by name. Texts are GBK, as the program's sources are compiled.
//
// Handlers stay extern "C" functions named in the form:
//     extern "C" void SayHello()
//     {
//         tavori::Unit name{0x52010001, 0x16010002};
//         tavori::MessageBox("Hello, " + tavori::GetText(name, tavori::kEditContent).str());
//     }
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/cmd_frame.h"
#include "runtime/core/program_calls.h"
#include "runtime/core/program_image.h"

namespace tavori {

// A text the runtime handed out; freed when its owner goes. Null is the empty text.
class Text {
public:
    Text() = default;
    explicit Text(char* owned) : text_(owned) {}
    Text(Text&& other) noexcept : text_(other.text_) { other.text_ = nullptr; }
    Text& operator=(Text&& other) noexcept
    {
        if (this != &other) {
            Reset();
            text_ = other.text_;
            other.text_ = nullptr;
        }
        return *this;
    }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    ~Text() { Reset(); }

    const char* c_str() const { return text_ ? text_ : ""; }
    std::string str() const { return c_str(); }
    bool empty() const { return !text_ || !*text_; }
    // Gives the text up: the caller frees it with program::FreeMemory.
    char* release()
    {
        char* text = text_;
        text_ = nullptr;
        return text;
    }

private:
    void Reset()
    {
        if (text_)
            program::FreeMemory(text_);
        text_ = nullptr;
    }
    char* text_ = nullptr;
};

// A unit of one of the program's windows, by the identifiers in the form; unit 0 (or the window
// unit's own identifier) is the window itself. Menu items are addressed the same way.
struct Unit {
    uint32_t window;
    uint32_t unit = 0;
};

// Property numbers. Every unit kind starts with the eight common ones.
enum Property : int32_t {
    kLeft = 0, kTop = 1, kWidth = 2, kHeight = 3, kTag = 4, kVisible = 5, kDisabled = 6, kMousePointer = 7,
    kWindowCaption = 8, kWindowBorder = 9, kWindowBackColour = 10, kWindowPicture = 11,
    kWindowPictureLayout = 12, kWindowSound = 13, kWindowSoundPlaying = 14,
    kEditContent = 8, kEditInputMode = 18, kEditAdjuster = 21,
    kButtonPicture = 8, kButtonCaption = 10,
    kLabelCaption = 8, kLabelTextColour = 11,
    kMenuCaption = 0, kMenuChecked = 1, kMenuDisabled = 2, kMenuVisible = 3,
};

namespace detail {

inline uint32_t Word(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }
template <typename T>
T* Pointer(uint64_t value) { return reinterpret_cast<T*>(static_cast<uintptr_t>(static_cast<uint32_t>(value))); }

// The four support libraries in the order of the image's library list, and the positions of
// their commands in its command tables.
enum Library : int32_t { kCore = 0, kExtendedInterface = 1, kSystemInterface = 2, kApplicationInterface = 3 };
constexpr int32_t kFileExists = 0, kWriteConfigItem = 1, kMsgBox = 2, kReadConfigItem = 3;  // core
constexpr int32_t kGetSpecialFolder = 0;  // system interface
constexpr int32_t kOpenWebPage = 0;       // application interface

inline CmdArg TextArg(const char* text) { return {Word(text ? text : ""), 0, kTagText}; }
inline CmdArg OptionalTextArg(const char* text) { return text ? TextArg(text) : CmdArg{0, 0, kTagOmitted}; }
inline CmdArg IntegerArg(int32_t value) { return {static_cast<uint32_t>(value), 0, kTagInteger}; }

inline CmdResult Call(int32_t library, int32_t command, int32_t count, CmdArg* args)
{
    const CommandEntry entry = ProgramImageHeader.libraries[library]->commands[command];
    if (library == kCore)
        return program::CallCoreCommand(entry, count, args);
    return program::CallLibraryCommand(entry, library, count, args);
}

}  // namespace detail

// ---- Properties ------------------------------------------------------------------------------

inline Text GetText(Unit u, int32_t property)
{
    return Text(detail::Pointer<char>(program::ReadProperty(u.window, u.unit, property)));
}
inline void SetText(Unit u, int32_t property, const char* text)
{
    program::WriteProperty(u.window, u.unit, property, detail::Word(text ? text : ""));
}
inline void SetText(Unit u, int32_t property, const std::string& text) { SetText(u, property, text.c_str()); }

inline int32_t GetInteger(Unit u, int32_t property)
{
    return static_cast<int32_t>(program::ReadProperty(u.window, u.unit, property));
}
inline void SetInteger(Unit u, int32_t property, int32_t value)
{
    program::WriteProperty(u.window, u.unit, property, static_cast<uint32_t>(value));
}

inline bool GetLogical(Unit u, int32_t property) { return GetInteger(u, property) != 0; }
inline void SetLogical(Unit u, int32_t property, bool value) { SetInteger(u, property, value ? 1 : 0); }

// A byte block travels as the word 1, the byte count and the bytes; null is the empty block.
inline std::vector<uint8_t> GetBytes(Unit u, int32_t property)
{
    uint32_t* block = detail::Pointer<uint32_t>(program::ReadProperty(u.window, u.unit, property));
    std::vector<uint8_t> bytes;
    if (block) {
        const auto* data = reinterpret_cast<const uint8_t*>(block + 2);
        if (static_cast<int32_t>(block[1]) > 0)
            bytes.assign(data, data + block[1]);
        program::FreeMemory(block);
    }
    return bytes;
}
inline void SetBytes(Unit u, int32_t property, const void* data, size_t size)
{
    if (!data || size == 0 || size > 0x7FFFFFF0u) {
        program::WriteProperty(u.window, u.unit, property, 0);
        return;
    }
    auto* block = static_cast<uint32_t*>(program::AllocMemory(static_cast<int32_t>(8 + size)));
    block[0] = 1;
    block[1] = static_cast<uint32_t>(size);
    std::memcpy(block + 2, data, size);
    program::WriteProperty(u.window, u.unit, property, detail::Word(block));  // the unit keeps a copy
    program::FreeMemory(block);
}
inline void SetBytes(Unit u, int32_t property, const std::vector<uint8_t>& bytes)
{
    SetBytes(u, property, bytes.data(), bytes.size());
}

// ---- Library commands ------------------------------------------------------------------------

// Message box styles are the platform's MB_ values; the answer is the pressed button's number
// (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No). A null caption is the default one.
inline int32_t MessageBox(const char* text, uint32_t style = 0, const char* caption = nullptr)
{
    CmdArg args[3] = {detail::TextArg(text), detail::IntegerArg(static_cast<int32_t>(style)),
                      detail::OptionalTextArg(caption)};
    return static_cast<int32_t>(detail::Call(detail::kCore, detail::kMsgBox, 3, args).value);
}
inline int32_t MessageBox(const std::string& text, uint32_t style = 0)
{
    return MessageBox(text.c_str(), style);
}

// An item of an initialisation file; `fallback` when it is not there (null: the empty text).
inline Text ReadConfigItem(const char* file, const char* section, const char* key, const char* fallback = nullptr)
{
    CmdArg args[4] = {detail::TextArg(file), detail::TextArg(section), detail::TextArg(key),
                      detail::OptionalTextArg(fallback)};
    return Text(detail::Pointer<char>(detail::Call(detail::kCore, detail::kReadConfigItem, 4, args).value));
}
// Writes an item; a null value deletes the key, a null key the whole section. True on success.
inline bool WriteConfigItem(const char* file, const char* section, const char* key, const char* value)
{
    CmdArg args[4] = {detail::TextArg(file), detail::TextArg(section), detail::OptionalTextArg(key),
                      detail::OptionalTextArg(value)};
    return detail::Call(detail::kCore, detail::kWriteConfigItem, 4, args).value != 0;
}

// Whether a file (or folder) of that name, or matching that pattern, exists.
inline bool FileExists(const char* path)
{
    CmdArg args[1] = {detail::TextArg(path)};
    return detail::Call(detail::kCore, detail::kFileExists, 1, args).value != 0;
}

// A special folder with a trailing backslash: 1 documents, 2 favourites, 3 desktop, 4 fonts,
// 5 start menu, 6 its programs, 7 start-up, 8 application data, 9 Windows, 10 system, 11 temporary
// files; the empty text for any other number.
inline Text SpecialFolder(int32_t kind)
{
    CmdArg args[1] = {detail::IntegerArg(kind)};
    return Text(detail::Pointer<char>(detail::Call(detail::kSystemInterface, detail::kGetSpecialFolder, 1, args).value));
}

// Opens an address in the system's browser.
inline void OpenWebPage(const char* address)
{
    CmdArg args[1] = {detail::TextArg(address)};
    detail::Call(detail::kApplicationInterface, detail::kOpenWebPage, 1, args);
}

// ---- Windows and the end ---------------------------------------------------------------------

// Opens another window of the form beside the open ones; an open one comes to the front.
inline void OpenWindow(uint32_t window) { program::LoadStartupWindow(window); }

// Ends the program with `exitCode`: the windows go, exit routines run; never returns.
[[noreturn]] inline void EndProgram(int32_t exitCode = 0) { program::EndProgram(exitCode); }

}  // namespace tavori
