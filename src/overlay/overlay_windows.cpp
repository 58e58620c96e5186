#include "overlay/overlay_windows.h"

#include "engine/overlay_view_model.h"

#include <algorithm>

namespace talvora {

OverlayWindows::OverlayWindows(AppWindows& appWindows, Screens& screens, SystemLog& systemLog, OverlayContentView::Sources sources)
    : m_appWindows(appWindows)
    , m_screens(screens)
    , m_systemLog(systemLog)
    , m_sources(sources)
{
}

void OverlayWindows::hideRootWindowOnce()
{
    if (!m_hiddenRootWindow.expired())
        return;
    auto windows = m_appWindows.windows();
    if (windows.empty())
        return;
    // Hidden, not closed: the root window hosts the view that owns the engine and its frame
    // driver.
    const AppWindowRef& root = windows.front();
    m_hiddenRootWindow = root;
    root->setFrame({ -2000, -2000, 1, 1 }, false);
    root->setStyleMask(WindowStyleMask::borderless);
    root->setBackgroundColor(WindowColor::clear());
    root->setOpaque(false);
    root->setAlphaValue(0);
    root->setIgnoresMouseEvents(true);
}

void OverlayWindows::setupPerScreenOverlays()
{
    hideRootWindowOnce();

    for (auto& [id, overlay] : m_byScreen)
        overlay.window().orderOut();
    m_byScreen.clear();

    for (const auto& screen : m_screens.screens()) {
        const DisplayID id = displayIDOf(screen);
        MissionControlOverlay overlay(m_appWindows, screen.frame, WindowStyleMask::borderless);
        auto content = std::make_shared<OverlayContentView>(m_sources, id);
        overlay.window().setContentView(std::move(content));
        overlay.window().setFrame(screen.frame, true);
        overlay.window().orderFront();
        // A later screen with the same id takes the entry; the earlier window goes with it.
        if (auto it = m_byScreen.find(id); it != m_byScreen.end())
            it->second.window().orderOut();
        m_byScreen.insert_or_assign(id, std::move(overlay));
    }

    m_systemLog.log(LogLevel::Debug, "Overlay",
        "[setup] per-screen overlays: " + std::to_string(m_byScreen.size()) + " screens, ids=" + formatDisplayIDList(m_byScreen));
}

bool OverlayWindows::isOverlayWindow(const AppWindow& window) const
{
    return std::any_of(m_byScreen.begin(), m_byScreen.end(), [&](const auto& e) { return &e.second.window() == &window; });
}

void OverlayWindows::routeMouse(const std::optional<WindowButton>& hoveredButton)
{
    std::optional<DisplayID> acceptingScreen;
    if (hoveredButton) {
        const auto& windows = m_sources.engine.activeWindows.value();
        auto it = std::find_if(windows.begin(), windows.end(), [&](const WindowInfo& w) { return w.id == hoveredButton->windowID; });
        if (it != windows.end())
            acceptingScreen = it->hostScreenID;
    }
    for (auto& [id, overlay] : m_byScreen)
        overlay.window().setIgnoresMouseEvents(id != acceptingScreen);
}

std::string formatDisplayIDList(const std::map<DisplayID, MissionControlOverlay>& windows)
{
    std::string text = "[";
    for (const auto& [id, overlay] : windows) {
        if (text.size() > 1)
            text += ", ";
        text += std::to_string(id);
    }
    return text + "]";
}

} // namespace talvora
