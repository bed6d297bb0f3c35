// The edit box unit; see edit_box_unit.h.
#include "runtime/units/edit_box_unit.h"

#include <algorithm>
#include <utility>

#include "runtime/units/edit_input_modes.h"
#include "runtime/units/unit_entry.h"

namespace {

// One double-byte ideograph of the code page ("字"): its height is the height of typed
// Chinese text, which may exceed that of Latin letters in the same font.
constexpr char kMeasuredIdeograph[] = "\xD7\xD6";

constexpr UINT kFrameChangeFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_NOOWNERZORDER;

std::wstring Widen(const std::string& text) {
    if (text.empty())
        return std::wstring();
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string Narrow(const wchar_t* text, int length) {
    if (length <= 0)
        return std::string();
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, &narrow[0], bytes, nullptr, nullptr);
    return narrow;
}

int ByteOffset(const std::wstring& text, int wideOffset) {
    wideOffset = std::max(0, std::min(wideOffset, static_cast<int>(text.size())));
    return static_cast<int>(Narrow(text.data(), wideOffset).size());
}

// The wide position whose ANSI prefix first reaches `byteOffset` bytes; a position inside a
// double-byte character moves behind it.
int WideOffset(const std::wstring& text, int byteOffset) {
    int bytes = 0;
    int at = 0;
    while (at < static_cast<int>(text.size()) && bytes < byteOffset) {
        bytes += static_cast<int>(Narrow(&text[static_cast<size_t>(at)], 1).size());
        ++at;
    }
    return at;
}

int TextHeight(HDC dc, HFONT font, const char* text, int length) {
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, text, length, &size);
    SelectObject(dc, old);
    return size.cy;
}

HFONT FontOrStock(HFONT font) {
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// Fonts measured so far, by font block. The boxes of a form mostly share one font, and taking a
// screen DC to measure was a good part of a box's creation; a font is measured once per thread
// that makes boxes (windows may be loaded on more than one thread).
constexpr size_t kMaxMeasuredFonts = 64;

EditFontHeights MeasureFont(const std::vector<uint8_t>& block, HFONT font) {
    thread_local std::vector<std::pair<std::vector<uint8_t>, EditFontHeights>> measured;
    // Every block that is not a whole font block means the same default font.
    const std::vector<uint8_t> key = block.size() == kFontBlockSize ? block : std::vector<uint8_t>();
    for (const auto& entry : measured) {
        if (entry.first == key)
            return entry.second;
    }
    HDC screen = GetDC(nullptr);
    const EditFontHeights heights{TextHeight(screen, FontOrStock(font), kMeasuredIdeograph, 2),
                                  TextHeight(screen, FontOrStock(font), "W", 1)};
    ReleaseDC(nullptr, screen);
    if (measured.size() < kMaxMeasuredFonts)
        measured.emplace_back(key, heights);
    return heights;
}

// Scroll-bar choice: the styles it adds to a multi-line box.
const DWORD kScrollBarStyles[4] = {
    0,                                          // 0 none
    WS_HSCROLL | ES_AUTOHSCROLL,                // 1 horizontal
    WS_VSCROLL,                                 // 2 vertical
    WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL,   // 3 both
};
const DWORD kAlignmentStyles[3] = {ES_LEFT, ES_CENTER, ES_RIGHT};
const DWORD kLetterCaseStyles[3] = {0, ES_LOWERCASE, ES_UPPERCASE};

}  // namespace

// ---- Styles -------------------------------------------------------------------------------

DWORD EditBoxStyle(const EditBoxData& data, DWORD baseStyle) {
    DWORD style = baseStyle | WS_CHILD | WS_CLIPSIBLINGS;
    if (data.hideSelection == 0)
        style |= ES_NOHIDESEL;
    if (data.multiLine != 0) {
        style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
        style |= kScrollBarStyles[LimitChoice(static_cast<uint32_t>(data.scrollBars), 3)];
    } else {
        style |= ES_AUTOHSCROLL;
    }
    style |= kAlignmentStyles[LimitChoice(static_cast<uint32_t>(data.alignment), 2)];
    if (data.inputMode == kInputReadOnly)
        style |= ES_READONLY;
    else if (data.inputMode == kInputPassword)
        style |= ES_PASSWORD;
    style |= kLetterCaseStyles[LimitChoice(static_cast<uint32_t>(data.letterCase), 2)];
    return style;
}

