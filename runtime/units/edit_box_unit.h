// The edit box unit: the system's "EDIT" control with a text colour, background, font, border,
// an input mode that filters and normalises what is typed, and an optional up-down companion.
// The control is made as a Unicode window and the unit joins the two WM_CHAR bytes of a typed
// double-byte character into one wide character for it, so that typed Chinese arrives whole;
// every text and position the unit exchanges stays ANSI (bytes).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/framework/edit.h"
#include "runtime/units/adjuster_button.h"
#include "runtime/units/edit_box_data.h"
#include "runtime/units/unit_base.h"

// Own property numbers (the runtime's numbers are these plus 8).
enum EditBoxProperty : int32_t {
    kEditContent = 0,
    kEditBorder = 1,
    kEditTextColour = 2,
    kEditBackColour = 3,
    kEditFont = 4,
    kEditHideSelection = 5,
    kEditMaxLength = 6,
    kEditMultiLine = 7,
    kEditScrollBars = 8,
    kEditAlignment = 9,
    kEditInputMode = 10,
    kEditPasswordChar = 11,
    kEditLetterCase = 12,
    kEditAdjuster = 13,
    kEditAdjusterLower = 14,
    kEditAdjusterUpper = 15,
    kEditSelectionStart = 16,
    kEditSelectionLength = 17,
    kEditSelectedText = 18,
    kEditDataSource = 19,
    kEditDataColumn = 20,
};
constexpr int32_t kEditBoxOwnPropertyCount = 21;

enum EditBoxEvent : int32_t {
    kEditEventChanged = 0,
    kEditEventAdjusted = 1,  // argument 1 up, -1 down
};

// Adjuster choice.
enum EditAdjuster : int32_t { kAdjusterNone = 0, kAdjusterAutomatic = 1, kAdjusterByEvent = 2 };

// Asks a box for its data source; answered 0, as this system has no data source units.
constexpr UINT EditDataSourceQueryMessage = WM_APP + 0x70;

// Text heights of one font: a typed ideograph (the least height of a single-line box) and a
// Latin letter (the height of the centred line).
struct EditFontHeights {
    int ideograph = 0;
    int letter = 0;
};

// The window style a box of this data gets on top of the runtime's base style.
DWORD EditBoxStyle(const EditBoxData& data, DWORD baseStyle);

class EditBoxUnit : public Unit<CEdit, EditBoxData> {
public:
    explicit EditBoxUnit(const UnitIds& ids);

    // CreateUnit's steps after loading: the control, font and height, limits, adjuster,
    // selection and border. False when the control cannot be made.
    bool Make(DWORD baseStyle, HWND parent, uint32_t controlId, int x, int y, int width, int height);

    int32_t PropertyChanged(int32_t number, const uint32_t* value);
    int32_t GetProperty(int32_t number, uint32_t* value);
    bool WantsKey(uint32_t key) const;

    // An arrow of the adjuster was pressed (positive delta up).
    void OnAdjusterStep(int delta);
    LRESULT AnswerColour(HDC dc) const;
    bool IsSingleLine() const { return multiLine == 0; }
    AdjusterButton& Adjuster() { return m_adjuster; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    // Sets the text with event 0 held back, then announces one change (one event 0).
    void ReplaceText(const std::string& text);
    // Makes the font, measures it and gives it to the control; the frame is left as it is.
    void ApplyFont();
    void RecomputeFrame();
    int LetterHeight() const;
    void ApplySelection();
    void ApplyInputMode();
    void MakeAdjuster(DWORD style);
    bool AdjusterEdge() const;
    void NormaliseOnLeaving();
    void Bind();

    // Control positions count wide characters; the unit's count bytes of the ANSI text.
    std::wstring WideText() const;
    void GetByteSelection(int* start, int* end) const;

    LRESULT OnChar(WPARAM wParam, LPARAM lParam);
    static uint16_t PasswordCharOf(const char* text);
    static std::string PasswordText(uint16_t character);
    WPARAM PasswordWideChar() const;
    void SetPasswordChar(WPARAM wide);
    LRESULT OnNcCalcSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTest(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnEraseBackground(HDC dc);
    LRESULT OnWindowPosChanged(WPARAM wParam, LPARAM lParam);
    void OnShowWindow(bool shown);

    UnitFont m_font;
    EditFontHeights m_fontHeights;  // of m_font
    UnitBrush m_brush;
    WNDPROC m_wideProcedure = nullptr;  // the control's own Unicode procedure
    uint8_t m_leadByte = 0;              // first byte of a double-byte character being typed
    AdjusterButton m_adjuster;
    bool m_haveAdjuster = false;
    bool m_holdChangeEvent = false;
    std::string m_selectedText;   // property 18 as last read
    std::string m_passwordText;   // property 11 as last read
};

// The type's entry function: operations 1, 4, 5, 6, 8 and 9.
void* EditBoxEntry(int32_t operation);
extern const UnitTypeRecord kEditBoxUnitType;
