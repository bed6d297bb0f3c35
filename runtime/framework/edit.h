// CEdit: thin wrapper of the system "EDIT" control; each method is one message.
#pragma once

#include "runtime/framework/wnd.h"

#include <string>

class CEdit : public CWnd {
public:
    // A child edit control at rc in parent, with control identifier id.
    BOOL Create(DWORD style, const RECT& rc, HWND parent, UINT id, DWORD exStyle = 0);

    void SetLimitText(UINT maxChars);
    UINT GetLimitText() const;
    void SetSel(int start, int end, BOOL noScroll = FALSE);
    void GetSel(int& start, int& end) const;
    void ReplaceSel(const char* text, BOOL canUndo = FALSE);
    BOOL SetReadOnly(BOOL readOnly = TRUE);
    BOOL GetModify() const;
    void SetModify(BOOL modified = TRUE);
    void SetPasswordChar(char ch);
    char GetPasswordChar() const;
    int GetLineCount() const;
    void SetMargins(UINT left, UINT right);
    BOOL CanUndo() const;
    BOOL Undo();
    void EmptyUndoBuffer();
    void Cut();
    void Copy();
    void Paste();
    void Clear();
};
