// The button unit: the system's "BUTTON" control as a push button with a caption or a picture,
// a text alignment, a font and an optional default-button role. Its own event is the click.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/framework/button.h"
#include "runtime/pictures/picture.h"
#include "runtime/units/button_data.h"
#include "runtime/units/unit_base.h"

enum ButtonProperty : int32_t {
    kButtonPicture = 0,
    kButtonDefault = 1,
    kButtonCaption = 2,
    kButtonHorizontalAlignment = 3,
    kButtonVerticalAlignment = 4,
    kButtonFont = 5,
};
constexpr int32_t kButtonOwnPropertyCount = 6;

constexpr int32_t kButtonEventClicked = 0;

// The button type bits and alignment bits of a button of this data; `baseStyle` keeps its
// bits outside 8..15 and its low byte.
DWORD ButtonStyle(const ButtonData& data, DWORD baseStyle);

// Decodes picture bytes for a button and renders them on `background`: an icon for icon and
// cursor files, else a bitmap. An empty image when the bytes are no picture the runtime
// decodes, so the button shows its caption.
RenderedPicture RenderButtonPicture(const std::vector<uint8_t>& picture, COLORREF background);

class ButtonUnit : public Unit<CButton, ButtonData> {
public:
    explicit ButtonUnit(const UnitIds& ids);
    ~ButtonUnit() override;

    bool Make(DWORD baseStyle, HWND parent, uint32_t controlId, int x, int y, int width, int height);
    int32_t PropertyChanged(int32_t number, const uint32_t* value);
    int32_t GetProperty(int32_t number, uint32_t* value);
    bool IsDefaultButton() const;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void ReplaceStyleBits(DWORD mask, DWORD bits);

    UnitFont m_font;
    RenderedPicture m_image;
};

// The type's entry function: operations 1, 4, 5, 6, 9 and 10.
void* ButtonEntry(int32_t operation);
extern const UnitTypeRecord kButtonUnitType;
