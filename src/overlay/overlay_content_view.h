#pragma once

#include "overlay/content_layout.h"
#include "platform/app_windows.h"

#include <memory>
#include <optional>
#include <vector>

namespace talvora {

class ActivityReporter;
class OverlayViewModel;
class PinnedAppsStore;
class PreferencesStore;

// What one screen's overlay window shows. It observes the engine's published state and the
// pinned-apps store, reads the overlay's settings live at every render, and lays out the
// windows hosted on its screen; the platform's renderer draws the result.
//
// The engine, the store and the preferences outlive every view (the composition root owns
// them and tears the overlay windows down first). Main thread only.
class OverlayContentView final : public HostedView {
public:
    struct Sources {
        OverlayViewModel& engine;
        PreferencesStore& preferences;
        PinnedAppsStore& pinnedApps;
        ActivityReporter* activity = nullptr; // telemetry, when there is one
    };

    OverlayContentView(const Sources& sources, DisplayID screenID);

    DisplayID screenID() const { return m_screenID; }

    // One render for the display frame at `frameMediaTimeSeconds` (the halo pulse follows it).
    OverlayContent render(double frameMediaTimeSeconds) const;

    // Something the view shows changed since the last render: the engine published, or the
    // pinned apps changed. Settings are read at each render, and the halo pulses on its own,
    // so a view that shows a halo is redrawn every frame regardless.
    bool needsDisplay() const { return m_needsDisplay; }

private:
    Sources m_sources;
    DisplayID m_screenID;
    // Bookkeeping of the renders, not state the view shows.
    mutable bool m_needsDisplay = true;
    mutable std::optional<bool> m_shouldShowIconsAtLastRender;
    std::vector<std::shared_ptr<void>> m_subscriptions;
    ObserverTokenPtr m_pinnedAppsObserver;
};

} // namespace talvora
