// The button unit; see button_unit.h.
#include "runtime/units/button_unit.h"

#include "runtime/pictures/picture.h"
#include "runtime/units/unit_entry.h"

namespace {

constexpr DWORD kAlignmentBits = 0x0000FF00;  // the bits the alignments own in a new button
const DWORD kHorizontalStyles[3] = {BS_LEFT, BS_CENTER, BS_RIGHT};
const DWORD kVerticalStyles[3] = {BS_TOP, BS_VCENTER, BS_BOTTOM};
constexpr DWORD kButtonTypeMask = 0x1F;

}  // namespace

// ---- Styles -------------------------------------------------------------------------------

DWORD ButtonStyle(const ButtonData& data, DWORD baseStyle) {
    DWORD style = baseStyle & ~kAlignmentBits;
    if (data.defaultButton == 1)
        style |= BS_DEFPUSHBUTTON;
    style |= kHorizontalStyles[LimitChoice(static_cast<uint32_t>(data.horizontalAlignment), 2)];
    style |= kVerticalStyles[LimitChoice(static_cast<uint32_t>(data.verticalAlignment), 2)];
    return style;
}

// ---- Pictures -----------------------------------------------------------------------------

RenderedPicture RenderButtonPicture(const std::vector<uint8_t>& picture, COLORREF background) {
    RenderedPicture image;
    DecodedPicture decoded;
    if (!DecodePicture(picture.data(), picture.size(), &decoded))
        return image;
    HDC screen = GetDC(nullptr);
    if (!RenderPicture(screen, decoded, &image, background))
        image.Release();
    image.dc = nullptr;  // the button draws it, not this screen DC
    ReleaseDC(nullptr, screen);
    ReleasePicture(&decoded);
    return image;
}

// ---- The unit -----------------------------------------------------------------------------

ButtonUnit::ButtonUnit(const UnitIds& ids) : Unit(ids) {}

ButtonUnit::~ButtonUnit() {
    m_image.Release();
}

bool ButtonUnit::Make(DWORD baseStyle, HWND parent, uint32_t controlId, int x, int y, int width, int height) {
    DWORD style = ButtonStyle(*this, baseStyle);
    if (!picture.empty()) {
        m_image = RenderButtonPicture(picture, GetSysColor(COLOR_BTNFACE));
        if (m_image.icon)
            style |= BS_ICON;
        else if (m_image.bitmap)
            style = (style & ~0xFFu) | (baseStyle & 0xFFu) | BS_BITMAP;
        else
            picture.clear();  // undecodable: the caption stands for it
    }
    style |= WS_CHILD | WS_CLIPSIBLINGS | BS_MULTILINE;
    if (!CreateEx(0, "BUTTON", caption.c_str(), style, x, y, width, height, parent,
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlId))))
        return false;
    m_font.Apply(m_hWnd, font);
    if (m_image.icon)
        SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(m_image.icon));
    else if (m_image.bitmap)
        SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_image.bitmap));
    return true;
}

void ButtonUnit::ReplaceStyleBits(DWORD mask, DWORD bits) {
    ModifyStyle(mask, bits);
    Invalidate();
}

int32_t ButtonUnit::PropertyChanged(int32_t number, const uint32_t* value) {
    switch (number) {
    case kButtonPicture:
        picture = UnitBlockValue(value);
        return 1;  // picture styles are taken at creation only
    case kButtonDefault:
        defaultButton = LimitChoice(value[0], 1);
        ModifyStyle(kButtonTypeMask, defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, SWP_FRAMECHANGED);
        Invalidate();
        return 0;
    case kButtonCaption:
        caption = UnitTextValue(value);
        SetWindowText(caption);
        return 0;
    case kButtonHorizontalAlignment:
        horizontalAlignment = LimitChoice(value[0], 2);
        ReplaceStyleBits(BS_CENTER, kHorizontalStyles[horizontalAlignment]);
        return 0;
    case kButtonVerticalAlignment:
        verticalAlignment = LimitChoice(value[0], 2);
        ReplaceStyleBits(BS_VCENTER, kVerticalStyles[verticalAlignment]);
        return 0;
    case kButtonFont:
        font = UnitBlockValue(value);
        m_font.Apply(m_hWnd, font);
        return 0;
    default: return 0;
    }
}

