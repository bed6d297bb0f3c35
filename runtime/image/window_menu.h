// Window menus built from the menu item entries of a window's unit table.
#pragma once

#include <windows.h>

class WindowObject;

// The menu bar of the window and its accelerator table, or null when the window has no menu.
HMENU BuildWindowMenu(WindowObject* window, HACCEL* accelerators);
