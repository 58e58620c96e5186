#pragma once

#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace talvora::vmac {
class VirtualStatusBar;
}

namespace talvora::app {

// Talvora's status item in the real desktop's system tray as well, with the same menu, where
// the desktop offers a tray; nothing where it does not.
class TrayIcon {
public:
    explicit TrayIcon(vmac::VirtualStatusBar& bar);
    ~TrayIcon();

    // Follows the status item: shown with its tool tip and menu while it exists.
    void refresh();
    bool isShown() const;

private:
    vmac::VirtualStatusBar& m_bar;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    const void* m_menuShown = nullptr; // the item whose menu the tray shows
};

} // namespace talvora::app
