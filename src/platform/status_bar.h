#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace talvora {

// One entry of a menu (NSMenuItem). The key equivalent is the character typed with Command
// ("," for Command-comma); empty for none. A disabled item is shown dimmed and does nothing.
struct MenuItem {
    std::string title;
    std::string keyEquivalent;
    std::function<void()> action;
    bool isSeparator = false;
    bool isEnabled = true;

    static MenuItem separator()
    {
        MenuItem item;
        item.isSeparator = true;
        return item;
    }
};

// A menu (NSMenu), top to bottom.
struct Menu {
    std::vector<MenuItem> items;
};

// The image of a status item's button: an image resource of the application, or a platform
// symbol ("desktopcomputer"). A template image is drawn in the menu bar's ink, whatever its
// own colours.
struct StatusItemImage {
    enum class Source { Resource, Symbol };
    Source source = Source::Symbol;
    std::string name;
    bool isTemplate = false;
    std::string accessibilityDescription;
};

// An item in the system status bar (NSStatusItem). It stays in the menu bar while the handle
// lives.
class StatusItem {
public:
    virtual ~StatusItem() = default;
    // Whether the item has a button to carry an image and a tool tip.
    virtual bool hasButton() const = 0;
    virtual void setButtonImage(const StatusItemImage& image) = 0;
    virtual void setToolTip(const std::string& toolTip) = 0;
    // The menu that opens when the item is clicked.
    virtual void setMenu(Menu menu) = 0;
};
using StatusItemRef = std::shared_ptr<StatusItem>;

// NSStatusBar.systemStatusBar.
class StatusBar {
public:
    virtual ~StatusBar() = default;
    // A status item of variable length, placed left of the items already there.
    virtual StatusItemRef statusItemWithVariableLength() = 0;
};

} // namespace talvora
