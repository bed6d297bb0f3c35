// CButton: thin wrapper of the system "BUTTON" control; each method is one message.
#pragma once

#include "runtime/framework/wnd.h"

class CButton : public CWnd {
public:
    // A child button at rc in parent, with control identifier id (BS_* in style).
    BOOL Create(const char* caption, DWORD style, const RECT& rc, HWND parent, UINT id,
                DWORD exStyle = 0);

    int GetCheck() const;  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE
    void SetCheck(int check);
    UINT GetState() const;
    void SetState(BOOL highlight);
    UINT GetButtonStyle() const;
    void SetButtonStyle(UINT style, BOOL redraw = TRUE);
    HBITMAP SetBitmap(HBITMAP bitmap);
    HBITMAP GetBitmap() const;
    HICON SetIcon(HICON icon);
    HICON GetIcon() const;
    // Presses the button as a click of the user would (the parent gets BN_CLICKED).
    void Click();
};
