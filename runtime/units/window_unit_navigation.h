// Where keyboard navigation moves the focus among a window's units: the choice of the target
// from the candidates, apart from any window. Portable, so the ordering rules are tested
// natively.
#pragma once

#include <cstdint>
#include <vector>

struct FocusCandidate {
    int entry;         // the unit's number in the unit table (1 and up)
    int32_t tabOrder;  // from its unit record
};

// How the starting unit's own place is found.
enum class FocusStart {
    Ordinary,      // by its place among the candidates, or by its table number when not one
    Label,         // a label: the units at or after its tab order come next
    FromTabZero,   // navigation from it counts as starting at tab order 0
};

struct FocusRequest {
    int startEntry;          // the unit the move starts from (0: the window itself)
    int32_t startTabOrder;
    FocusStart start;
    bool forward;
};

// Candidates in navigation order: by tab order ascending, equal numbers in table order.
// `candidates` is given in table order.
std::vector<FocusCandidate> NavigationOrder(std::vector<FocusCandidate> candidates);

// The entry that receives the focus, or -1 when the focus does not move. `candidates` is given
// in table order.
int ChooseFocusTarget(const std::vector<FocusCandidate>& candidates, const FocusRequest& request);
