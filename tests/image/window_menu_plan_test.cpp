// The menu builder's plan and the shortcut rows, natively and under Wine (where the keys are also
// compared with the platform's own virtual-key codes). Expected trees follow the builder's rules:
// a deeper next item makes a pop-up, hidden items and their sub-trees vanish but keep counting
// identifiers, "-" is a separator, shortcut names follow a tab.
#include "runtime/image/window_menu_plan.h"

#include <gtest/gtest.h>

#include "runtime/image/form_block.h"
#include "runtime/image/shortcut_table.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

MenuPlanItem Item(const char* caption, uint32_t level, uint32_t shortcut = 0, uint32_t flags = 0) {
    MenuPlanItem i;
    i.caption = caption;
    i.level = level;
    i.shortcut = shortcut;
    i.flags = flags;
    return i;
}

// One line per node: indentation by depth, kind letter, identifier, flags, the text.
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

const std::vector<MenuPlanItem> kItems = {
    Item("&File", 0),                                    // 20000
    Item("&Open", 1, 15),                                // 20001 Ctrl+O
    Item("-", 1),                                        // 20002
    Item("&Save", 1, 19, kMenuItemChecked),              // 20003 Ctrl+S
    Item("Recent", 1),                                   // 20004 pop-up
    Item("One", 2),                                      // 20005
    Item("Deep", 2),                                     // 20006 pop-up
    Item("Deeper", 3, 31),                               // 20007 F5
    Item("Gone", 0, 0, kMenuItemHidden),                 // 20008 hidden, with its sub-tree
    Item("Under gone", 1, 20),                           // 20009 Ctrl+T
    Item("&Edit", 0, 0, kMenuItemDisabled),              // 20010
    Item("Tab only", 1, 77),                             // 20011
    Item("Nothing", 1, 0, kMenuItemDisabled),            // 20012
    Item("Hidden command", 1, 2, kMenuItemHidden),       // 20013 Ctrl+B
    Item("Last", 1, 63),                                 // 20014 Ctrl+Shift+F1
};

TEST(WindowMenuPlan, BarPopupsIdentifiersAndTexts) {
    const MenuPlan plan = PlanWindowMenu(kItems, false, false);
    EXPECT_EQ(Flat(plan),
              "P20000 &File\n"
              "  C20001 &Open\tCtrl+O\n"
              "  S20002 -\n"
              "  C20003 checked &Save\tCtrl+S\n"
              "  P20004 Recent\n"
              "    C20005 One\n"
              "    P20006 Deep\n"
              "      C20007 Deeper\tF5\n"
              "P20010 grayed &Edit\n"
              "  C20011 Tab only\t\n"
              "  C20012 grayed Nothing\n"
              "  C20014 Last\tCtrl+Shift+F1\n");
    // Only shown items with a key: not 77, not the hidden ones.
    ASSERT_EQ(plan.accelerators.size(), 4u);
    const uint8_t base = kAccelVirtKey | kAccelNoInvert;
    const MenuAccelerator expected[] = {{static_cast<uint8_t>(base | kAccelControl), 'O', 20001},
                                        {static_cast<uint8_t>(base | kAccelControl), 'S', 20003},
                                        {base, 0x74, 20007},
                                        {static_cast<uint8_t>(base | kAccelControl | kAccelShift), 0x70, 20014}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(plan.accelerators[i].flags, expected[i].flags) << i;
        EXPECT_EQ(plan.accelerators[i].key, expected[i].key) << i;
        EXPECT_EQ(plan.accelerators[i].command, expected[i].command) << i;
    }
}

TEST(WindowMenuPlan, AllItemsModeOwnerDrawAndSinglePopup) {
    // All items: hidden ones appear, nothing is greyed; checks stay.
    const MenuPlan all = PlanWindowMenu(kItems, true, true);
    const std::string flat = Flat(all);
    EXPECT_NE(flat.find("P20008 owner Gone\n  C20009 owner Under gone\tCtrl+T\n"), std::string::npos) << flat;
    EXPECT_NE(flat.find("  C20013 owner Hidden command\tCtrl+B\n"), std::string::npos) << flat;
    EXPECT_NE(flat.find("C20003 checked owner &Save"), std::string::npos) << flat;
    EXPECT_EQ(flat.find("grayed"), std::string::npos) << flat;
    EXPECT_EQ(all.accelerators.size(), 6u);

    // A single pop-up from a hidden item: made anyway, only its own sub-tree, no accelerators.
    const std::vector<MenuPlanItem> tail(kItems.begin() + 8, kItems.end());
    const MenuPlan popup = PlanPopupMenu(tail, 500, false, false);
    EXPECT_EQ(Flat(popup), "P500 Gone\n  C501 Under gone\tCtrl+T\n");
    EXPECT_TRUE(popup.accelerators.empty());
    EXPECT_TRUE(PlanPopupMenu({}, 1, false, false).popups.empty());

    // A top-level item with nothing below it is an empty pop-up; a lone deeper item after a
    // shallower one still nests.
    EXPECT_EQ(Flat(PlanWindowMenu({Item("A", 0), Item("B", 5), Item("C", 2)}, false, false)),
              "P20000 A\n  C20001 B\n  C20002 C\n");
    EXPECT_EQ(Flat(PlanWindowMenu({Item("A", 1), Item("B", 0)}, false, false)), "P20000 A\nP20001 B\n");
}

TEST(ShortcutTable, RowsNamesAndKeys) {
    struct Row {
        uint32_t number;
        const char* name;
        uint16_t key;
        uint32_t modifiers;
    };
#ifdef _WIN32
    const uint16_t f1 = VK_F1, f5 = VK_F5, f12 = VK_F12, ins = VK_INSERT, del = VK_DELETE;
#else
    const uint16_t f1 = 0x70, f5 = 0x74, f12 = 0x7B, ins = 0x2D, del = 0x2E;
#endif
    const Row rows[] = {
        {1, "Ctrl+A", 'A', kShortcutCtrl},     {19, "Ctrl+S", 'S', kShortcutCtrl},
        {26, "Ctrl+Z", 'Z', kShortcutCtrl},    {27, "F1", f1, 0},
        {31, "F5", f5, 0},                     {38, "F12", f12, 0},
        {39, "Ctrl+F1", f1, kShortcutCtrl},    {50, "Ctrl+F12", f12, kShortcutCtrl},
        {51, "Shift+F1", f1, kShortcutShift},  {63, "Ctrl+Shift+F1", f1, kShortcutCtrl | kShortcutShift},
        {74, "Ctrl+Shift+F12", f12, kShortcutCtrl | kShortcutShift},
        {75, "Ins", ins, 0},                   {76, "Del", del, 0},
        {77, "", 0, 0},
    };
    for (const Row& r : rows) {
        const ShortcutRow* row = FindShortcut(r.number);
        ASSERT_NE(row, nullptr) << r.number;
        EXPECT_STREQ(row->name, r.name) << r.number;
        EXPECT_EQ(row->key, r.key) << r.number;
        EXPECT_EQ(row->modifiers, r.modifiers) << r.number;
    }
    EXPECT_EQ(FindShortcut(0), nullptr);
    EXPECT_EQ(FindShortcut(78), nullptr);
    // Every named row is found again by its name, so the names are unique.
    for (uint32_t n = 1; n <= 76; ++n)
        EXPECT_EQ(ShortcutNumberOf(FindShortcut(n)->name), n) << n;
    EXPECT_EQ(ShortcutNumberOf(""), 0u);
    EXPECT_EQ(ShortcutNumberOf("Ctrl+s"), 0u);
}

}  // namespace
