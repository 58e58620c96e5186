#pragma once

#include "app/shell_services.h"
#include "platform/notification_center.h"

namespace talvora {

// The application delegate: at launch it records the launch, starts the update checker and
// puts the status item with its menu into the menu bar; the menu's commands land here.
class AppDelegate {
public:
    AppDelegate(ShellServices& shell, NotificationCenter& notifications);

    void applicationDidFinishLaunching();

    // The menu's commands.
    void openPreferences();
    void checkForUpdates();
    void quitApp();

    const StatusItemRef& statusItem() const { return m_statusItem; }

private:
    void setupStatusItem();
    Menu statusMenu();

    ShellServices& m_shell;
    NotificationCenter& m_notifications;
    StatusItemRef m_statusItem;
    bool m_updaterStarted = false;
};

// The status menu's titles; both ellipses are the single character U+2026.
inline constexpr const char* kPreferencesMenuTitle = "Preferences\u2026";
inline constexpr const char* kCheckForUpdatesMenuTitle = "Check for Updates\u2026";
inline constexpr const char* kQuitMenuTitle = "Quit Talvora";

} // namespace talvora
