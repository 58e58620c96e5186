#include "app/app_delegate.h"

namespace talvora {

AppDelegate::AppDelegate(ShellServices& shell, NotificationCenter& notifications)
    : m_shell(shell)
    , m_notifications(notifications)
{
}

void AppDelegate::applicationDidFinishLaunching()
{
    setupStatusItem();
}

void AppDelegate::setupStatusItem()
{
    if (m_shell.sendLaunchEvent)
        m_shell.sendLaunchEvent();
    // The updater is created once per process, and creating it starts its schedule.
    if (m_shell.updater && !m_updaterStarted) {
        m_updaterStarted = true;
        m_shell.updater->start();
    }

    m_statusItem = m_shell.statusBar.statusItemWithVariableLength();
    if (!m_statusItem)
        return;
    if (m_statusItem->hasButton()) {
        StatusItemImage image;
        if (m_shell.application.imageNamed("MenuBarIcon")) {
            image = { StatusItemImage::Source::Resource, "MenuBarIcon", /*isTemplate=*/true, {} };
        } else {
            image = { StatusItemImage::Source::Symbol, "desktopcomputer", /*isTemplate=*/false, "Talvora" };
        }
        m_statusItem->setButtonImage(image);
        m_statusItem->setToolTip("Talvora");
    }
    m_statusItem->setMenu(statusMenu());
}

Menu AppDelegate::statusMenu()
{
    Menu menu;
    menu.items.push_back({ kPreferencesMenuTitle, ",", [this] { openPreferences(); } });
    MenuItem updates { kCheckForUpdatesMenuTitle, "", [this] { checkForUpdates(); } };
    // A build without an update feed cannot check; the entry says so by being dimmed rather
    // than by doing nothing when chosen.
    updates.isEnabled = m_shell.updater != nullptr;
    menu.items.push_back(std::move(updates));
    menu.items.push_back(MenuItem::separator());
    menu.items.push_back({ kQuitMenuTitle, "q", [this] { quitApp(); } });
    return menu;
}

void AppDelegate::openPreferences()
{
    // The application may not be in front; the settings window must come up in front.
    m_shell.application.activateIgnoringOtherApps(true);
    m_notifications.post(kOpenSettingsNotification);
}

void AppDelegate::checkForUpdates()
{
    if (!m_shell.updater)
        return;
    m_shell.application.activateIgnoringOtherApps(true);
    m_shell.updater->checkForUpdates();
}

void AppDelegate::quitApp()
{
    m_shell.application.terminate();
}

} // namespace talvora
