#include "vmac/virtual_status_bar.h"

#include <algorithm>

namespace talvora::vmac {

// The handle the program holds. The state it edits is shared with the bar, which sees it go
// when the program lets the handle go.
class VirtualStatusBar::Item final : public StatusItem {
public:
    Item(std::shared_ptr<StatusItemState> state, std::weak_ptr<int> barAlive, VirtualStatusBar* bar)
        : m_state(std::move(state))
        , m_barAlive(std::move(barAlive))
        , m_bar(bar)
    {
    }
    ~Item() override
    {
        m_state.reset();
        if (!m_barAlive.expired())
            m_bar->itemGone();
    }

private:
    bool hasButton() const override { return m_state->hasButton; }
    void setButtonImage(const StatusItemImage& image) override
    {
        if (m_state->hasButton)
            m_state->image = image;
    }
    void setToolTip(const std::string& toolTip) override
    {
        if (m_state->hasButton)
            m_state->toolTip = toolTip;
    }
    void setMenu(Menu menu) override { m_state->menu = std::move(menu); }

    std::shared_ptr<StatusItemState> m_state;
    std::weak_ptr<int> m_barAlive;
    VirtualStatusBar* m_bar;
};

StatusMenuLayout statusMenuLayout(const Menu& menu, const Rect& item, const Rect& display)
{
    double height = 2 * kStatusMenuPadding;
    for (const auto& entry : menu.items)
        height += entry.isSeparator ? kStatusMenuSeparatorHeight : kStatusMenuRowHeight;
    double x = item.x;
    x = std::min(x, display.maxX() - kStatusMenuWidth - 4);
    x = std::max(x, display.x);
    StatusMenuLayout layout;
    layout.frame = { x, item.maxY() + 1, kStatusMenuWidth, height };
    double y = layout.frame.y + kStatusMenuPadding;
    for (const auto& entry : menu.items) {
        const double h = entry.isSeparator ? kStatusMenuSeparatorHeight : kStatusMenuRowHeight;
        layout.rows.push_back({ x, y, kStatusMenuWidth, h });
        y += h;
    }
    return layout;
}

StatusItemRef VirtualStatusBar::statusItemWithVariableLength()
{
    auto state = std::make_shared<StatusItemState>();
    m_item = state;
    ++m_itemsCreated;
    auto item = std::make_shared<Item>(std::move(state), m_lifetime, this);
    if (m_onItemChange)
        m_onItemChange();
    return item;
}

void VirtualStatusBar::itemGone()
{
    m_open.reset();
    if (m_onItemChange)
        m_onItemChange();
}

const StatusItemState* VirtualStatusBar::item() const
{
    return m_item.lock().get();
}

bool VirtualStatusBar::openMenu(const Rect& itemFrame, const Rect& display)
{
    const StatusItemState* state = item();
    if (!state || state->menu.items.empty())
        return false;
    m_open = OpenMenu { itemFrame, display };
    m_highlighted.reset();
    return true;
}

void VirtualStatusBar::closeMenu()
{
    m_open.reset();
    m_highlighted.reset();
}

std::optional<StatusMenuLayout> VirtualStatusBar::openMenuLayout() const
{
    const StatusItemState* state = item();
    if (!m_open || !state)
        return std::nullopt;
    return statusMenuLayout(state->menu, m_open->itemFrame, m_open->display);
}

std::optional<std::size_t> VirtualStatusBar::rowAt(Point point) const
{
    auto layout = openMenuLayout();
    if (!layout)
        return std::nullopt;
    for (std::size_t i = 0; i < layout->rows.size(); ++i) {
        const Rect& r = layout->rows[i];
        if (point.x >= r.x && point.x < r.maxX() && point.y >= r.y && point.y < r.maxY())
            return i;
    }
    return std::nullopt;
}

bool VirtualStatusBar::choose(std::size_t row)
{
    if (!m_open)
        return false;
    return perform(row);
}

bool VirtualStatusBar::perform(std::size_t row)
{
    const StatusItemState* state = item();
    if (!state || row >= state->menu.items.size())
        return false;
    const MenuItem& entry = state->menu.items[row];
    if (entry.isSeparator || !entry.isEnabled || !entry.action)
        return false;
    auto action = entry.action;
    closeMenu();
    if (m_actionQueue)
        m_actionQueue(std::move(action));
    else
        action();
    return true;
}

bool VirtualStatusBar::performKeyEquivalent(const std::string& key)
{
    const StatusItemState* state = item();
    if (!m_open || !state || key.empty())
        return false;
    for (std::size_t i = 0; i < state->menu.items.size(); ++i) {
        if (state->menu.items[i].keyEquivalent == key)
            return choose(i);
    }
    return false;
}

} // namespace talvora::vmac
