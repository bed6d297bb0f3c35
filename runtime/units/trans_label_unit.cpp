// The transparent label unit; see trans_label_unit.h.
#include "runtime/units/trans_label_unit.h"

#include "runtime/units/unit_entry.h"

namespace {

constexpr COLORREF kHighlight = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(0, 0, 0);

const UINT kHorizontalFormats[3] = {DT_LEFT, DT_CENTER, DT_RIGHT};
const UINT kVerticalFormats[3] = {0, DT_VCENTER, DT_BOTTOM};

void CollectVisible(HWND parent, std::vector<HWND>& out) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        CollectVisible(child, out);
        out.push_back(child);
    }
}

void DrawCaption(HDC dc, const std::string& text, RECT rect, int dx, int dy, COLORREF colour, UINT format) {
    OffsetRect(&rect, dx, dy);
    SetTextColor(dc, colour);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

}  // namespace

// ---- Drawing ------------------------------------------------------------------------------

UINT TransLabelFormat(const TransLabelData& data) {
    UINT format = DT_NOPREFIX | kHorizontalFormats[LimitChoice(static_cast<uint32_t>(data.horizontalAlignment), 2)];
    // Wrapped text always starts at the top: DrawText centres and bottoms single lines only.
    if (data.wordWrap)
        return format | DT_WORDBREAK | DT_VCENTER;
    return format | DT_SINGLELINE | kVerticalFormats[LimitChoice(static_cast<uint32_t>(data.verticalAlignment), 2)];
}

// ---- Refresh ------------------------------------------------------------------------------

HWND TransLabelTopWindow(HWND label) {
    HWND top = label;
    while (!(GetWindowLongA(top, GWL_STYLE) & WS_POPUP)) {
        HWND parent = GetParent(top);
        if (!parent)
            break;
        top = parent;
    }
    return top;
}

std::vector<HWND> VisibleWindowsBelow(HWND top) {
    std::vector<HWND> windows;
    CollectVisible(top, windows);
    return windows;
}

void TransLabelUnit::Refresh() {
    // A label that does not show (hidden itself, or its window not shown yet, as while a window
    // loads) has nothing on the screen to bring up to date: the walk over every window below it
    // would make loading a window of n labels cost n times n.
    if (!IsWindow() || !::IsWindowVisible(m_hWnd))
        return;
    HWND top = TransLabelTopWindow(m_hWnd);
    RECT label = GetClientRect();
    MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&label), 2);  // screen
    if (top != m_hWnd) {
        RECT behind = label;
        MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&behind), 2);
        InvalidateRect(top, &behind, TRUE);
        ::UpdateWindow(top);
    }
    const std::vector<HWND> windows = VisibleWindowsBelow(top);
    // From the bottom of the stack up, so that what lies higher is painted over what is lower.
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        RECT window;
        ::GetWindowRect(*it, &window);
        RECT common;
        if (!IntersectRect(&common, &window, &label))
            continue;
        MapWindowPoints(nullptr, *it, reinterpret_cast<POINT*>(&common), 2);
        RedrawWindow(*it, &common, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ERASENOW | RDW_FRAME);
    }
    Invalidate(FALSE);
}

// ---- The unit -----------------------------------------------------------------------------

TransLabelUnit::TransLabelUnit(const UnitIds& ids) : Unit(ids) {}

TransLabelUnit::~TransLabelUnit() { ForgetFont(); }

HFONT TransLabelUnit::Font() {
    if (!m_font)
        m_font = MakeUnitFont(font.data(), static_cast<int32_t>(font.size()));
    return m_font;
}

void TransLabelUnit::ForgetFont() {
    if (m_font && m_font != GetStockObject(DEFAULT_GUI_FONT))
        DeleteObject(m_font);
    m_font = nullptr;
}

bool TransLabelUnit::Make(DWORD baseStyle, HWND parent, uint32_t controlId, int x, int y, int width, int height) {
    RegisterWndClass(kTransLabelClass, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW),
                     static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    return CreateEx(WS_EX_TRANSPARENT, kTransLabelClass, caption.c_str(), baseStyle | WS_CHILD | WS_CLIPSIBLINGS,
                    x, y, width, height, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlId))) != FALSE;
}

