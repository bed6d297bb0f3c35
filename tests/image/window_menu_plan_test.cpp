// The menu builder's plan, natively: a deeper next item makes a pop-up, hidden items and their
// sub-trees vanish but keep counting identifiers, "-" is a separator, shortcut names follow a
// tab. The platform's side is tested end to end by window_menu_test.
#include "runtime/image/window_menu_plan.h"

#include <gtest/gtest.h>

#include "runtime/image/form_block.h"
#include "runtime/image/shortcut_table.h"

namespace {

// One line per node: indentation by depth, kind, identifier, states, text.
void Flatten(const std::vector<MenuPlanNode>& nodes, int depth, std::string* out) {
    for (const MenuPlanNode& n : nodes) {
        *out += std::string(2 * depth, ' ') + "PCS"[n.kind] + std::to_string(n.command) + (n.checked ? " checked" : "") +
                (n.grayed ? " grayed" : "") + (n.ownerDraw ? " owner" : "") + " " + n.text + "\n";
        Flatten(n.children, depth + 1, out);
    }
}

std::string Flat(const MenuPlan& plan) {
    std::string out;
    Flatten(plan.popups, 0, &out);
    return out;
}

// caption, level, shortcut, flags
const std::vector<MenuPlanItem> kItems = {
    {0, 0, 0, "&File"},         {15, 1, 0, "&Open"},  {0, 1, 0, "-"},
    {19, 1, kMenuItemChecked, "&Save"},                {0, 1, 0, "Recent"},
    {31, 3, 0, "Deeper"},       {0, 2, 0, "One"},     {20, 0, kMenuItemHidden, "Gone"},
    {2, 1, 0, "Under gone"},    {0, 0, kMenuItemDisabled, "&Edit"},
    {77, 1, 0, "Tab only"},     {2, 1, kMenuItemHidden, "Hidden"}, {63, 1, kMenuItemDisabled, "Last"},
};

TEST(WindowMenuPlan, BarAcceleratorsAllItemsAndSinglePopup) {
    const MenuPlan plan = PlanWindowMenu(kItems, false, false);
    EXPECT_EQ(Flat(plan), "P20000 &File\n  C20001 &Open\tCtrl+O\n  S20002 -\n  C20003 checked &Save\tCtrl+S\n"
                          "  P20004 Recent\n    C20005 Deeper\tF5\n    C20006 One\n"
                          "P20009 grayed &Edit\n  C20010 Tab only\t\n  C20012 grayed Last\tCtrl+Shift+F1\n");
    // Shown items with a key (not row 77, not hidden ones); greyed ones too.
    ASSERT_EQ(plan.accelerators.size(), 4u);
    const uint8_t key = kAccelVirtKey | kAccelNoInvert;
    EXPECT_EQ(plan.accelerators[0].flags, key | kAccelControl);
    EXPECT_EQ(plan.accelerators[0].key, 'O');
    EXPECT_EQ(plan.accelerators[2].flags, key);
    EXPECT_EQ(plan.accelerators[2].key, 0x74);  // F5
    EXPECT_EQ(plan.accelerators[3].flags, key | kAccelControl | kAccelShift);
    EXPECT_EQ(plan.accelerators[3].command, 20012u);

    const std::string all = Flat(PlanWindowMenu(kItems, true, true));
    EXPECT_NE(all.find("P20007 owner Gone\n  C20008 owner Under gone\tCtrl+B\n"), std::string::npos) << all;
    EXPECT_NE(all.find("  C20011 owner Hidden\tCtrl+B\n"), std::string::npos) << all;
    EXPECT_EQ(all.find("grayed"), std::string::npos) << all;

    // A single pop-up from a hidden item is made anyway, with only its own sub-tree.
    const MenuPlan popup = PlanPopupMenu({kItems.begin() + 7, kItems.end()}, 500, false, false);
    EXPECT_EQ(Flat(popup), "P500 Gone\n  C501 Under gone\tCtrl+B\n");
    EXPECT_TRUE(popup.accelerators.empty());
}

TEST(ShortcutTable, NamesAndNumbers) {
    for (uint32_t n = 1; n <= 76; ++n)  // the names are unique
        EXPECT_EQ(ShortcutNumberOf(FindShortcut(n)->name), n) << n;
    EXPECT_STREQ(FindShortcut(51)->name, "Shift+F1");
    EXPECT_EQ(FindShortcut(76)->key, 0x2E);  // Delete
    EXPECT_EQ(FindShortcut(77)->key, 0);
    EXPECT_EQ(FindShortcut(78), nullptr);
}

}  // namespace
