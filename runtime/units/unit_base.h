// What every unit kind shares: the stored-data record and its codec entry points, the unit
// object's identity and self-deletion after its window is gone, the RuntimeCallback units talk
// through, fonts, colours, border styles and the raising of events.
//
// A unit kind is one class: its framework control first, its data record behind it, and
// UnitCore last, assembled by Unit<>:
//
//     class EditBoxUnit : public Unit<CEdit, EditBoxData> { ... };
//
// so the CWnd* the runtime holds is the unit object itself, and deleting it through that
// pointer runs the kind's destructor.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/framework/archive.h"
#include "runtime/framework/wnd.h"
#include "runtime/units/unit_data.h"
#include "runtime/units/unit_type.h"

// ---- Stored data --------------------------------------------------------------------------

// The record in stored-data encoding in a new movable, shareable global block of exactly the
// written size, which the caller owns; null and *size 0 on failure or when nothing was written.
HGLOBAL SaveStoredData(UnitData& record, int32_t* size);
// Loads `scratch` from the block, passes every text (flag 0) and the face name of every 60-byte
// font block (flag 1) through `convert`, and saves it into a new block (*size in and out).
// Null and *size 0 when the block cannot be loaded or saved.
HGLOBAL ConvertStoredTexts(UnitData& scratch, const uint8_t* data, int32_t* size,
                           ConvertTextCallback convert, uint32_t word);

// Operation 9 of a unit kind whose data record is Data.
template <class Data>
HGLOBAL ConvertTextsOf(const uint8_t* data, int32_t* size, ConvertTextCallback convert,
                       uint32_t word) {
    Data scratch;
    return ConvertStoredTexts(scratch, data, size, convert, word);
}

// ---- The runtime, as units see it ---------------------------------------------------------

// Kept from the support library's start notification; null until then.
void SetUnitCallback(RuntimeCallbackFn callback);
RuntimeCallbackFn UnitCallback();
// Sends a request through the kept callback; 0 when there is none.
uint32_t CallRuntime(int32_t code, uint32_t word1, uint32_t word2);

// ---- Unit objects -------------------------------------------------------------------------

// The three words the runtime passes to CreateUnit besides the data and the geometry.
struct UnitIds {
    uint32_t windowId;
    uint32_t unitId;
    int32_t designMode;  // 0 whenever a program runs
};

// Identity and life state of a unit object; Unit<> puts it behind the data record.
class UnitCore {
public:
    uint32_t WindowId() const { return m_ids.windowId; }
    uint32_t UnitId() const { return m_ids.unitId; }
    bool DesignMode() const { return m_ids.designMode != 0; }
    // True once CreateUnit has handed the object out; only then does the destruction of its
    // window announce UnitDestroyed and delete the object.
    bool IsLive() const { return m_live; }

protected:
    explicit UnitCore(const UnitIds& ids) : m_ids(ids) {}
    ~UnitCore() = default;

    // Sends UnitDestroyed once, for a live unit only. A unit whose creation failed was never
    // in any table; announcing it would make the runtime forget whatever live unit holds the
    // same identifiers (the old unit during a re-creation).
    void AnnounceDestroyed();

    UnitIds m_ids;
    bool m_live = false;
};

template <class Framework, class Data>
class Unit : public Framework, public Data, public UnitCore {
public:
    explicit Unit(const UnitIds& ids) : UnitCore(ids) {}

    // Hands the unit out when its window was made, else destroys whatever window exists and
    // deletes the object. Answers the pointer the runtime keeps, or null.
    CWnd* Commit(bool created) {
        if (!created || !this->IsWindow()) {
            Discard();
            return nullptr;
        }
        m_live = true;
        return this;
    }

    // Deletes a unit that never went live, together with any window it made.
    void Discard() {
        if (this->IsWindow())
            this->DestroyWindow();
        delete this;
    }

protected:
    void PostNcDestroy() override {
        if (!m_live)
            return;  // creation is failing; the creator deletes the object
        AnnounceDestroyed();
        delete this;
    }
};

// The usual CreateUnit: a new U loaded from the stored data, whose window `makeWindow(U&)`
// creates (answering whether it did). Null, with no object or window left, on any failure.
template <class U, class MakeWindow>
CWnd* CreateUnitFromStoredData(const uint8_t* data, int32_t size, const UnitIds& ids,
                               MakeWindow makeWindow) {
    U* unit = new U(ids);
    if (!LoadStoredData(*unit, data, size)) {
        delete unit;
        return nullptr;
    }
    return unit->Commit(makeWindow(*unit));
}

// The operations of a child unit kind U whose object answers Make, PropertyChanged and
// GetProperty: creation (1), a property changed (4), its stored data (5), a property read (6).
template <class U>
CWnd* CreateChildUnit(const uint8_t* data, int32_t size, uint32_t style, HWND parent, uint32_t controlId, HMENU,
                      int32_t x, int32_t y, int32_t width, int32_t height, uint32_t windowId, uint32_t unitId,
                      HWND, int32_t designMode) {
    return CreateUnitFromStoredData<U>(data, size, UnitIds{windowId, unitId, designMode}, [&](U& unit) {
        return unit.Make(style, parent, controlId, x, y, width, height);
    });
}