int32_t ButtonUnit::GetProperty(int32_t number, uint32_t* value) {
    value[0] = value[1] = 0;
    switch (number) {
    case kButtonPicture: PutUnitBlock(picture, value); return 1;
    case kButtonDefault: value[0] = static_cast<uint32_t>(defaultButton); return 1;
    case kButtonCaption: value[0] = UnitWord(caption.c_str()); return 1;
    case kButtonHorizontalAlignment: value[0] = static_cast<uint32_t>(horizontalAlignment); return 1;
    case kButtonVerticalAlignment: value[0] = static_cast<uint32_t>(verticalAlignment); return 1;
    case kButtonFont: PutUnitBlock(font, value); return 1;
    default: return 0;
    }
}

bool ButtonUnit::IsDefaultButton() const {
    return (GetStyle() & kButtonTypeMask) == BS_DEFPUSHBUTTON;
}

BOOL ButtonUnit::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        RaiseUnitEvent(*this, kButtonEventClicked);
        *result = 0;
        return TRUE;
    }
    return CButton::OnChildNotify(message, wParam, lParam, result);
}

LRESULT ButtonUnit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CButton::WindowProc(message, wParam, lParam);
    if (message == WM_SETFOCUS)
        RaiseUnitEvent(*this, kEventGotFocus);
    else if (message == WM_KILLFOCUS)
        RaiseUnitEvent(*this, kEventLostFocus);
    return result;
}

// ---- Type record --------------------------------------------------------------------------

namespace {

ButtonUnit& AsButton(CWnd* unit) {
    return static_cast<ButtonUnit&>(*unit);
}

int32_t ButtonIsDefault(CWnd* unit) {
    return AsButton(unit).IsDefaultButton() ? 1 : 0;
}

const UnitOperationRow kButtonOperations[] = {
    {kOpCreateUnit, UnitOperationEntry<CreateUnitFn>(CreateChildUnit<ButtonUnit>)},
    {kOpPropertyChanged, UnitOperationEntry<PropertyChangedFn>(ChildPropertyChanged<ButtonUnit>)},
    {kOpGetStoredData, UnitOperationEntry<GetStoredDataFn>(ChildStoredData<ButtonUnit>)},
    {kOpGetProperty, UnitOperationEntry<GetPropertyFn>(ChildGetProperty<ButtonUnit>)},
    {kOpConvertTexts, UnitOperationEntry<ConvertTextsFn>(ConvertTextsOf<ButtonData>)},
    {kOpIsDefaultButton, UnitOperationEntry<IsDefaultButtonFn>(ButtonIsDefault)},
};

const PropertyDescriptor kButtonProperties[kCommonPropertyCount + kButtonOwnPropertyCount] = {
    TAVORI_COMMON_PROPERTY_DESCRIPTORS,
    {"图片", "Picture", nullptr, 1009, 0, nullptr},
    {"是否默认", "Default", nullptr, 1006, 0, nullptr},
    {"标题", "Caption", nullptr, 1005, 0, nullptr},
    {"横向对齐方式", "HorizontalAlignment", nullptr, 1006, 0, nullptr},
    {"纵向对齐方式", "VerticalAlignment", nullptr, 1006, 0, nullptr},
    {"字体", "Font", nullptr, 1013, 0, nullptr},
};

}  // namespace

void* ButtonEntry(int32_t operation) {
    return FindUnitOperation(kButtonOperations, operation);
}

const UnitTypeRecord kButtonUnitType = {
    "按钮", "Button", nullptr, 0, nullptr, 0x80000840, 0, 0, nullptr,
    kCommonPropertyCount + kButtonOwnPropertyCount, kButtonProperties, ButtonEntry, 0, nullptr};
