#pragma once

#include "platform/geometry.h"
#include "platform/window_list.h"
#include "platform/workspace.h"

#include <cmath>
#include <optional>
#include <string>

namespace talvora {

// One display: its number and its frame in window-server coordinates (origin at the top-left
// of the primary display, y down).
struct ScreenInfo {
    DisplayID id = 0;
    Rect cgRect;
    friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

// One window that gets an icon.
struct WindowInfo {
    WindowNumber id = 0;
    ProcessID pid = 0;
    std::string owner;
    std::optional<std::string> bundleIdentifier;
    std::string displayName; // the application's localized name, else the owner
    std::string title; // trimmed; empty when the window has none
    Rect bounds; // global window-server coordinates; the thumbnail while Mission Control is open
    Rect localBounds; // relative to the host screen's top-left
    ImageRef icon;
    Point currentPosition; // smoothed icon anchor, host-screen-local
    DisplayID hostScreenID = 0;
    double scaleFactor = 1; // relative to the configured maximum icon size
    double placementOpacity = 1; // 0…1

    // Equal when nothing a person could see differs: positions within 0.3 points, scale and
    // opacity within 0.005, the icon the very same image.
    friend bool operator==(const WindowInfo& a, const WindowInfo& b)
    {
        return a.id == b.id && a.pid == b.pid && a.owner == b.owner && a.bundleIdentifier == b.bundleIdentifier
            && a.displayName == b.displayName && a.title == b.title && a.bounds == b.bounds
            && a.localBounds == b.localBounds && a.hostScreenID == b.hostScreenID
            && std::abs(a.scaleFactor - b.scaleFactor) < 0.005
            && std::abs(a.placementOpacity - b.placementOpacity) < 0.005
            && std::abs(a.currentPosition.x - b.currentPosition.x) < 0.3
            && std::abs(a.currentPosition.y - b.currentPosition.y) < 0.3 && a.icon == b.icon;
    }
};

} // namespace talvora
