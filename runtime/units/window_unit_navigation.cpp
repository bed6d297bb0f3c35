// Choice of the focus target; see window_unit_navigation.h.
#include "runtime/units/window_unit_navigation.h"

#include <algorithm>

namespace {

int FromOwnTabOrder(const std::vector<FocusCandidate>& order, int32_t tabOrder, bool forward) {
    if (forward) {
        for (const FocusCandidate& c : order)
            if (c.tabOrder >= tabOrder)
                return c.entry;
        return -1;
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        if (it->tabOrder < tabOrder)
            return it->entry;
    return -1;
}

int FromOwnPlace(const std::vector<FocusCandidate>& order, size_t at, bool forward) {
    const size_t n = order.size();
    return order[forward ? (at + 1) % n : (at + n - 1) % n].entry;
}

// A start that is no candidate (hidden, disabled, the window itself) is placed by its table
// number: the first candidate whose number is not above it stands where it would be.
int FromTableNumber(const std::vector<FocusCandidate>& order, int startEntry, bool forward) {
    const size_t n = order.size();
    for (size_t m = 0; m < n; ++m) {
        if (order[m].entry <= startEntry)
            return forward ? order[m].entry : order[m == 0 ? n - 1 : m - 1].entry;
    }
    return forward ? order.front().entry : order.back().entry;
}

}  // namespace

std::vector<FocusCandidate> NavigationOrder(std::vector<FocusCandidate> candidates) {
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const FocusCandidate& a, const FocusCandidate& b) { return a.tabOrder < b.tabOrder; });
    return candidates;
}

int ChooseFocusTarget(const std::vector<FocusCandidate>& candidates, const FocusRequest& request) {
    const std::vector<FocusCandidate> order = NavigationOrder(candidates);
    if (order.empty())
        return -1;
    if (request.start == FocusStart::Label)
        return FromOwnTabOrder(order, request.startTabOrder, request.forward);
    if (request.start == FocusStart::FromTabZero)
        return FromOwnTabOrder(order, 0, request.forward);
    for (size_t at = 0; at < order.size(); ++at) {
        if (order[at].entry == request.startEntry)
            return FromOwnPlace(order, at, request.forward);
    }
    return FromTableNumber(order, request.startEntry, request.forward);
}