// ---- Creation -----------------------------------------------------------------------------

EditBoxUnit::EditBoxUnit(const UnitIds& ids) : Unit(ids) {}

bool EditBoxUnit::Make(DWORD baseStyle, HWND parent, uint32_t controlId, int x, int y, int width, int height) {
    const DWORD style = EditBoxStyle(*this, baseStyle);
    m_brush.Make(backColour);
    // A Unicode control joins the two bytes of a typed double-byte character; the framework
    // then takes it over as it does any control.
    HWND made = CreateWindowExW(0, L"EDIT", Widen(content).c_str(), style, x, y, width, height, parent,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlId)),
                                GetModuleHandleW(nullptr), nullptr);
    if (!made)
        return false;
    m_wideProcedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(made, GWLP_WNDPROC));
    if (!SubclassWindow(made)) {
        ::DestroyWindow(made);
        return false;
    }
    ApplyFont();
    SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(std::max(0, maxLength)), 0);
    if (inputMode == kInputPassword)
        SetPasswordChar(PasswordWideChar());
    MakeAdjuster(style);
    ApplySelection();
    // The border and the font's line are taken into the frame by one frame change: each change
    // costs a round of non-client messages.
    SetBorderStyleBits(m_hWnd, border);
    RecomputeFrame();
    return true;
}

void EditBoxUnit::MakeAdjuster(DWORD style) {
    if (!IsSingleLine() || (adjuster != kAdjusterAutomatic && adjuster != kAdjusterByEvent))
        return;
    m_haveAdjuster = m_adjuster.Make(*this, adjuster == kAdjusterAutomatic, AdjusterEdge(), adjusterLower,
                                     adjusterUpper);
    if (!m_haveAdjuster) {
        adjuster = kAdjusterNone;
        return;
    }
    if (style & WS_DISABLED)
        m_adjuster.EnableWindow(FALSE);
    if (style & WS_VISIBLE)
        m_adjuster.ShowWindow(SW_SHOWNA);
}

bool EditBoxUnit::AdjusterEdge() const {
    return border == 0 || border == 1 || border == 3;
}

void EditBoxUnit::ApplyFont() {
    m_font.Apply(nullptr, font);
    m_fontHeights = MeasureFont(font, m_font.Handle());
    SetFont(m_font.Handle(), TRUE);
}

// Centres a single-line box's line in the frame of its border, and grows a single-line box lower
// than a typed line in the same call.
void EditBoxUnit::RecomputeFrame() {
    UINT flags = kFrameChangeFlags;
    RECT r = GetWindowRect();
    const int lowest = m_fontHeights.ideograph + 2 * GetSystemMetrics(SM_CYEDGE);
    if (IsSingleLine() && r.bottom - r.top < lowest) {
        flags &= ~SWP_NOSIZE;
        r.bottom = r.top + lowest;
    }
    SetWindowPos(nullptr, 0, 0, r.right - r.left, r.bottom - r.top, flags);
}

// The height of a Latin line of the box's font; measured only for a font not given by the unit.
int EditBoxUnit::LetterHeight() const {
    HFONT current = GetFont();
    if (current && current == m_font.Handle())
        return m_fontHeights.letter;
    HDC dc = GetDC(m_hWnd);
    const int height = TextHeight(dc, FontOrStock(current), "W", 1);
    ReleaseDC(m_hWnd, dc);
    return height;
}

// ---- Texts and selection ------------------------------------------------------------------

std::wstring EditBoxUnit::WideText() const {
    int length = GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(std::max(0, length)) + 1, L'\0');
    int copied = GetWindowTextW(m_hWnd, &text[0], length + 1);
    text.resize(static_cast<size_t>(std::max(0, copied)));
    return text;
}

void EditBoxUnit::GetByteSelection(int* start, int* end) const {
    DWORD wideStart = 0, wideEnd = 0;
    SendMessageW(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&wideStart), reinterpret_cast<LPARAM>(&wideEnd));
    const std::wstring text = WideText();
    *start = ByteOffset(text, static_cast<int>(wideStart));
    *end = ByteOffset(text, static_cast<int>(wideEnd));
}

