// The window unit's pre-translation of queued messages (dragging, the keyboard navigation and
// the common events of every unit on the window) and its focus navigation; see window_unit.h.
#include "runtime/units/window_unit.h"

#include <cctype>

#include "runtime/core/dbcs_text.h"
#include "runtime/core/runtime_app.h"
#include "runtime/image/form_block.h"
#include "runtime/image/window_store.h"
#include "runtime/units/window_unit_navigation.h"

namespace {

// What navigation needs to know of one unit of the window.
struct UnitInfo {
    int entry;
    HWND hwnd;
    CWnd* object;
    uint32_t unitId;
    uint32_t state;     // the kind's state word
    uint32_t flags;     // the unit record's flags
    int32_t tabOrder;
};

// The live units of the window, entries 1 and up in table order.
std::vector<UnitInfo> UnitsOf(const WindowObject& window) {
    std::vector<UnitInfo> units;
    for (uint32_t i = 1; i < window.live.Count(); ++i) {
        CWnd* object = window.live.IsMenuItem(i) ? nullptr : window.LiveUnit(static_cast<int>(i));
        uint32_t size = 0;
        const uint8_t* record = object ? window.live.Record(i, &size) : nullptr;
        UnitRecordFields fields;
        UnitRecordLayout layout;
        if (!record || !ParseUnitRecord(record, size, &fields, &layout))
            continue;
        const UnitTypeRecord* type = FindUnitType(fields.typeId);
        units.push_back({static_cast<int>(i), object->m_hWnd, object, window.live.IdAt(i),
                         type ? type->state : 0, fields.flags, fields.tabOrder});
    }
    return units;
}

const UnitInfo* Find(const std::vector<UnitInfo>& units, int entry) {
    for (const UnitInfo& u : units)
        if (u.entry == entry)
            return &u;
    return nullptr;
}

bool IsUsable(const UnitInfo& u) {
    return ::IsWindowVisible(u.hwnd) && ::IsWindowEnabled(u.hwnd);
}

bool IsFocusCandidate(const UnitInfo& u) {
    return IsUsable(u) && !(u.state & (kKindNoMnemonicNoFocus | kKindNoFocus)) && (u.flags & kUnitTabStop);
}

void* OperationOfUnit(const WindowObject& window, int entry, int32_t operation) {
    uint32_t size = 0;
    const uint8_t* record = window.live.Record(static_cast<uint32_t>(entry), &size);
    UnitRecordFields fields;
    UnitRecordLayout layout;
    if (!record || !ParseUnitRecord(record, size, &fields, &layout))
        return nullptr;
    return UnitOperation(FindUnitType(fields.typeId), operation);
}

bool AnswersOne(const WindowObject& window, const UnitInfo& u, int32_t operation, uint32_t key = 0) {
    void* fn = OperationOfUnit(window, u.entry, operation);
    if (!fn)
        return false;
    if (operation == kOpWantsKey)
        return reinterpret_cast<WantsKeyFn>(fn)(u.object, key) == 1;
    return reinterpret_cast<IsDefaultButtonFn>(fn)(u.object) == 1;
}

bool RaiseFor(uint32_t windowId, uint32_t unitId, int32_t event, std::initializer_list<uint32_t> args,
              EventRecord* out = nullptr) {
    EventRecord record{};
    record.windowId = windowId;
    record.unitId = unitId;
    record.event = event;
    for (uint32_t a : args)
        if (record.argumentCount < kMaxEventArguments)
            record.arguments[record.argumentCount++] = a;
    const bool ran = CallRuntime(kRequestRaiseEvent, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&record)), 0) != 0;
    if (out)
        *out = record;
    return ran;
}

uint32_t KeyStateOf(uint32_t key) {
    return ((key & kKeyCtrl) ? 1u : 0u) | ((key & kKeyShift) ? 2u : 0u) | ((key & kKeyAlt) ? 4u : 0u);
}

// Selects an option unit and clears the other options of its parent.
void SelectOption(const std::vector<UnitInfo>& units, const UnitInfo& chosen) {
    for (const UnitInfo& u : units) {
        if (&u != &chosen && (u.state & kKindOption) && ::GetParent(u.hwnd) == ::GetParent(chosen.hwnd))
            ::SendMessageA(u.hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    ::SendMessageA(chosen.hwnd, BM_SETCHECK, BST_CHECKED, 0);
}

// "&x" in a caption, for a letter in either case; "&&" is an ampersand, not a mnemonic.
bool HasMnemonic(const std::string& caption, char wanted) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        const char next = caption[i + 1];
        if (next == '&') {
            ++i;
            continue;
        }
        if (std::toupper(static_cast<unsigned char>(next)) == std::toupper(static_cast<unsigned char>(wanted)))
            return true;
    }
    return false;
}

