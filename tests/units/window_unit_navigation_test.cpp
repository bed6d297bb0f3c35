// The window unit's choice of the focus target and its shape table, without any window.
#include "runtime/units/window_unit_navigation.h"
#include "runtime/units/window_shapes.h"

#include <gtest/gtest.h>

namespace {

// Table order: entries 2..7 with their tab-order numbers.
const std::vector<FocusCandidate> kCandidates = {{2, 3}, {3, 1}, {4, 2}, {5, 5}, {6, 5}, {7, 6}};

int Move(int start, int32_t tab, FocusStart kind, bool forward) {
    return ChooseFocusTarget(kCandidates, FocusRequest{start, tab, kind, forward});
}

TEST(FocusNavigation, TabOrderWithEqualNumbersInTableOrder) {
    std::vector<int> order;
    for (const FocusCandidate& c : NavigationOrder(kCandidates))
        order.push_back(c.entry);
    EXPECT_EQ(order, (std::vector<int>{3, 4, 2, 5, 6, 7}));
}

TEST(FocusNavigation, FromACandidateWrapsBothWays) {
    EXPECT_EQ(Move(2, 3, FocusStart::Ordinary, true), 5);
    EXPECT_EQ(Move(5, 5, FocusStart::Ordinary, true), 6);
    EXPECT_EQ(Move(7, 6, FocusStart::Ordinary, true), 3);   // after the last, the first
    EXPECT_EQ(Move(3, 1, FocusStart::Ordinary, false), 7);  // before the first, the last
    EXPECT_EQ(Move(6, 5, FocusStart::Ordinary, false), 5);
}

TEST(FocusNavigation, FromAUnitThatIsNoCandidateByTableNumber) {
    // Table order 3, 5, 8; navigation order 5 (tab 1), 3 (tab 2), 8 (tab 3).
    const std::vector<FocusCandidate> few = {{3, 2}, {5, 1}, {8, 3}};
    auto move = [&](int start, bool forward) {
        return ChooseFocusTarget(few, FocusRequest{start, 0, FocusStart::Ordinary, forward});
    };
    // From entry 4 the first position whose entry is not above 4 holds entry 3.
    EXPECT_EQ(move(4, true), 3);
    EXPECT_EQ(move(4, false), 5);
    // From entry 9 that is the first position: backwards wraps to the last.
    EXPECT_EQ(move(9, true), 5);
    EXPECT_EQ(move(9, false), 8);
    // From the window itself (0) no position qualifies: the first, or the last.
    EXPECT_EQ(move(0, true), 5);
    EXPECT_EQ(move(0, false), 8);
}

TEST(FocusNavigation, LabelsMoveByTheirOwnTabOrder) {
    EXPECT_EQ(Move(8, 4, FocusStart::Label, true), 5);   // first with tab order 4 or more
    EXPECT_EQ(Move(8, 4, FocusStart::Label, false), 2);  // last with tab order below 4
    EXPECT_EQ(Move(8, 9, FocusStart::Label, true), -1);
    EXPECT_EQ(Move(8, 1, FocusStart::Label, false), -1);
    EXPECT_EQ(Move(8, 9, FocusStart::FromTabZero, true), 3);
    EXPECT_EQ(ChooseFocusTarget({}, FocusRequest{2, 0, FocusStart::Ordinary, true}), -1);
}

TEST(WindowShapes, TheTableHoldsTwentySixListsIn972Bytes) {
    size_t count = 0;
    const uint16_t* table = ShapeTable(&count);
    EXPECT_EQ(count * 2, 972u);
    int ends = 0;
    for (size_t i = 0; i < count; ++i)
        ends += table[i] == kShapeListEnd;
    EXPECT_EQ(ends, kWindowShapePolygonCount);
    EXPECT_EQ(table[count - 1], kShapeListEnd);
}

TEST(WindowShapes, PolygonsScaleToTheWindow) {
    // Shape 5: (0, 0) (32767, 0) (16383, 32767), the downward triangle.
    const std::vector<ShapePoint> triangle = ShapePolygon(5, 200, 100);
    ASSERT_EQ(triangle.size(), 3u);
    EXPECT_EQ(triangle[1].x, 200);
    EXPECT_EQ(triangle[2].x, 100);  // 16383 * 200 / 32767 = 99.99 rounds to 100
    EXPECT_EQ(triangle[2].y, 100);
    // Shape 29, the last list: five points ending at (18724, 32767).
    const std::vector<ShapePoint> last = ShapePolygon(29, 32767, 32767);
    ASSERT_EQ(last.size(), 5u);
    EXPECT_EQ(last[4].x, 18724);
    EXPECT_EQ(last[4].y, 32767);
    EXPECT_EQ(ShapePolygon(16, 100, 100).size(), 24u);
    EXPECT_EQ(ShapePolygon(17, 100, 100).size(), 28u);
    EXPECT_TRUE(ShapePolygon(3, 100, 100).empty());
    EXPECT_TRUE(ShapePolygon(30, 100, 100).empty());
    EXPECT_EQ(ShapeKindOf(2), WindowShapeKind::RoundedRectangle);
    EXPECT_EQ(ScaleShapeValue(16383, 3), 1);   // 1.49996 rounds down
    EXPECT_EQ(ScaleShapeValue(16384, 1), 1);   // 0.50002 rounds up
}

}  // namespace