void EditBoxUnit::ApplySelection() {
    const std::wstring text = WideText();
    const int start = WideOffset(text, selectionStart);
    const int end = WideOffset(text, selectionStart + selectionLength);
    SendMessageW(m_hWnd, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    SendMessageW(m_hWnd, EM_SCROLLCARET, 0, 0);
}

void EditBoxUnit::ReplaceText(const std::string& text) {
    m_holdChangeEvent = true;
    SetWindowText(text);
    m_holdChangeEvent = false;
    // The control does not announce every text it is given (a multi-line box set by
    // WM_SETTEXT stays silent), so the unit announces the change itself, exactly once.
    SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), EN_CHANGE), reinterpret_cast<LPARAM>(m_hWnd));
}

void EditBoxUnit::ApplyInputMode() {
    SetPasswordChar(inputMode == kInputPassword ? PasswordWideChar() : 0);
    SendMessage(EM_SETREADONLY, inputMode == kInputReadOnly ? TRUE : FALSE, 0);
    Invalidate();
}

// ---- Properties ---------------------------------------------------------------------------

int32_t EditBoxUnit::PropertyChanged(int32_t number, const uint32_t* value) {
    // Properties whose styles the control takes only at creation ask for a new control.
    auto recreateIfChanged = [](int32_t& field, int32_t updated) {
        const bool changed = field != updated;
        field = updated;
        return changed ? 1 : 0;
    };
    switch (number) {
    case kEditContent:
        content = UnitTextValue(value);
        ReplaceText(content);
        return 0;
    case kEditBorder:
        border = LimitChoice(value[0], 5);
        ApplyBorderStyle(m_hWnd, border);
        if (m_haveAdjuster)
            m_adjuster.SetEdge(AdjusterEdge());
        return 0;
    case kEditTextColour:
        textColour = value[0];
        Invalidate();
        return 0;
    case kEditBackColour:
        backColour = value[0];
        m_brush.Make(backColour);
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
        return 0;
    case kEditFont:
        font = UnitBlockValue(value);
        ApplyFont();
        if (IsSingleLine())
            RecomputeFrame();
        return 0;
    case kEditHideSelection: {
        const int32_t updated = value[0] != 0 ? 1 : 0;
        const bool changed = hideSelection != updated;
        hideSelection = updated;
        return changed && !DesignMode() ? 1 : 0;
    }
    case kEditMaxLength:
        maxLength = std::max(0, static_cast<int32_t>(value[0]));
        SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(maxLength), 0);
        return 0;
    case kEditMultiLine: return recreateIfChanged(multiLine, value[0] != 0 ? 1 : 0);
    case kEditScrollBars: return recreateIfChanged(scrollBars, LimitChoice(value[0], 3));
    case kEditAlignment: return recreateIfChanged(alignment, LimitChoice(value[0], 2));
    case kEditInputMode:
        inputMode = LimitChoice(value[0], kInputModeCount - 1);
        ApplyInputMode();
        return 0;
    case kEditPasswordChar:
        passwordChar = PasswordCharOf(UnitTextValue(value).c_str());
        if (inputMode == kInputPassword) {
            SetPasswordChar(PasswordWideChar());
            Invalidate();
        }
        return 0;
    case kEditLetterCase: return recreateIfChanged(letterCase, LimitChoice(value[0], 2));
    case kEditAdjuster: return recreateIfChanged(adjuster, LimitChoice(value[0], 2));
    case kEditAdjusterLower:
    case kEditAdjusterUpper:
        (number == kEditAdjusterLower ? adjusterLower : adjusterUpper) = static_cast<int32_t>(value[0]);
        if (m_haveAdjuster)
            m_adjuster.SetLimits(adjusterLower, adjusterUpper);
        return 0;
    case kEditSelectionStart:
    case kEditSelectionLength: {
        int start = 0, end = 0;
        GetByteSelection(&start, &end);
        selectionStart = start;
        selectionLength = end - start;
        const int32_t requested = static_cast<int32_t>(value[0]);
        const int32_t length = static_cast<int32_t>(GetWindowText().size());
        if (number == kEditSelectionStart) {
            selectionStart = requested == -1 ? length : std::max(0, requested);
            if (requested == -1)
                selectionLength = 0;
        } else {
            selectionLength = requested == -1 ? length : std::max(0, requested);
            if (requested == -1)
                selectionStart = 0;
        }
        ApplySelection();
        return 0;
    }
    case kEditSelectedText:
        ReplaceSel(UnitTextValue(value).c_str(), FALSE);
        return 0;
    case kEditDataSource:
    case kEditDataColumn:
        (number == kEditDataSource ? dataSource : dataColumn) = UnitTextValue(value);
        Bind();
        return 0;
    default: return 0;
    }
}

