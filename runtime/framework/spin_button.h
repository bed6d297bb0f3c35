// CSpinButtonCtrl: thin wrapper of the common-controls up-down control ("msctls_updown32");
// each method is one message. The class is registered by the process entry.
#pragma once

#include "runtime/framework/wnd.h"

#include <commctrl.h>

class CSpinButtonCtrl : public CWnd {
public:
    // A child up-down control at rc in parent, with control identifier id (UDS_* in style).
    BOOL Create(DWORD style, const RECT& rc, HWND parent, UINT id);

    HWND SetBuddy(HWND buddy);
    HWND GetBuddy() const;
    void SetRange32(int lower, int upper);
    void GetRange32(int& lower, int& upper) const;
    int SetPos32(int pos);
    // The position; *failed (when given) tells whether the control could not read it.
    int GetPos32(BOOL* failed = nullptr) const;
    int SetBase(int base);
};
