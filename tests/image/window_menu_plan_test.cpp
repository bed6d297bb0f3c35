// The menu builder's plan, natively: a deeper next item makes a pop-up, hidden items and their
// sub-trees vanish but keep counting identifiers, "-" is a separator, shortcut names follow a tab.
#include "runtime/image/window_menu_plan.h"

#include <gtest/gtest.h>

#include "runtime/image/form_block.h"

namespace {

std::string Flat(const std::vector<MenuPlanNode>& nodes, const std::string& indent = "") {
    std::string out;
    for (const MenuPlanNode& n : nodes)
        out += indent + "PCS"[n.kind] + std::to_string(n.command) + (n.checked ? "v" : "") + (n.grayed ? "g" : "") +
               (n.ownerDraw ? "o" : "") + " " + n.text + "\n" + Flat(n.children, indent + " ");
    return out;
}

TEST(WindowMenuPlan, LevelsHiddenItemsModesAndSinglePopup) {
    const std::vector<MenuPlanItem> items = {  // shortcut, level, flags, caption
        {0, 0, 0, "F"}, {15, 1, 0, "O"}, {0, 1, 0, "-"}, {19, 1, kMenuItemChecked, "S"}, {0, 1, 0, "R"},
        {31, 3, 0, "D"}, {0, 2, 0, "E"}, {20, 0, kMenuItemHidden, "G"}, {2, 1, 0, "U"},
        {77, 0, kMenuItemDisabled, "T"}, {2, 1, kMenuItemHidden, "H"}, {63, 1, kMenuItemDisabled, "L"}};
    const MenuPlan plan = PlanWindowMenu(items, false, false);
    EXPECT_EQ(Flat(plan.popups), "P20000 F\n C20001 O\tCtrl+O\n S20002 -\n C20003v S\tCtrl+S\n P20004 R\n"
                                 "  C20005 D\tF5\n  C20006 E\nP20009g T\n C20011g L\tCtrl+Shift+F1\n");
    ASSERT_EQ(plan.accelerators.size(), 4u);  // shown items with a key
    EXPECT_EQ(plan.accelerators[3].flags, kAccelVirtKey | kAccelNoInvert | kAccelControl | kAccelShift);
    EXPECT_EQ(plan.accelerators[3].key, 0x70);
    EXPECT_EQ(plan.accelerators[3].command, 20011u);
    const std::string all = Flat(PlanWindowMenu(items, true, true).popups);  // no pop-up shows a shortcut
    EXPECT_NE(all.find("\nP20007o G\n C20008o U\tCtrl+B\nP20009o T\n C20010o H\tCtrl+B\n C20011o L\t"), std::string::npos);
    const MenuPlan popup = PlanPopupMenu({items.begin() + 7, items.end()}, 500, false, false);
    EXPECT_EQ(Flat(popup.popups), "P500 G\n C501 U\tCtrl+B\n");  // hidden, made anyway: no parent
    EXPECT_TRUE(popup.accelerators.empty());
}

}  // namespace
