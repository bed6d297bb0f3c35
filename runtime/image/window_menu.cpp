// Platform menus from a menu plan; see window_menu.h.
#include "runtime/image/window_menu.h"

#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/error_report.h"
#include "runtime/core/memory.h"
#include "runtime/image/window_menu_plan.h"
#include "runtime/image/window_store.h"

static_assert(kAccelVirtKey == FVIRTKEY && kAccelNoInvert == FNOINVERT && kAccelShift == FSHIFT &&
                  kAccelControl == FCONTROL,
              "the plan's accelerator bits are the platform's");

const UnitTypeRecord kMenuItemUnitType = {
    "菜单", "Menu", nullptr, 0, nullptr, 0x04 | 0x8000, 0, 0, nullptr, 0, nullptr, nullptr, 0, nullptr,
};

namespace {

bool ReadItem(const WindowObject& window, uint32_t index, MenuItemFields* fields)
{
    uint32_t size = 0;
    const uint8_t* bytes = index < window.live.Count() && window.live.IsMenuItem(index)
                               ? window.live.Record(index, &size)
                               : nullptr;
    return bytes && ParseMenuItemRecord(bytes, size, fields, nullptr);
}

std::vector<MenuPlanItem> ReadItems(const WindowObject& window, uint32_t first, uint32_t count)
{
    std::vector<MenuPlanItem> items;
    MenuItemFields f;
    for (uint32_t i = first; i - first < count && ReadItem(window, i, &f); ++i)
        items.push_back({f.shortcut, f.level, f.flags, f.caption});
    return items;
}

// Makes the platform menus of a plan; in normal mode it notes each item's pop-up beside the
// live table.
class MenuMaker {
public:
    MenuMaker(WindowObject& window, uint32_t first, bool record) : window_(window), first_(first), record_(record) {}

    HMENU MakePopup(const MenuPlanNode& node) {
        HMENU menu = ::CreatePopupMenu();
        if (!menu)
            return nullptr;
        for (const MenuPlanNode& child : node.children) {
            if (!Append(menu, child)) {
                ::DestroyMenu(menu);
                return nullptr;
            }
        }
        if (record_)
            window_.popupMenus[first_ + node.item] = menu;
        return menu;
    }

    bool Append(HMENU menu, const MenuPlanNode& node) {
        UINT flags = node.kind == MenuPlanNode::kSeparator ? MF_SEPARATOR : MF_STRING;
        if (node.checked)
            flags |= MF_CHECKED;
        if (node.grayed)
            flags |= MF_GRAYED;
        UINT_PTR id = node.command;
        HMENU popup = nullptr;
        if (node.kind == MenuPlanNode::kPopup) {
            popup = MakePopup(node);
            if (!popup)
                return false;
            flags |= MF_POPUP;
            id = reinterpret_cast<UINT_PTR>(popup);
        }
        const char* text = node.text.c_str();
        if (node.ownerDraw) {
            // The owner draws the item; its data is the command identifier.
            flags = (flags & ~(MF_STRING | MF_SEPARATOR)) | MF_OWNERDRAW;
            text = reinterpret_cast<const char*>(static_cast<UINT_PTR>(node.command));
        }
        if (::AppendMenuA(menu, flags, id, text))
            return true;
        if (popup)
            ::DestroyMenu(popup);
        return false;
    }

private:
    WindowObject& window_;
    uint32_t first_;
    bool record_;
};

// Normal mode starts by clearing the pop-up handles of every item it passes.
void ClearPopupSlots(WindowObject& window, uint32_t first, size_t count)
{
    window.popupMenus.resize(window.live.Count(), nullptr);
    for (size_t i = first; i < first + count && i < window.popupMenus.size(); ++i)
        window.popupMenus[i] = nullptr;
}

HACCEL MakeAccelerators(const std::vector<MenuAccelerator>& entries)
{
    std::vector<ACCEL> table;
    for (const MenuAccelerator& a : entries)
        table.push_back({a.flags, a.key, static_cast<WORD>(a.command)});
    return table.empty() ? nullptr : ::CreateAcceleratorTableA(table.data(), static_cast<int>(table.size()));
}

// Entry and length of the first run of consecutive menu item entries; length 0 when none.
uint32_t FirstMenuRun(const WindowObject& window, uint32_t* first)
{
    const uint32_t n = window.live.Count();
    uint32_t i = 0;
    while (i < n && !window.live.IsMenuItem(i))
        ++i;
    *first = i;
    while (i < n && window.live.IsMenuItem(i))
        ++i;
    return i - *first;
}

void RebuildWindowMenu(WindowObject& window)
{
    HWND handle = window.Handle();
    if (!handle)
        return;  // the next load builds the menu from the changed records
    HACCEL accelerators = nullptr;
    HMENU bar = BuildWindowMenu(&window, &accelerators);
    HMENU old = ::GetMenu(handle);
    ::SetMenu(handle, bar);
    if (old && old != bar)
        ::DestroyMenu(old);
    if (window.accelerators)
        ::DestroyAcceleratorTable(window.accelerators);
    window.menu = bar;
    window.accelerators = accelerators;
    ::DrawMenuBar(handle);
}

bool StoreItem(WindowObject& window, int index, const MenuItemFields& fields)
{
    const std::vector<uint8_t> bytes = EncodeMenuItemRecord(fields);
    return window.live.ReplaceRecord(static_cast<uint32_t>(index), bytes.data(), bytes.size());
}

}  // namespace

