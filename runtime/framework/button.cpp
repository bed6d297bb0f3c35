// Button control wrapper; see button.h.
#include "runtime/framework/button.h"

BOOL CButton::Create(const char* caption, DWORD style, const RECT& rc, HWND parent, UINT id,
                     DWORD exStyle) {
    return CreateEx(exStyle, "BUTTON", caption, style | WS_CHILD, rc.left, rc.top,
                    rc.right - rc.left, rc.bottom - rc.top, parent,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

int CButton::GetCheck() const {
    return static_cast<int>(SendMessage(BM_GETCHECK, 0, 0));
}

void CButton::SetCheck(int check) {
    SendMessage(BM_SETCHECK, static_cast<WPARAM>(check), 0);
}

UINT CButton::GetState() const {
    return static_cast<UINT>(SendMessage(BM_GETSTATE, 0, 0));
}

void CButton::SetState(BOOL highlight) {
    SendMessage(BM_SETSTATE, highlight, 0);
}

UINT CButton::GetButtonStyle() const {
    // The low byte of the window style is the button kind; the rest are window styles.
    return static_cast<UINT>(GetStyle() & 0xFF);
}

void CButton::SetButtonStyle(UINT style, BOOL redraw) {
    SendMessage(BM_SETSTYLE, style, MAKELPARAM(redraw, 0));
}

HBITMAP CButton::SetBitmap(HBITMAP bitmap) {
    return reinterpret_cast<HBITMAP>(
        SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
}

HBITMAP CButton::GetBitmap() const {
    return reinterpret_cast<HBITMAP>(SendMessage(BM_GETIMAGE, IMAGE_BITMAP, 0));
}

HICON CButton::SetIcon(HICON icon) {
    return reinterpret_cast<HICON>(
        SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)));
}

HICON CButton::GetIcon() const {
    return reinterpret_cast<HICON>(SendMessage(BM_GETIMAGE, IMAGE_ICON, 0));
}

void CButton::Click() {
    SendMessage(BM_CLICK, 0, 0);
}
