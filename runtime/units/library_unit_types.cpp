#include "runtime/units/library_unit_types.h"

#include "runtime/image/window_menu.h"
#include "runtime/units/button_unit.h"
#include "runtime/units/edit_box_unit.h"
#include "runtime/units/trans_label_unit.h"
#include "runtime/units/window_unit.h"

const UnitTypeRecord kCoreLibraryTypes[kCoreLibraryTypeCount] = {
    kWindowUnitType,   // 1 window
    {},                // 2
    kMenuItemUnitType, // 3 menu item
    {},                // 4
    kEditBoxUnitType,  // 5 edit box
    {},                // 6
    {},                // 7
    {},                // 8
    {},                // 9
    {},                // 10
    kButtonUnitType,   // 11 button
};

const UnitTypeRecord kExtendedLibraryTypes[kExtendedLibraryTypeCount] = {
    {},                   // 1
    {},                   // 2
    {},                   // 3
    {},                   // 4
    kTransLabelUnitType,  // 5 transparent label
};