std::string WindowText(HWND window) {
    char text[512] = "";
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

// The common event of a queued message, with its arguments; false for any other message.
bool CommonEventOf(const MSG& msg, int32_t* event, uint32_t* args, int* count) {
    const uint32_t x = static_cast<uint32_t>(static_cast<int16_t>(LOWORD(msg.lParam)));
    const uint32_t y = static_cast<uint32_t>(static_cast<int16_t>(HIWORD(msg.lParam)));
    switch (msg.message) {
    case WM_LBUTTONDOWN: *event = kEventLeftButtonDown; break;
    case WM_LBUTTONUP: *event = kEventLeftButtonUp; break;
    case WM_LBUTTONDBLCLK: *event = kEventDoubleClick; break;
    case WM_RBUTTONDOWN: *event = kEventRightButtonDown; break;
    case WM_RBUTTONUP: *event = kEventRightButtonUp; break;
    case WM_MOUSEMOVE: *event = kEventMouseMove; break;
    case WM_MOUSEWHEEL:
        *event = kEventMouseWheel;
        args[0] = static_cast<uint32_t>(static_cast<int16_t>(HIWORD(msg.wParam)) / WHEEL_DELTA);
        args[1] = KeyState();
        *count = 2;
        return true;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
        const uint32_t key = WindowKeyCode(static_cast<UINT>(msg.wParam));
        *event = down ? kEventKeyDown : kEventKeyUp;
        args[0] = key & kKeyCodeMask;
        args[1] = KeyStateOf(key);
        *count = 2;
        return true;
    }
    case WM_CHAR:
        *event = kEventCharInput;
        args[0] = static_cast<uint32_t>(msg.wParam);
        *count = 1;
        return true;
    default:
        return false;  // the right double click and the middle button raise nothing
    }
    args[0] = x;
    args[1] = y;
    args[2] = KeyState();
    *count = 3;
    return true;
}

}  // namespace

// ---- Key codes ------------------------------------------------------------------------------

uint32_t WindowKeyCodeWith(UINT virtualKey, uint32_t keyState) {
    uint32_t code = virtualKey;
    if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_NUMPAD9)
        code = '0' + (virtualKey - VK_NUMPAD0);
    else if (virtualKey == VK_SUBTRACT)
        code = 189;  // as the main keyboard's minus
    else if (virtualKey == VK_DECIMAL)
        code = 190;  // point
    else if (virtualKey == VK_DIVIDE)
        code = 191;  // slash
    const bool modifier = virtualKey == VK_CONTROL || virtualKey == VK_SHIFT || virtualKey == VK_MENU ||
                          (virtualKey >= VK_LSHIFT && virtualKey <= VK_RMENU);
    if (!modifier) {
        if (keyState & 1)
            code += kKeyCtrl;
        if (keyState & 2)
            code += kKeyShift;
        if (keyState & 4)
            code += kKeyAlt;
    }
    return code;
}

uint32_t WindowKeyCode(UINT virtualKey) {
    return WindowKeyCodeWith(virtualKey, KeyState());
}

// ---- Pre-translation ------------------------------------------------------------------------

BOOL CWinFormUnit::PreTranslateMessage(MSG* msg) {
    const HWND self = m_hWnd;
    const bool keyboard = msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST;
    if (keyboard && !IsWindowEnabled())
        return FALSE;
    if (CWnd::PreTranslateMessage(msg))
        return TRUE;
    WindowObject* window = Object();
    if (keyboard && window && window->accelerators && TranslateAcceleratorA(self, window->accelerators, msg))
        return TRUE;
    if (DesignMode() || (msg->hwnd != self && !::IsChild(self, msg->hwnd)))
        return FALSE;
    // Kinds with their own message filter and hosted controls would see the message here; no
    // kind of this runtime has either.
    if (msg->message == WM_LBUTTONDOWN && dragAnywhere && DragAnywhere(msg))
        return TRUE;
    if ((msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) &&
        TranslateKeyStroke(WindowKeyCode(static_cast<UINT>(msg->wParam))))
        return TRUE;
    if (!::IsWindow(self))
        return TRUE;
    return RaiseCommonEvent(msg, self) || !::IsWindow(self);
}