int32_t EditBoxUnit::GetProperty(int32_t number, uint32_t* value) {
    value[0] = value[1] = 0;
    const bool live = !DesignMode() && IsWindow();
    switch (number) {
    case kEditContent:
        if (live)
            content = GetWindowText();
        value[0] = UnitWord(content.c_str());
        return 1;
    case kEditBorder: value[0] = static_cast<uint32_t>(border); return 1;
    case kEditTextColour: value[0] = textColour; return 1;
    case kEditBackColour: value[0] = backColour; return 1;
    case kEditFont: PutUnitBlock(font, value); return 1;
    case kEditHideSelection: value[0] = static_cast<uint32_t>(hideSelection); return 1;
    case kEditMaxLength: value[0] = static_cast<uint32_t>(maxLength); return 1;
    case kEditMultiLine: value[0] = static_cast<uint32_t>(multiLine); return 1;
    case kEditScrollBars: value[0] = static_cast<uint32_t>(scrollBars); return 1;
    case kEditAlignment: value[0] = static_cast<uint32_t>(alignment); return 1;
    case kEditInputMode: value[0] = static_cast<uint32_t>(inputMode); return 1;
    case kEditPasswordChar:
        m_passwordText = PasswordText(passwordChar);
        value[0] = UnitWord(m_passwordText.c_str());
        return 1;
    case kEditLetterCase: value[0] = static_cast<uint32_t>(letterCase); return 1;
    case kEditAdjuster: value[0] = static_cast<uint32_t>(adjuster); return 1;
    case kEditAdjusterLower: value[0] = static_cast<uint32_t>(adjusterLower); return 1;
    case kEditAdjusterUpper: value[0] = static_cast<uint32_t>(adjusterUpper); return 1;
    case kEditSelectionStart:
    case kEditSelectionLength: {
        if (live) {
            int start = 0, end = 0;
            GetByteSelection(&start, &end);
            selectionStart = start;
            selectionLength = end - start;
        }
        value[0] = static_cast<uint32_t>(number == kEditSelectionStart ? selectionStart : selectionLength);
        return 1;
    }
    case kEditSelectedText: {
        m_selectedText.clear();
        if (IsWindow()) {
            DWORD start = 0, end = 0;
            SendMessageW(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            const std::wstring text = WideText();
            end = std::min<DWORD>(end, static_cast<DWORD>(text.size()));
            if (start < end)
                m_selectedText = Narrow(text.data() + start, static_cast<int>(end - start));
        }
        value[0] = UnitWord(m_selectedText.c_str());
        return 1;
    }
    case kEditDataSource: value[0] = UnitWord(dataSource.c_str()); return 1;
    case kEditDataColumn: value[0] = UnitWord(dataColumn.c_str()); return 1;
    default: return 0;
    }
}

bool EditBoxUnit::WantsKey(uint32_t key) const {
    return key == VK_RETURN && multiLine != 0 && inputMode != kInputReadOnly;
}

// Data sources belong to the database facilities, which this system does not carry: a box
// keeps its binding names and answers the binding messages, and stays unbound.
void EditBoxUnit::Bind() {}

// ---- Events and behaviour -----------------------------------------------------------------

void EditBoxUnit::NormaliseOnLeaving() {
    const std::string current = GetWindowText();
    const std::string normalised = NormaliseInput(inputMode, current);
    if (normalised == current)
        return;
    int start = 0, end = 0;
    GetByteSelection(&start, &end);
    ReplaceText(normalised);
    const std::wstring text = WideText();
    const int caret = WideOffset(text, start);
    SendMessageW(m_hWnd, EM_SETSEL, static_cast<WPARAM>(caret), static_cast<LPARAM>(caret));
    SendMessageW(m_hWnd, EM_SCROLLCARET, 0, 0);
}

void EditBoxUnit::OnAdjusterStep(int delta) {
    if (!IsWindowEnabled() || !IsWindowVisible())
        return;
    if (!m_adjuster.IsAutomatic()) {
        RaiseUnitEvent(*this, kEditEventAdjusted, {static_cast<uint32_t>(delta > 0 ? 1 : -1)});
        return;
    }
    int lower = 0, upper = 0;
    m_adjuster.GetRange32(lower, upper);
    const int32_t stepped = AdjusterStep(LeadingInteger(GetWindowText()), delta, lower, upper);
    ReplaceText(std::to_string(stepped));
    SendMessageW(m_hWnd, EM_SETSEL, 0, -1);
    SendMessageW(m_hWnd, EM_SCROLLCARET, 0, 0);
    SetFocus();
}

LRESULT EditBoxUnit::AnswerColour(HDC dc) const {
    return AnswerReflectedColour(dc, textColour, backColour, m_brush.Handle());
}

BOOL EditBoxUnit::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message != WM_COMMAND)
        return CEdit::OnChildNotify(message, wParam, lParam, result);
    switch (HIWORD(wParam)) {
    case EN_CHANGE:
        if (!m_holdChangeEvent)
            RaiseUnitEvent(*this, kEditEventChanged);
        break;
    case EN_SETFOCUS: RaiseUnitEvent(*this, kEventGotFocus); break;
    case EN_KILLFOCUS:
        NormaliseOnLeaving();
        RaiseUnitEvent(*this, kEventLostFocus);
        break;
    default: return FALSE;
    }
    *result = 0;
    return TRUE;
}

