// The edit box's up-down companion: a sibling "msctls_updown32" control that sits to the right
// of its box, follows it in place, z-order, visibility and enabling, and turns its arrows into
// steps of the box's integer value or into the box's event 1.
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/framework/spin_button.h"

class EditBoxUnit;

constexpr int kAdjusterWidth = 18;
// The adjuster's control identifier is its box's plus this.
constexpr uint32_t kAdjusterIdOffset = 4;

class AdjusterButton : public CSpinButtonCtrl {
public:
    // Makes the control beside `box` (same parent, identifier box + 4); false when the system
    // refuses it, and the box then works without one.
    bool Make(EditBoxUnit& box, bool automatic, bool edge, int32_t lower, int32_t upper);
    bool IsAutomatic() const { return m_automatic; }

    // Puts the adjuster directly right of the box, as high as the box, in the box's parent.
    void Place();
    // Puts the adjuster right below the box in the z-order.
    void Restack();
    // The range as the step reads it back: the smaller limit below, the larger above.
    void SetLimits(int32_t first, int32_t second);
    void SetEdge(bool edge);

    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    EditBoxUnit* m_box = nullptr;
    bool m_automatic = false;
};

// The value an automatic step gives: v + 1 (up) or v - 1 (down) when it lies within
// lower..upper, else the other end of the range. Wraps at both ends.
int32_t AdjusterStep(int64_t value, int delta, int32_t lower, int32_t upper);