bool CWinFormUnit::DragAnywhere(const MSG* msg) {
    const LPARAM screen = MAKELPARAM(msg->pt.x, msg->pt.y);
    if (msg->hwnd == m_hWnd) {
        PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, screen);
        return false;  // the click itself still reaches the window
    }
    WindowObject* window = Object();
    const int entry = EntryOfWindow(msg->hwnd);
    if (!window || entry <= 0)
        return false;
    const std::vector<UnitInfo> units = UnitsOf(*window);
    const UnitInfo* unit = Find(units, entry);
    if (!unit || !(unit->state & kKindDragSurface))
        return false;
    PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, screen);
    return true;
}

bool CWinFormUnit::TranslateKeyStroke(uint32_t key) {
    WindowObject* window = Object();
    if (!window)
        return false;
    const std::vector<UnitInfo> units = UnitsOf(*window);
    int focusEntry = EntryOfWindow(::GetFocus());
    if (focusEntry < 0)
        focusEntry = 0;
    const UnitInfo* focus = Find(units, focusEntry);
    if (focus && AnswersOne(*window, *focus, kOpWantsKey, key))
        return false;
    const uint32_t virtualKey = key & kKeyCodeMask;
    const uint32_t modifiers = key & ~kKeyCodeMask;
    if (virtualKey == VK_TAB && (modifiers == 0 || modifiers == kKeyShift)) {
        NavigateFocus(focusEntry, modifiers == 0, false);
        return true;
    }
    if (key == VK_RETURN) {
        if (focus && (focus->state & kKindButton) && ::IsWindowEnabled(focus->hwnd) &&
            AnswersOne(*window, *focus, kOpIsDefaultButton)) {
            RaiseFor(WindowId(), focus->unitId, 0, {});
            return true;
        }
        if (enterMovesFocus) {
            NavigateFocus(focusEntry, true, false);
            return true;
        }
        return PressDefaultButton();
    }
    if (key == VK_ESCAPE && escCloses) {
        SendMessage(WM_CLOSE);
        return true;
    }
    if (modifiers == 0 && virtualKey >= VK_LEFT && virtualKey <= VK_DOWN && focus && (focus->state & kKindOption)) {
        NavigateFocus(focusEntry, virtualKey == VK_RIGHT || virtualKey == VK_DOWN, true);
        return true;
    }
    if (key == VK_F1 && f1Help)
        return OpenHelp();
    if (modifiers == kKeyAlt && std::isalnum(static_cast<int>(virtualKey)) && virtualKey < 0x80)
        return ActivateMnemonic(key);
    return false;
}

bool CWinFormUnit::PressDefaultButton() {
    WindowObject* window = Object();
    if (!window)
        return false;
    for (const UnitInfo& u : UnitsOf(*window)) {
        if ((u.state & kKindButton) && ::IsWindowEnabled(u.hwnd) && AnswersOne(*window, u, kOpIsDefaultButton)) {
            RaiseFor(WindowId(), u.unitId, 0, {});
            return true;
        }
    }
    return false;
}

bool CWinFormUnit::OpenHelp() {
    std::string file = helpFile;
    if (file.empty()) {
        const RuntimeApp& app = Runtime();
        file = std::string(app.programDirectory) + "\\" + app.programFileName;
        const size_t dot = LastCharacter(file, '.');
        const size_t slash = LastCharacter(file, '\\');
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
            file.erase(dot);
        file += ".hlp";
    }
    if (GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (helpTopic != 0)
            WinHelpA(m_hWnd, file.c_str(), HELP_CONTEXT, static_cast<ULONG_PTR>(helpTopic));
        else
            WinHelpA(m_hWnd, file.c_str(), HELP_FINDER, 0);
        m_openedHelp = true;
    }
    return true;
}