LRESULT EditBoxUnit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CHAR: return OnChar(wParam, lParam);
    case WM_REFLECT_CTLCOLOR: return AnswerColour(reinterpret_cast<HDC>(wParam));
    case WM_NCCALCSIZE: return OnNcCalcSize(wParam, lParam);
    case WM_NCHITTEST: return OnNcHitTest(wParam, lParam);
    case WM_NCPAINT: return OnNcPaint(wParam, lParam);
    case WM_ERASEBKGND: return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_WINDOWPOSCHANGED: return OnWindowPosChanged(wParam, lParam);
    case WM_SHOWWINDOW: OnShowWindow(wParam != 0); break;
    case WM_ENABLE:
        if (m_haveAdjuster && m_adjuster.IsWindow())
            m_adjuster.EnableWindow(wParam != 0);
        break;
    case WM_DESTROY:
        if (m_adjuster.IsWindow())
            m_adjuster.DestroyWindow();
        m_haveAdjuster = false;
        break;
    case WM_KILLFOCUS: m_leadByte = 0; break;  // half a character typed here is forgotten
    case UnitsCreatedMessage: Bind(); return 0;
    case EditDataSourceQueryMessage: return 0;
    default: break;
    }
    LRESULT result = CEdit::WindowProc(message, wParam, lParam);
    if ((message == WM_MOVE || message == WM_SIZE) && m_haveAdjuster && m_adjuster.IsWindow())
        m_adjuster.Place();
    return result;
}

// The password character is one character of the code page in a 16-bit word: its first byte in
// the low byte and, for a double-byte character, its second byte in the high byte (a one-byte
// character leaves the high byte 0, as stored data always had it).
uint16_t EditBoxUnit::PasswordCharOf(const char* text) {
    const uint8_t first = static_cast<uint8_t>(text[0]);
    if (first && IsDBCSLeadByte(first) && text[1])
        return static_cast<uint16_t>(first | static_cast<uint8_t>(text[1]) << 8);
    return first;
}

std::string EditBoxUnit::PasswordText(uint16_t character) {
    const char bytes[2] = {static_cast<char>(character & 0xFF), static_cast<char>(character >> 8)};
    if (!bytes[0])
        return std::string();
    return std::string(bytes, IsDBCSLeadByte(static_cast<BYTE>(bytes[0])) && bytes[1] ? 2 : 1);
}

