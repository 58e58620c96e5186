#pragma once

#include "platform/geometry.h"
#include "platform/status_bar.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace talvora::vmac {

// What the program has put into the menu bar: its status item (button image, tool tip, menu)
// while the handle lives.
struct StatusItemState {
    bool hasButton = true;
    std::optional<StatusItemImage> image;
    std::string toolTip;
    Menu menu;
};

// Where a status menu's rows are, in window-server points: the menu hangs below its item,
// right edges aligned with the item's left edge plus the menu's width when it fits, and never
// off the display.
struct StatusMenuLayout {
    Rect frame;
    std::vector<Rect> rows; // one per menu item, separators included
};
inline constexpr double kStatusMenuWidth = 240;
inline constexpr double kStatusMenuRowHeight = 22;
inline constexpr double kStatusMenuSeparatorHeight = 11;
inline constexpr double kStatusMenuPadding = 5;
StatusMenuLayout statusMenuLayout(const Menu& menu, const Rect& item, const Rect& display);

// The menu bar's status items of the program running on the virtual Mac, and its status menu
// while it is open. A chosen item's action runs on the main queue after the menu has closed,
// as AppKit runs it once menu tracking ends.
class VirtualStatusBar final : public StatusBar {
public:
    // Runs a chosen item's action; without it the action runs at once.
    void setActionQueue(std::function<void(std::function<void()>)> queue) { m_actionQueue = std::move(queue); }
    // Told whenever the item appears or goes.
    void setOnItemChange(std::function<void()> changed) { m_onItemChange = std::move(changed); }

    // The item's state while it lives.
    const StatusItemState* item() const;
    int itemsCreated() const { return m_itemsCreated; }

    // The menu opens under the item as shown on `itemFrame` of `display` (window-server points).
    bool openMenu(const Rect& itemFrame, const Rect& display);
    void closeMenu();
    bool isMenuOpen() const { return m_open.has_value(); }
    std::optional<StatusMenuLayout> openMenuLayout() const;
    // The row under a window-server point while the menu is open.
    std::optional<std::size_t> rowAt(Point point) const;
    void setHighlightedRow(std::optional<std::size_t> row) { m_highlighted = row; }
    std::optional<std::size_t> highlightedRow() const { return m_open ? m_highlighted : std::nullopt; }
    // Chooses a row: the menu closes and an enabled item's action runs. False for a separator, a
    // disabled item or a row that does not exist.
    bool choose(std::size_t row);
    // Runs an enabled item's action as choosing it would, from another presentation of the
    // same menu (a tray). False for a separator, a disabled item or a row that does not exist.
    bool perform(std::size_t row);
    // Command and a key while the menu is open: the item with that key equivalent is chosen.
    bool performKeyEquivalent(const std::string& key);

private:
    class Item;
    // StatusBar:
    StatusItemRef statusItemWithVariableLength() override;

    void itemGone();

    std::weak_ptr<StatusItemState> m_item;
    struct OpenMenu {
        Rect itemFrame;
        Rect display;
    };
    std::optional<OpenMenu> m_open;
    std::optional<std::size_t> m_highlighted;
    std::function<void(std::function<void()>)> m_actionQueue;
    std::function<void()> m_onItemChange;
    int m_itemsCreated = 0;
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace talvora::vmac
