// What a window's menu looks like, worked out before any platform menu exists: from the menu
// items of a unit table (shortcut, level, flags, caption) the tree of pop-ups, commands and
// separators with their command identifiers, texts and states, and the accelerators the
// shortcuts make. window_menu.cpp turns a plan into platform menus; keeping the decisions here
// lets them be tested natively. Portable: no Win32 header.
//
// Levels nest: an item deeper than the item before it belongs to that item's pop-up. Every item
// the builder passes takes the next command identifier, whether it is shown or not, so the
// identifier of an item is always the first identifier plus its position in the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One menu item as the builder reads it from its record.
struct MenuPlanItem {
    uint32_t shortcut = 0;
    uint32_t level = 0;
    uint32_t flags = 0;  // kMenuItemHidden, kMenuItemDisabled, kMenuItemChecked
    std::string caption;
};

struct MenuPlanNode {
    enum Kind { kPopup, kCommand, kSeparator };
    Kind kind = kCommand;
    size_t item = 0;       // position of the item in the run
    uint32_t command = 0;  // command identifier
    std::string text;      // caption; a command's is followed by a tab and the shortcut name
    bool checked = false;
    bool grayed = false;
    bool ownerDraw = false;
    std::vector<MenuPlanNode> children;  // a pop-up's entries in order
};

// The accelerator flag bits, with the platform's values (ACCEL.fVirt).
constexpr uint8_t kAccelVirtKey = 0x01;
constexpr uint8_t kAccelNoInvert = 0x02;
constexpr uint8_t kAccelShift = 0x04;
constexpr uint8_t kAccelControl = 0x08;

struct MenuAccelerator {
    uint8_t flags = 0;
    uint16_t key = 0;      // virtual-key code
    uint32_t command = 0;
};

struct MenuPlan {
    // The menu bar's pop-ups; for a single pop-up menu, that one pop-up.
    std::vector<MenuPlanNode> popups;
    std::vector<MenuAccelerator> accelerators;
};

constexpr uint32_t kFirstMenuCommand = 20000;

// The menu bar of a run of menu items, its identifiers from 20000, and its accelerators.
// All-items mode shows hidden items too and greys nothing.
MenuPlan PlanWindowMenu(const std::vector<MenuPlanItem>& items, bool allItems, bool ownerDraw);
// One pop-up made from the first item and the items below it; no accelerators. A hidden first
// item is still made: only items with a parent menu are left out for being hidden.
MenuPlan PlanPopupMenu(const std::vector<MenuPlanItem>& items, uint32_t firstCommand, bool allItems,
                       bool ownerDraw);
