// The edit box's up-down companion; see adjuster_button.h.
#include "runtime/units/adjuster_button.h"

#include <algorithm>

#include "runtime/units/edit_box_unit.h"

int32_t AdjusterStep(int64_t value, int delta, int32_t lower, int32_t upper) {
    if (delta > 0) {
        const int64_t next = value + 1;
        return next >= lower && next <= upper ? static_cast<int32_t>(next) : lower;
    }
    const int64_t next = value - 1;
    return next >= lower && next <= upper ? static_cast<int32_t>(next) : upper;
}

bool AdjusterButton::Make(EditBoxUnit& box, bool automatic, bool edge, int32_t lower, int32_t upper) {
    // Registered at the first adjuster: the common controls are not loaded at start.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    m_box = &box;
    m_automatic = automatic;
    HWND parent = box.GetParent();
    const UINT id = static_cast<UINT>(box.GetDlgCtrlID()) + kAdjusterIdOffset;
    if (!CreateEx(edge ? WS_EX_STATICEDGE : 0, UPDOWN_CLASSA, "", WS_CHILD | WS_CLIPSIBLINGS, 0, 0,
                  kAdjusterWidth, 0, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id))))
        return false;
    SetLimits(lower, upper);
    Place();
    Restack();
    return true;
}

void AdjusterButton::SetLimits(int32_t first, int32_t second) {
    // The 32-bit range: limits beyond 16 bits must step as they are written.
    SetRange32(std::min(first, second), std::max(first, second));
}

void AdjusterButton::SetEdge(bool edge) {
    ModifyStyleEx(WS_EX_STATICEDGE, edge ? WS_EX_STATICEDGE : 0, SWP_FRAMECHANGED);
}

void AdjusterButton::Place() {
    if (!m_box || !m_box->IsWindow() || !IsWindow())
        return;
    HWND parent = m_box->GetParent();
    if (GetParent() != parent)
        SetParent(parent);
    RECT box = m_box->GetWindowRect();
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&box), 2);
    SetWindowPos(nullptr, box.right, box.top, kAdjusterWidth, box.bottom - box.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void AdjusterButton::Restack() {
    if (m_box && m_box->IsWindow() && IsWindow())
        SetWindowPos(m_box->m_hWnd, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

BOOL AdjusterButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_NOTIFY && m_box) {
        const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
        if (change->hdr.code == UDN_DELTAPOS) {
            m_box->OnAdjusterStep(change->iDelta);
            *result = 0;
            return TRUE;
        }
    }
    return CSpinButtonCtrl::OnChildNotify(message, wParam, lParam, result);
}

LRESULT AdjusterButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_REFLECT_CTLCOLOR && m_box)
        return m_box->AnswerColour(reinterpret_cast<HDC>(wParam));
    return CSpinButtonCtrl::WindowProc(message, wParam, lParam);
}