// The control is a wide one: it takes the character in its wide form, straight from its own
// procedure (through this unit's ANSI one the word would be converted back to one byte).
void EditBoxUnit::SetPasswordChar(WPARAM wide) {
    CallWindowProcW(m_wideProcedure, m_hWnd, EM_SETPASSWORDCHAR, wide, 0);
}

WPARAM EditBoxUnit::PasswordWideChar() const {
    const std::string text = PasswordText(passwordChar);
    wchar_t wide = 0;
    if (text.empty() ||
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), &wide, 1) != 1)
        return 0;
    return wide;
}

LRESULT EditBoxUnit::OnChar(WPARAM wParam, LPARAM lParam) {
    const uint8_t byte = static_cast<uint8_t>(wParam & 0xFF);
    if (m_leadByte) {
        // The second byte: the control gets the whole character in its own (wide) form; the
        // system's ANSI-to-wide mapping would turn each byte into a character of its own.
        const char both[2] = {static_cast<char>(m_leadByte), static_cast<char>(byte)};
        const uint8_t lead = m_leadByte;
        m_leadByte = 0;
        wchar_t wide = 0;
        if (!InputModeAccepts(inputMode, lead) ||
            MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, both, 2, &wide, 1) != 1)
            return 0;
        return CallWindowProcW(m_wideProcedure, m_hWnd, WM_CHAR, wide, lParam);
    }
    if (IsDBCSLeadByte(byte)) {
        m_leadByte = byte;
        return 0;
    }
    if (!InputModeAccepts(inputMode, byte))
        return 0;
    return CEdit::WindowProc(WM_CHAR, wParam, lParam);
}

LRESULT EditBoxUnit::OnNcCalcSize(WPARAM wParam, LPARAM lParam) {
    LRESULT result = CEdit::WindowProc(WM_NCCALCSIZE, wParam, lParam);
    if (!IsSingleLine())
        return result;
    RECT* client = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
    const int h = LetterHeight();
    // A box lower than one line keeps the whole inner area rather than reach over its frame.
    const int available = client->bottom - client->top;
    if (h > 0 && h < available) {
        client->top += (available - h) / 2;
        client->bottom = client->top + h;
    }
    return result;
}

LRESULT EditBoxUnit::OnNcHitTest(WPARAM wParam, LPARAM lParam) {
    if (IsSingleLine()) {
        RECT client = GetClientRect();
        MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (!PtInRect(&client, at))
            return HTBORDER;
    }
    return CEdit::WindowProc(WM_NCHITTEST, wParam, lParam);
}

LRESULT EditBoxUnit::OnNcPaint(WPARAM wParam, LPARAM lParam) {
    if (IsSingleLine()) {
        // The band between the frame and the centred client area belongs to no one else.
        RECT window = GetWindowRect();
        RECT client = GetClientRect();
        MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
        OffsetRect(&client, -window.left, -window.top);
        OffsetRect(&window, -window.left, -window.top);
        HDC dc = GetWindowDC(m_hWnd);
        ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
        FillRect(dc, &window, m_brush.Handle());
        ReleaseDC(m_hWnd, dc);
    }
    return CEdit::WindowProc(WM_NCPAINT, wParam, lParam);
}