void TransLabelUnit::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    const std::string text = GetWindowText();
    if (!text.empty()) {
        HGDIOBJ old = SelectObject(dc, Font());
        const UINT format = TransLabelFormat(*this);
        SetBkMode(dc, TRANSPARENT);
        RECT client = GetClientRect();
        switch (effect) {
        case kEffectSunken: DrawCaption(dc, text, client, 1, 1, kHighlight, format); break;
        case kEffectRaised:
            DrawCaption(dc, text, client, 0, 0, kHighlight, format);
            OffsetRect(&client, 1, 1);
            break;
        case kEffectShadow: DrawCaption(dc, text, client, 2, 2, kShadow, format); break;
        default: break;
        }
        DrawCaption(dc, text, client, 0, 0, ResolveColour(textColour), format);
        SelectObject(dc, old);
    }
    EndPaint(m_hWnd, &paint);
}

int32_t TransLabelUnit::PropertyChanged(int32_t number, const uint32_t* value) {
    switch (number) {
    case kLabelCaption:
        caption = UnitTextValue(value);
        SetWindowText(caption);
        break;
    case kLabelEffect: effect = LimitChoice(value[0], 3); break;
    case kLabelFont:
        font = UnitBlockValue(value);
        ForgetFont();
        break;
    case kLabelTextColour: textColour = value[0]; break;
    case kLabelHorizontalAlignment: horizontalAlignment = LimitChoice(value[0], 2); break;
    case kLabelWordWrap: wordWrap = value[0] != 0 ? 1 : 0; break;
    case kLabelVerticalAlignment: verticalAlignment = LimitChoice(value[0], 2); break;
    default: break;
    }
    Refresh();
    return 0;
}

int32_t TransLabelUnit::GetProperty(int32_t number, uint32_t* value) {
    value[0] = value[1] = 0;
    switch (number) {
    case kLabelCaption: value[0] = UnitWord(caption.c_str()); return 1;
    case kLabelEffect: value[0] = static_cast<uint32_t>(effect); return 1;
    case kLabelFont: PutUnitBlock(font, value); return 1;
    case kLabelTextColour: value[0] = textColour; return 1;
    case kLabelHorizontalAlignment: value[0] = static_cast<uint32_t>(horizontalAlignment); return 1;
    case kLabelWordWrap: value[0] = static_cast<uint32_t>(wordWrap); return 1;
    case kLabelVerticalAlignment: value[0] = static_cast<uint32_t>(verticalAlignment); return 1;
    default: return 0;
    }
}

LRESULT TransLabelUnit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return 1;  // what lies behind shows through
    case WM_MOVE: {
        LRESULT result = CWnd::WindowProc(message, wParam, lParam);
        Refresh();
        return result;
    }
    default: return CWnd::WindowProc(message, wParam, lParam);
    }
}

// ---- Type record --------------------------------------------------------------------------

namespace {

const UnitOperationRow kTransLabelOperations[] = {
    {kOpCreateUnit, UnitOperationEntry<CreateUnitFn>(CreateChildUnit<TransLabelUnit>)},
    {kOpPropertyChanged, UnitOperationEntry<PropertyChangedFn>(ChildPropertyChanged<TransLabelUnit>)},
    {kOpGetStoredData, UnitOperationEntry<GetStoredDataFn>(ChildStoredData<TransLabelUnit>)},
    {kOpGetProperty, UnitOperationEntry<GetPropertyFn>(ChildGetProperty<TransLabelUnit>)},
    {kOpConvertTexts, UnitOperationEntry<ConvertTextsFn>(ConvertTextsOf<TransLabelData>)},
};

const PropertyDescriptor kTransLabelProperties[kCommonPropertyCount + kTransLabelOwnPropertyCount] = {
    TAVORI_COMMON_PROPERTY_DESCRIPTORS,
    {"标题", "Caption", nullptr, 1005, 0, nullptr},
    {"效果", "Effect", nullptr, 1006, 0, nullptr},
    {"字体", "Font", nullptr, 1013, 0, nullptr},
    {"文本颜色", "TextColour", nullptr, 1014, 0, nullptr},
    {"横向对齐方式", "HorizontalAlignment", nullptr, 1006, 0, nullptr},
    {"是否自动折行", "WordWrap", nullptr, 1003, 0, nullptr},
    {"纵向对齐方式", "VerticalAlignment", nullptr, 1006, 0, nullptr},
};

}  // namespace

void* TransLabelEntry(int32_t operation) {
    return FindUnitOperation(kTransLabelOperations, operation);
}

const UnitTypeRecord kTransLabelUnitType = {
    "透明标签", "TransLabel", nullptr, 0, nullptr, 0x00012040, 0, 0, nullptr,
    kCommonPropertyCount + kTransLabelOwnPropertyCount, kTransLabelProperties, TransLabelEntry, 0, nullptr};
