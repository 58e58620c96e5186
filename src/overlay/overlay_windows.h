#pragma once

#include "overlay/mission_control_overlay.h"
#include "overlay/overlay_content_view.h"
#include "platform/screens.h"
#include "platform/system_log.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace talvora {

// The overlay windows, one per display, keyed by display id, and the application's hidden
// root window. The composition root owns the one set of the process. Main thread only.
class OverlayWindows {
public:
    OverlayWindows(AppWindows& appWindows, Screens& screens, SystemLog& systemLog, OverlayContentView::Sources sources);

    // Hides the root window the first time, orders the old set out and builds a window with
    // its content for every screen, in screen order. Of two screens with the same id, the
    // later one keeps the registry entry.
    void setupPerScreenOverlays();

    // On every change of the button under the pointer: only the overlay of that window's
    // screen takes the mouse, and only while a button is under the pointer, so clicks
    // everywhere else (the thumbnail around an icon too) fall through to Mission Control.
    void routeMouse(const std::optional<WindowButton>& hoveredButton);
    // Whether a window is one of the current overlay windows, compared by identity.
    bool isOverlayWindow(const AppWindow& window) const;

    const std::map<DisplayID, MissionControlOverlay>& overlayWindowsByScreen() const { return m_byScreen; }
    std::shared_ptr<AppWindow> hiddenRootWindow() const { return m_hiddenRootWindow.lock(); }

private:
    void hideRootWindowOnce();

    AppWindows& m_appWindows;
    Screens& m_screens;
    SystemLog& m_systemLog;
    OverlayContentView::Sources m_sources;
    std::map<DisplayID, MissionControlOverlay> m_byScreen;
    std::weak_ptr<AppWindow> m_hiddenRootWindow;
};

// "[1, 2]": the display ids of the set, in the registry's order.
std::string formatDisplayIDList(const std::map<DisplayID, MissionControlOverlay>& windows);

} // namespace talvora