HMENU BuildWindowMenu(WindowObject* window, uint32_t first, uint32_t count, bool allItems, bool ownerDraw,
                      HACCEL* accelerators)
{
    if (accelerators)
        *accelerators = nullptr;
    const std::vector<MenuPlanItem> items = ReadItems(*window, first, count);
    const MenuPlan plan = PlanWindowMenu(items, allItems, ownerDraw);
    if (!allItems)
        ClearPopupSlots(*window, first, items.size());
    HMENU bar = ::CreateMenu();
    if (!bar)
        return nullptr;
    MenuMaker maker(*window, first, !allItems);
    for (const MenuPlanNode& popup : plan.popups) {
        if (!maker.Append(bar, popup)) {
            ::DestroyMenu(bar);
            if (!allItems)
                ClearPopupSlots(*window, first, items.size());
            return nullptr;
        }
    }
    if (accelerators)
        *accelerators = MakeAccelerators(plan.accelerators);
    return bar;
}

HMENU BuildWindowMenu(WindowObject* window, HACCEL* accelerators)
{
    uint32_t first = 0;
    const uint32_t count = FirstMenuRun(*window, &first);
    if (count == 0) {
        *accelerators = nullptr;
        return nullptr;
    }
    return BuildWindowMenu(window, first, count, false, false, accelerators);
}

HMENU BuildPopupMenu(WindowObject* window, uint32_t first, uint32_t count, uint32_t firstCommand, bool allItems,
                     bool ownerDraw)
{
    const std::vector<MenuPlanItem> items = ReadItems(*window, first, count);
    const MenuPlan plan = PlanPopupMenu(items, firstCommand, allItems, ownerDraw);
    if (plan.popups.empty())
        return nullptr;
    if (!allItems)
        ClearPopupSlots(*window, first, items.size());
    return MenuMaker(*window, first, !allItems).MakePopup(plan.popups.front());
}

void ReleaseWindowMenu(WindowObject& window, bool destroyMenu)
{
    if (window.accelerators)
        ::DestroyAcceleratorTable(window.accelerators);
    if (destroyMenu && window.menu)
        ::DestroyMenu(window.menu);
    window.accelerators = nullptr;
    window.menu = nullptr;
    window.popupMenus.clear();
}

uint64_t ReadMenuItemProperty(WindowObject& window, int index, int32_t number)
{
    MenuItemFields f;
    if (!ReadItem(window, static_cast<uint32_t>(index), &f) || number < 0 || number > 3)
        ReportRuntimeError(kTextNoSuchProperty, 0);
    switch (number) {
    case 0: {
        if (f.caption.empty())
            return 0;  // the empty text
        char* copy = static_cast<char*>(AllocMemory(static_cast<int32_t>(f.caption.size() + 1)));
        std::memcpy(copy, f.caption.c_str(), f.caption.size() + 1);
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(copy));
    }
    case 1: return (f.flags & kMenuItemChecked) ? 1 : 0;
    case 2: return (f.flags & kMenuItemDisabled) ? 1 : 0;
    default: return (f.flags & kMenuItemHidden) ? 0 : 1;
    }
}

void WriteMenuItemProperty(WindowObject& window, int index, int32_t number, uint32_t value)
{
    MenuItemFields f;
    if (!ReadItem(window, static_cast<uint32_t>(index), &f) || number < 0 || number > 3)
        ReportRuntimeError(kTextNoSuchProperty, 0);
    const uint32_t before = f.flags;
    const std::string caption = f.caption;
    switch (number) {
    case 0: {
        const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(value));
        f.caption = text ? text : "";
        break;
    }
    case 1: f.flags = value ? (f.flags | kMenuItemChecked) : (f.flags & ~kMenuItemChecked); break;
    case 2: f.flags = value ? (f.flags | kMenuItemDisabled) : (f.flags & ~kMenuItemDisabled); break;
    default: f.flags = value ? (f.flags & ~kMenuItemHidden) : (f.flags | kMenuItemHidden); break;
    }
    if ((f.flags != before || f.caption != caption) && StoreItem(window, index, f))
        RebuildWindowMenu(window);
}
