// MsgBox: a modal platform message box whose message may be any basic value. Built as GBK: the
// default caption is shown as it is stored.
#include "runtime/commands/msgbox_command.h"

#include <windows.h>

#include "runtime/commands/command_args.h"
#include "runtime/commands/libraries.h"
#include "runtime/commands/value_text.h"
#include "runtime/framework/wnd.h"

namespace {

const char kDefaultCaption[] = "信息：";

// Platform button code (1..7) -> the command's answer.
const int32_t kAnswers[] = {
    0,  // IDOK
    1,  // IDCANCEL
    2,  // IDABORT
    3,  // IDRETRY
    4,  // IDIGNORE
    5,  // IDYES
    6,  // IDNO
};

// The message as text: the text itself, or a basic value written into `buffer`.
const char* MessageText(const CmdArg& message, char* buffer, size_t size)
{
    buffer[0] = '\0';
    if (IsNumericTag(message.tag)) {
        ValueToText(message, buffer, size);
    } else if (message.tag == kTagText) {
        const char* text = TextOf(message);
        return text ? text : "";
    } else if (message.tag == kTagLogical) {
        LogicalToText(message.value, buffer, size);
    } else if (message.tag == kTagDateTime) {
        DateTimeToText(DoubleOf(message), buffer, size);
    }
    return buffer;
}

HWND OwnerWindow(const CmdArg& owner)
{
    if (owner.tag == kTagInteger)
        return reinterpret_cast<HWND>(static_cast<uintptr_t>(owner.value));
    if (owner.tag != kTagWindowRef)
        return nullptr;
    RuntimeCallbackFn callback = CommandCallback();
    if (!callback)
        return nullptr;
    // The runtime answers the window's unit object, which is a framework window.
    void* object = reinterpret_cast<void*>(
        static_cast<uintptr_t>(callback(kCallbackFindObject, owner.value, 0)));
    return object ? static_cast<CWnd*>(object)->m_hWnd : nullptr;
}

}  // namespace

uint32_t EffectiveMsgBoxStyle(uint32_t style)
{
    return (style & kMsgBoxSystemModal) ? style : (style | kMsgBoxTaskModal);
}

int32_t MsgBoxAnswer(int32_t buttonCode)
{
    const int32_t known = static_cast<int32_t>(sizeof(kAnswers) / sizeof(kAnswers[0]));
    return buttonCode >= 1 && buttonCode <= known ? kAnswers[buttonCode - 1] : 0;
}

void MsgBoxCommand(CmdResult* result, int32_t count, CmdArg* args)
{
    char buffer[kValueTextSize];
    const char* text = MessageText(ArgumentAt(count, args, 0), buffer, sizeof(buffer));
    const CmdArg style = ArgumentAt(count, args, 1);
    const CmdArg caption = ArgumentAt(count, args, 2);
    const char* captionText = kDefaultCaption;
    if (IsGiven(caption)) {
        captionText = TextOf(caption);
        if (!captionText)
            captionText = "";
    }
    const HWND owner = count >= 4 ? OwnerWindow(ArgumentAt(count, args, 3)) : nullptr;
    const int code = MessageBoxA(owner, text, captionText, EffectiveMsgBoxStyle(style.value));
    result->value = static_cast<uint32_t>(MsgBoxAnswer(code));
}
