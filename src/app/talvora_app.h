#pragma once

#include "app/app_delegate.h"
#include "app/content_view.h"

#include <memory>

namespace talvora {

class PinnedAppsStore;

// The application: its delegate, and a window group whose one window hosts the root view.
// Launching runs the platform's order: the delegate's launch handler (status item and menu),
// then the root window with its view, which creates the engine, then the view's first
// appearance. The settings scene is the platform's (ShellServices::settingsScene).
class TalvoraApp {
public:
    TalvoraApp(Platform& platform, ShellServices& shell, PinnedAppsStore& pinnedApps);
    ~TalvoraApp();

    void launch();
    // The window group shows its window with the root view, which creates the engine; nothing
    // when it is shown already. For callers that tick the engine themselves.
    ContentView& showRootWindow();

    AppDelegate& appDelegate() { return m_appDelegate; }
    // Present once the root window is shown.
    ContentView* contentView() { return m_contentView.get(); }
    const AppWindowRef& rootWindow() const { return m_rootWindow; }

private:
    Rect rootWindowFrame();

    Platform& m_platform;
    ShellServices& m_shell;
    PinnedAppsStore& m_pinnedApps;
    AppDelegate m_appDelegate;
    AppWindowRef m_rootWindow;
    std::unique_ptr<ContentView> m_contentView;
};

} // namespace talvora