LRESULT EditBoxUnit::OnEraseBackground(HDC dc) {
    if (!IsSingleLine())
        return CEdit::WindowProc(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client = GetClientRect();
    FillRect(dc, &client, m_brush.Handle());
    return 1;
}

LRESULT EditBoxUnit::OnWindowPosChanged(WPARAM wParam, LPARAM lParam) {
    LRESULT result = CEdit::WindowProc(WM_WINDOWPOSCHANGED, wParam, lParam);
    if (!m_haveAdjuster || !m_adjuster.IsWindow())
        return result;
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    if (pos->flags & SWP_SHOWWINDOW)
        OnShowWindow(true);
    else if (pos->flags & SWP_HIDEWINDOW)
        OnShowWindow(false);
    m_adjuster.Restack();
    return result;
}

void EditBoxUnit::OnShowWindow(bool shown) {
    if (m_haveAdjuster && m_adjuster.IsWindow())
        m_adjuster.ShowWindow(shown ? SW_SHOWNA : SW_HIDE);
}

// ---- Type record --------------------------------------------------------------------------

namespace {

EditBoxUnit& AsEditBox(CWnd* unit) {
    return static_cast<EditBoxUnit&>(*unit);
}

HGLOBAL EditBoxStoredData(CWnd* unit, int32_t* size) {
    EditBoxUnit& box = AsEditBox(unit);
    // The data taken for a re-creation must carry what the user typed.
    if (!box.DesignMode() && box.IsWindow())
        box.content = box.GetWindowText();
    return SaveStoredData(box, size);
}

int32_t EditBoxWantsKey(CWnd* unit, uint32_t key) {
    return AsEditBox(unit).WantsKey(key) ? 1 : 0;
}

const UnitOperationRow kEditBoxOperations[] = {
    {kOpCreateUnit, UnitOperationEntry<CreateUnitFn>(CreateChildUnit<EditBoxUnit>)},
    {kOpPropertyChanged, UnitOperationEntry<PropertyChangedFn>(ChildPropertyChanged<EditBoxUnit>)},
    {kOpGetStoredData, UnitOperationEntry<GetStoredDataFn>(EditBoxStoredData)},
    {kOpGetProperty, UnitOperationEntry<GetPropertyFn>(ChildGetProperty<EditBoxUnit>)},
    {kOpWantsKey, UnitOperationEntry<WantsKeyFn>(EditBoxWantsKey)},
    {kOpConvertTexts, UnitOperationEntry<ConvertTextsFn>(ConvertTextsOf<EditBoxData>)},
};

const PropertyDescriptor kEditBoxProperties[kCommonPropertyCount + kEditBoxOwnPropertyCount] = {
    TAVORI_COMMON_PROPERTY_DESCRIPTORS,
    {"内容", "Content", nullptr, 1005, 0, nullptr},
    {"边框", "Border", nullptr, 1006, 0, nullptr},
    {"文本颜色", "TextColour", nullptr, 1014, 0, nullptr},
    {"背景颜色", "BackColour", nullptr, 1017, 0, nullptr},
    {"字体", "Font", nullptr, 1013, 0, nullptr},
    {"隐藏选择", "HideSelection", nullptr, 1003, 0, nullptr},
    {"最大允许长度", "MaxLength", nullptr, 1001, 0, nullptr},
    {"是否允许多行", "MultiLine", nullptr, 1003, 0, nullptr},
    {"滚动条", "ScrollBars", nullptr, 1006, 0, nullptr},
    {"对齐方式", "Alignment", nullptr, 1006, 0, nullptr},
    {"输入方式", "InputMode", nullptr, 1006, 0, nullptr},
    {"密码遮盖字符", "PasswordChar", nullptr, 1005, 0, nullptr},
    {"转换方式", "LetterCase", nullptr, 1006, 0, nullptr},
    {"调节器方式", "Adjuster", nullptr, 1006, 0, nullptr},
    {"调节器底限值", "AdjusterLower", nullptr, 1001, 0, nullptr},
    {"调节器上限值", "AdjusterUpper", nullptr, 1001, 0, nullptr},
    {"起始选择位置", "SelectionStart", nullptr, 1001, 0, nullptr},
    {"被选择字符数", "SelectionLength", nullptr, 1001, 0, nullptr},
    {"被选择文本", "SelectedText", nullptr, 1005, 0, nullptr},
    {"数据源", "DataSource", nullptr, 1018, 0, nullptr},
    {"数据列", "DataColumn", nullptr, 1020, 0, nullptr},
};

}  // namespace

void* EditBoxEntry(int32_t operation) {
    return FindUnitOperation(kEditBoxOperations, operation);
}

const UnitTypeRecord kEditBoxUnitType = {
    "编辑框", "EditBox", nullptr, 0, nullptr, 0x80000040, 0, 0, nullptr,
    kCommonPropertyCount + kEditBoxOwnPropertyCount, kEditBoxProperties, EditBoxEntry, 0, nullptr};
