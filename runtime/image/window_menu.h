// Window menus: the menu bar, its pop-ups and the accelerator table of a window, made from the
// menu item entries of its unit table, and the menu item properties that change them. The
// decisions are made by the portable plan (window_menu_plan.h); this file makes the platform
// menus from it and keeps the handles: the bar and the accelerators in the WindowObject, the
// pop-up made for each item beside the live table (WindowObject::popupMenus).
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/image/image_records.h"

class WindowObject;

// The type of menu items (library 1, type 3): it raises events and has no window of its own.
extern const UnitTypeRecord kMenuItemUnitType;

// The menu bar of `count` menu item entries from entry `first`, with command identifiers from
// 20000; the accelerator table goes through `accelerators` when it is not null (null when no
// shown item has a key). All-items mode shows hidden items, greys nothing and leaves the
// pop-up handles alone; normal mode records them. Null when the platform makes no menu.
HMENU BuildWindowMenu(WindowObject* window, uint32_t first, uint32_t count, bool allItems, bool ownerDraw,
                      HACCEL* accelerators);
// Window loading's call: the bar of the first run of consecutive menu item entries in normal
// mode, or null (and no accelerators) when the table holds no menu item.
HMENU BuildWindowMenu(WindowObject* window, HACCEL* accelerators);
// One pop-up menu made from entry `first` and the items below it, identifiers from `firstCommand`.
HMENU BuildPopupMenu(WindowObject* window, uint32_t first, uint32_t count, uint32_t firstCommand, bool allItems,
                     bool ownerDraw);

// Destroys the window's accelerator table and, with `destroyMenu`, its menu bar with every pop-up
// in it (without: the window took the bar down with itself); forgets all the handles, so a second
// call destroys nothing.
void ReleaseWindowMenu(WindowObject& window, bool destroyMenu);

// Menu item properties: 0 caption, 1 checked, 2 disabled, 3 visible (the inverse of hidden).
// A write changes the record and, while the window is loaded, rebuilds its menu and accelerators.
uint64_t ReadMenuItemProperty(WindowObject& window, int index, int32_t number);
void WriteMenuItemProperty(WindowObject& window, int index, int32_t number, uint32_t value);