bool CWinFormUnit::ActivateMnemonic(uint32_t key) {
    WindowObject* window = Object();
    if (!window)
        return false;
    const char wanted = static_cast<char>(key & 0xFF);
    const std::vector<UnitInfo> units = UnitsOf(*window);
    for (const UnitInfo& u : units) {
        if (!(u.state & kKindTakesMnemonics) || (u.state & kKindNoMnemonicNoFocus) || !IsUsable(u) ||
            !HasMnemonic(WindowText(u.hwnd), wanted))
            continue;
        if (u.state & kKindCheck) {
            const LRESULT checked = ::SendMessageA(u.hwnd, BM_GETCHECK, 0, 0);
            ::SendMessageA(u.hwnd, BM_SETCHECK, checked == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
            RaiseFor(WindowId(), u.unitId, 0, {});
        } else if (u.state & kKindOption) {
            SelectOption(units, u);
            RaiseFor(WindowId(), u.unitId, 0, {});
        } else if (u.state & kKindButton) {
            RaiseFor(WindowId(), u.unitId, 0, {});
        } else if (u.state & kKindLabel) {
            NavigateFocus(u.entry, true, false);
        } else {
            ::SetFocus(u.hwnd);
        }
        return true;
    }
    return false;
}

bool CWinFormUnit::RaiseCommonEvent(MSG* msg, HWND self) {
    int32_t event = 0;
    uint32_t args[3] = {};
    int count = 0;
    if (!CommonEventOf(*msg, &event, args, &count))
        return false;
    WindowObject* window = Object();
    const int entry = msg->hwnd == self ? 0 : EntryOfWindow(msg->hwnd);
    if (!window || entry < 0)
        return false;
    const uint32_t unitId = entry == 0 ? UnitId() : window->live.IdAt(static_cast<uint32_t>(entry));
    EventRecord record{};
    bool ran = false;
    if (count == 1)
        ran = RaiseFor(WindowId(), unitId, event, {args[0]}, &record);
    else if (count == 2)
        ran = RaiseFor(WindowId(), unitId, event, {args[0], args[1]}, &record);
    else
        ran = RaiseFor(WindowId(), unitId, event, {args[0], args[1], args[2]}, &record);
    if (!::IsWindow(self))
        return true;
    if (!ran || !record.hasResult)
        return false;
    if (event == kEventCharInput) {
        if (record.result == 0)
            return true;  // the character is dropped
        msg->wParam = record.result;  // and replaced by what the handler gave
        return false;
    }
    return record.result == 0;
}

// ---- Focus navigation -----------------------------------------------------------------------

int CWinFormUnit::EntryOfWindow(HWND target) const {
    WindowObject* window = Object();
    if (!window || !target)
        return -1;
    for (HWND w = target; w; w = ::GetParent(w)) {
        if (w == m_hWnd)
            return 0;
        const int entry = window->EntryOf(CWnd::FromHandlePermanent(w));
        if (entry > 0)
            return entry;
    }
    return -1;
}

void CWinFormUnit::NavigateFocus(int startEntry, bool forward, bool arrows) {
    WindowObject* window = Object();
    if (!window)
        return;
    const std::vector<UnitInfo> units = UnitsOf(*window);
    const UnitInfo* start = Find(units, startEntry);
    std::vector<FocusCandidate> candidates;
    for (const UnitInfo& u : units) {
        if (!IsFocusCandidate(u))
            continue;
        if (arrows && (!(u.state & kKindOption) || !start || ::GetParent(u.hwnd) != ::GetParent(start->hwnd)))
            continue;
        candidates.push_back({u.entry, u.tabOrder});
    }
    FocusRequest request{startEntry, start ? start->tabOrder : 0, FocusStart::Ordinary, forward};
    if (start && (start->state & kKindLabel))
        request.start = FocusStart::Label;
    else if (start && (start->state & kKindFromTabZero))
        request.start = FocusStart::FromTabZero;
    const int target = ChooseFocusTarget(candidates, request);
    const UnitInfo* chosen = Find(units, target);
    if (!chosen || target == startEntry)
        return;
    const HWND targetWindow = chosen->hwnd;
    if (arrows) {
        SelectOption(units, *chosen);
        RaiseFor(WindowId(), chosen->unitId, 0, {});
        if (!::IsWindow(targetWindow))
            return;
    }
    ::SetFocus(targetWindow);
}

bool CWinFormUnit::FocusFirstUnit() {
    WindowObject* window = Object();
    if (!window)
        return false;
    std::vector<FocusCandidate> candidates;
    const std::vector<UnitInfo> units = UnitsOf(*window);
    for (const UnitInfo& u : units)
        if (IsFocusCandidate(u))
            candidates.push_back({u.entry, u.tabOrder});
    const std::vector<FocusCandidate> order = NavigationOrder(candidates);
    if (order.empty())
        return false;
    ::SetFocus(Find(units, order.front().entry)->hwnd);
    return true;
}