template <class U>
int32_t ChildPropertyChanged(CWnd* unit, int32_t number, const uint32_t* value, uint32_t* result) {
    if (result)
        *result = 0;
    if (!unit || !value)
        return 0;
    return static_cast<U*>(unit)->PropertyChanged(number, value);
}

template <class U>
HGLOBAL ChildStoredData(CWnd* unit, int32_t* size) {
    return SaveStoredData(*static_cast<U*>(unit), size);
}

template <class U>
int32_t ChildGetProperty(CWnd* unit, int32_t number, uint32_t* value) {
    return static_cast<U*>(unit)->GetProperty(number, value);
}

// ---- Fonts --------------------------------------------------------------------------------

constexpr int32_t kFontBlockSize = 60;
static_assert(sizeof(LOGFONTA) == kFontBlockSize, "a font block is one LOGFONTA");

// A font from a stored font block, or the stock DEFAULT_GUI_FONT for a block of any other
// length or one the system cannot make a font from.
HFONT MakeUnitFont(const uint8_t* block, int32_t size);

// The font a unit made for its control. A made font is deleted when replaced and on
// destruction; the stock font never is.
class UnitFont {
public:
    UnitFont() = default;
    ~UnitFont();
    UnitFont(const UnitFont&) = delete;
    UnitFont& operator=(const UnitFont&) = delete;

    // Makes the font and gives it to the window (WM_SETFONT, redraw). The old font is deleted
    // only after the window has let go of it.
    void Apply(HWND window, const uint8_t* block, int32_t size);
    void Apply(HWND window, const std::vector<uint8_t>& block) {
        Apply(window, block.data(), static_cast<int32_t>(block.size()));
    }
    HFONT Handle() const { return m_font; }
    bool IsStock() const;

private:
    void Release();
    HFONT m_font = nullptr;
};

// ---- Colours ------------------------------------------------------------------------------

// The COLORREF a stored colour means now.
COLORREF ResolveColour(uint32_t colour);
// A new solid brush of the resolved colour; the caller deletes it.
HBRUSH MakeSolidBrush(uint32_t colour);

// A unit's background brush, remade when the colour property changes.
class UnitBrush {
public:
    UnitBrush() = default;
    ~UnitBrush();
    UnitBrush(const UnitBrush&) = delete;
    UnitBrush& operator=(const UnitBrush&) = delete;

    HBRUSH Make(uint32_t colour);
    HBRUSH Handle() const { return m_brush; }

private:
    HBRUSH m_brush = nullptr;
};

// The answer of an edit-like unit to WM_REFLECT_CTLCOLOR (device context in wParam): its text
// and background colours on the DC and its background brush as the result.
LRESULT AnswerReflectedColour(HDC dc, uint32_t textColour, uint32_t backColour, HBRUSH backBrush);

// ---- Border style -------------------------------------------------------------------------

struct BorderStyleRow {
    DWORD exStyle;  // extended style bits the border adds
    DWORD style;    // window style bits the border adds
};

constexpr int kBorderStyleCount = 6;
extern const BorderStyleRow kBorderStyles[kBorderStyleCount];
// Every bit any border may add; applying a border removes them all first.
constexpr DWORD kBorderExStyleMask = WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE;
constexpr DWORD kBorderStyleMask = WS_BORDER;

// The row of a stored border value; a value outside the table means no border.
const BorderStyleRow& BorderStyleFor(int32_t value);
// Replaces the window's border bits with the row's, leaving the frame to be recomputed by the
// caller (a unit being made recomputes it once, for the border and its own needs together).
void SetBorderStyleBits(HWND window, int32_t value);
// Replaces the window's border bits with the row's and has the frame recomputed and redrawn.
void ApplyBorderStyle(HWND window, int32_t value);

// ---- Events -------------------------------------------------------------------------------

constexpr int kMaxEventArguments = 5;

// Raises `event` for the unit with up to five arguments (RaiseEvent, 2008). True when a
// handler ran; `out`, when given, receives the record with the handler's result words.
bool RaiseUnitEvent(const UnitCore& unit, int32_t event, std::initializer_list<uint32_t> args = {},
                    EventRecord* out = nullptr);

// The modifier keys held now: 1 Ctrl, 2 Shift, 4 Alt.
uint32_t KeyState();

// The common events every unit kind may raise.
enum CommonEvent : int32_t {
    kEventLeftButtonDown = -1,
    kEventLeftButtonUp = -2,
    kEventDoubleClick = -3,
    kEventRightButtonDown = -4,
    kEventRightButtonUp = -5,
    kEventMouseMove = -6,
    kEventGotFocus = -7,
    kEventLostFocus = -8,
    kEventKeyDown = -9,
    kEventKeyUp = -10,
    kEventCharInput = -11,
    kEventMouseWheel = -12,
};
