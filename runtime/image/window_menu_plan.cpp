// The menu builder's decisions; see window_menu_plan.h.
#include "runtime/image/window_menu_plan.h"

#include "runtime/image/form_block.h"
#include "runtime/image/shortcut_table.h"

namespace {

class Planner {
public:
    Planner(const std::vector<MenuPlanItem>& items, uint32_t firstCommand, bool allItems, bool ownerDraw,
            bool collect)
        : items_(items), counter_(firstCommand), allItems_(allItems), ownerDraw_(ownerDraw), collect_(collect) {}

    // Builds the item at the read position and everything below it into `parent` (null: the
    // pop-up is the result itself).
    void BuildItem(std::vector<MenuPlanNode>* parent) {
        const size_t index = pos_++;
        const MenuPlanItem& item = items_[index];
        MenuPlanNode popup = Node(MenuPlanNode::kPopup, index, counter_++, item);
        if (parent && Hidden(item)) {
            while (Below(item.level)) {  // the whole sub-tree goes, its identifiers still count
                ++pos_;
                ++counter_;
            }
            return;
        }
        popup.checked = false;  // a pop-up entry shows no check mark
        while (Below(item.level)) {
            if (pos_ + 1 < items_.size() && items_[pos_ + 1].level > items_[pos_].level)
                BuildItem(&popup.children);
            else
                AddCommand(popup.children);
        }
        (parent ? *parent : plan.popups).push_back(std::move(popup));
    }

    bool More() const { return pos_ < items_.size(); }

    MenuPlan plan;

private:
    bool Below(uint32_t level) const { return pos_ < items_.size() && items_[pos_].level > level; }
    bool Hidden(const MenuPlanItem& item) const { return !allItems_ && (item.flags & kMenuItemHidden); }

    MenuPlanNode Node(MenuPlanNode::Kind kind, size_t index, uint32_t command, const MenuPlanItem& item) const {
        MenuPlanNode node;
        node.kind = kind;
        node.item = index;
        node.command = command;
        node.text = item.caption;
        node.checked = (item.flags & kMenuItemChecked) != 0;
        node.grayed = !allItems_ && (item.flags & kMenuItemDisabled);
        node.ownerDraw = ownerDraw_;
        return node;
    }

    void AddCommand(std::vector<MenuPlanNode>& into) {
        const size_t index = pos_++;
        const uint32_t command = counter_++;
        const MenuPlanItem& item = items_[index];
        if (Hidden(item))
            return;
        const bool separator = item.caption == "-";
        MenuPlanNode node = Node(separator ? MenuPlanNode::kSeparator : MenuPlanNode::kCommand, index, command, item);
        const ShortcutRow* row = FindShortcut(item.shortcut);
        if (row && !separator)
            node.text += std::string("\t") + row->name;
        into.push_back(std::move(node));
        if (collect_ && row && row->key) {
            MenuAccelerator a;
            a.flags = kAccelVirtKey | kAccelNoInvert;
            if (row->modifiers & kShortcutCtrl)
                a.flags |= kAccelControl;
            if (row->modifiers & kShortcutShift)
                a.flags |= kAccelShift;
            a.key = row->key;
            a.command = command;
            plan.accelerators.push_back(a);
        }
    }

    const std::vector<MenuPlanItem>& items_;
    size_t pos_ = 0;
    uint32_t counter_;
    bool allItems_, ownerDraw_, collect_;
};

}  // namespace

MenuPlan PlanWindowMenu(const std::vector<MenuPlanItem>& items, bool allItems, bool ownerDraw)
{
    std::vector<MenuPlanNode> bar;
    Planner planner(items, kFirstMenuCommand, allItems, ownerDraw, true);
    while (planner.More())
        planner.BuildItem(&bar);
    planner.plan.popups = std::move(bar);
    return std::move(planner.plan);
}

MenuPlan PlanPopupMenu(const std::vector<MenuPlanItem>& items, uint32_t firstCommand, bool allItems,
                       bool ownerDraw)
{
    Planner planner(items, firstCommand, allItems, ownerDraw, false);
    if (planner.More())
        planner.BuildItem(nullptr);
    return std::move(planner.plan);
}
