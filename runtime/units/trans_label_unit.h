// The transparent label unit: a plain child window of its own class that paints only its
// caption over whatever lies behind it, with a font, text colour, alignment, word wrap and an
// outline effect. It has no events of its own and never takes the focus.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/framework/wnd.h"
#include "runtime/units/trans_label_data.h"
#include "runtime/units/unit_base.h"

constexpr char kTransLabelClass[] = "TavoriTransLabel";

enum TransLabelProperty : int32_t {
    kLabelCaption = 0,
    kLabelEffect = 1,
    kLabelFont = 2,
    kLabelTextColour = 3,
    kLabelHorizontalAlignment = 4,
    kLabelWordWrap = 5,
    kLabelVerticalAlignment = 6,
};
constexpr int32_t kTransLabelOwnPropertyCount = 7;

enum TransLabelEffect : int32_t { kEffectNone = 0, kEffectSunken = 1, kEffectRaised = 2, kEffectShadow = 3 };

// The DrawText format of a label of this data.
UINT TransLabelFormat(const TransLabelData& data);

class TransLabelUnit : public Unit<CWnd, TransLabelData> {
public:
    explicit TransLabelUnit(const UnitIds& ids);
    ~TransLabelUnit() override;

    bool Make(DWORD baseStyle, HWND parent, uint32_t controlId, int x, int y, int width, int height);
    int32_t PropertyChanged(int32_t number, const uint32_t* value);
    int32_t GetProperty(int32_t number, uint32_t* value);
    // Repaints what lies behind the label, then the label.
    void Refresh();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    // The label's font, made once per font change and kept until the next one.
    HFONT Font();
    void ForgetFont();

    HFONT m_font = nullptr;
};

// The window whose client area the label's background belongs to: the first ancestor that is
// a pop-up or has no parent.
HWND TransLabelTopWindow(HWND label);
// Every visible window below `top`, a window's own visible descendants before it, siblings
// from the top of the z-order down.
std::vector<HWND> VisibleWindowsBelow(HWND top);

// The type's entry function: operations 1, 4, 5, 6 and 9.
void* TransLabelEntry(int32_t operation);
extern const UnitTypeRecord kTransLabelUnitType;
