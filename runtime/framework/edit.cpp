// Edit control wrapper; see edit.h.
#include "runtime/framework/edit.h"


BOOL CEdit::Create(DWORD style, const RECT& rc, HWND parent, UINT id, DWORD exStyle) {
    return CreateEx(exStyle, "EDIT", "", style | WS_CHILD, rc.left, rc.top, rc.right - rc.left,
                    rc.bottom - rc.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

void CEdit::SetLimitText(UINT maxChars) {
    SendMessage(EM_LIMITTEXT, maxChars, 0);
}

UINT CEdit::GetLimitText() const {
    return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT, 0, 0));
}

void CEdit::SetSel(int start, int end, BOOL noScroll) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
    if (!noScroll)
        SendMessage(EM_SCROLLCARET, 0, 0);
}

void CEdit::GetSel(int& start, int& end) const {
    DWORD s = 0, e = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    start = static_cast<int>(s);
    end = static_cast<int>(e);
}

void CEdit::ReplaceSel(const char* text, BOOL canUndo) {
    SendMessage(EM_REPLACESEL, canUndo, reinterpret_cast<LPARAM>(text ? text : ""));
}

BOOL CEdit::SetReadOnly(BOOL readOnly) {
    return static_cast<BOOL>(SendMessage(EM_SETREADONLY, readOnly, 0));
}

BOOL CEdit::GetModify() const {
    return static_cast<BOOL>(SendMessage(EM_GETMODIFY, 0, 0));
}

void CEdit::SetModify(BOOL modified) {
    SendMessage(EM_SETMODIFY, modified, 0);
}

void CEdit::SetPasswordChar(char ch) {
    SendMessage(EM_SETPASSWORDCHAR, static_cast<unsigned char>(ch), 0);
}

char CEdit::GetPasswordChar() const {
    return static_cast<char>(SendMessage(EM_GETPASSWORDCHAR, 0, 0));
}

int CEdit::GetLineCount() const {
    return static_cast<int>(SendMessage(EM_GETLINECOUNT, 0, 0));
}

void CEdit::SetMargins(UINT left, UINT right) {
    SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(left, right));
}

BOOL CEdit::CanUndo() const {
    return static_cast<BOOL>(SendMessage(EM_CANUNDO, 0, 0));
}

BOOL CEdit::Undo() {
    return static_cast<BOOL>(SendMessage(EM_UNDO, 0, 0));
}

void CEdit::EmptyUndoBuffer() {
    SendMessage(EM_EMPTYUNDOBUFFER, 0, 0);
}

void CEdit::Cut() {
    SendMessage(WM_CUT, 0, 0);
}

void CEdit::Copy() {
    SendMessage(WM_COPY, 0, 0);
}

void CEdit::Paste() {
    SendMessage(WM_PASTE, 0, 0);
}

void CEdit::Clear() {
    SendMessage(WM_CLEAR, 0, 0);
}
