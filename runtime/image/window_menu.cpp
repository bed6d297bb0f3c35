// Menus are not built yet: a window with menu item entries is loaded without its menu bar.
#include "runtime/image/window_menu.h"

HMENU BuildWindowMenu(WindowObject*, HACCEL* accelerators)
{
    *accelerators = nullptr;
    return nullptr;
}
