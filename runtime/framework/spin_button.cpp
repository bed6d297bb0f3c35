// Up-down control wrapper; see spin_button.h.
#include "runtime/framework/spin_button.h"


BOOL CSpinButtonCtrl::Create(DWORD style, const RECT& rc, HWND parent, UINT id) {
    // Registered here, at the first up-down control, so that a program without one never loads
    // the common controls.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    return CreateEx(0, UPDOWN_CLASSA, "", style | WS_CHILD, rc.left, rc.top, rc.right - rc.left,
                    rc.bottom - rc.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

HWND CSpinButtonCtrl::SetBuddy(HWND buddy) {
    return reinterpret_cast<HWND>(SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0));
}

HWND CSpinButtonCtrl::GetBuddy() const {
    return reinterpret_cast<HWND>(SendMessage(UDM_GETBUDDY, 0, 0));
}

void CSpinButtonCtrl::SetRange32(int lower, int upper) {
    SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(lower), upper);
}

void CSpinButtonCtrl::GetRange32(int& lower, int& upper) const {
    SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
}

int CSpinButtonCtrl::SetPos32(int pos) {
    return static_cast<int>(SendMessage(UDM_SETPOS32, 0, pos));
}

int CSpinButtonCtrl::GetPos32(BOOL* failed) const {
    return static_cast<int>(SendMessage(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(failed)));
}

int CSpinButtonCtrl::SetBase(int base) {
    return static_cast<int>(SendMessage(UDM_SETBASE, static_cast<WPARAM>(base), 0));
}
