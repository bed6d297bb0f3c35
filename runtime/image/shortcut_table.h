// The shortcut rows a menu item can name by number: the text shown after the caption and the
// key with its modifiers that makes the item's accelerator. Portable: the keys are the
// platform's virtual-key codes written as numbers, so that the form compiler and the native
// tests share the table with the runtime.
#pragma once

#include <cstdint>
#include <string>

constexpr uint32_t kShortcutCtrl = 1;
constexpr uint32_t kShortcutShift = 2;

constexpr uint32_t kShortcutCount = 77;  // rows 1 to 77; 0 and anything else name nothing

struct ShortcutRow {
    const char* name;    // appended to the caption after a tab
    uint16_t key;        // virtual-key code; 0: the row makes no accelerator
    uint32_t modifiers;  // kShortcutCtrl, kShortcutShift
};

// The row of a shortcut number, or null for a number outside 1 to 77.
const ShortcutRow* FindShortcut(uint32_t number);
// The number whose row has this name (case as written in the table), or 0. The empty name is
// not looked up: row 77 is written by number.
uint32_t ShortcutNumberOf(const std::string& name);
