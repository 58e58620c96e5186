#include "app/talvora_app.h"

namespace talvora {

TalvoraApp::TalvoraApp(Platform& platform, ShellServices& shell, PinnedAppsStore& pinnedApps)
    : m_platform(platform)
    , m_shell(shell)
    , m_pinnedApps(pinnedApps)
    , m_appDelegate(shell, platform.notifications)
{
}

TalvoraApp::~TalvoraApp() = default;

void TalvoraApp::launch()
{
    m_appDelegate.applicationDidFinishLaunching();
    showRootWindow().onAppear();
}

ContentView& TalvoraApp::showRootWindow()
{
    if (m_contentView)
        return *m_contentView;
    // A window group's window: titled, closable, miniaturizable, resizable, centred on the main
    // screen, until the overlay set-up hides it.
    m_rootWindow = m_platform.appWindows.createWindow(rootWindowFrame(),
        WindowStyleMask::titled | WindowStyleMask::closable | WindowStyleMask::miniaturizable | WindowStyleMask::resizable, {});
    m_contentView = std::make_unique<ContentView>(m_platform, m_shell, m_pinnedApps);
    m_rootWindow->orderFront();
    return *m_contentView;
}

Rect TalvoraApp::rootWindowFrame()
{
    auto main = m_platform.screens.mainScreen();
    if (!main)
        return { 0, 0, 480, 320 };
    return { main->frame.x + (main->frame.width - 480) / 2, main->frame.y + (main->frame.height - 320) / 2, 480, 320 };
}

} // namespace talvora
