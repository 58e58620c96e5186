#pragma once

#include "engine/records.h"
#include "platform/clock.h"
#include "platform/geometry.h"
#include "platform/window_list.h"

#include <unordered_map>
#include <vector>

namespace talvora {

// Per-window memory of the icon placement. Anchors are host-screen-local (window-server
// orientation, origin at the host screen's top-left).
struct PlacementState {
    std::unordered_map<WindowNumber, Point> smoothedPositions;
    std::unordered_map<WindowNumber, DisplayID> windowHostScreenIDs;
    std::unordered_map<WindowNumber, DisplayID> windowInitialScreenIDs;
    // Windows being closed or just minimized through the overlay, with the wall-clock date.
    std::unordered_map<WindowNumber, Date> recentlyClosedWindowIDs;
    std::unordered_map<WindowNumber, Date> recentlyHiddenWindowIDs;
    // The records of the last publication, filled again by the next placement.
    std::vector<WindowInfo> recycledWindows;
    static constexpr double recentlyClosedTTL = 1.5; // seconds
    static constexpr double recentlyHiddenTTL = 3.0; // seconds
};

// Pure rules of the placement, in the units the names say.
namespace placement {

// The half-life of the anchor's glide for a distance in points: quick when far, gentle when near.
double smoothingHalfLife(double distance);
// The fraction of the way to the target covered in one tick of `frameDelta` seconds; slow
// ticks count as 0.1 s and the step is never below 1 ms.
double smoothingFactor(double distance, double frameDelta);
// The icon's visibility level: late windows show at 0.7 once settled, others follow their
// shrink, at least 0.7 × how far the entry animation has come.
double visibilityLevel(bool late, bool showNew, bool inScreen, bool fast, bool wrongScreen, double rs, double entryT);
// Scale relative to the 51-point reference icon.
double iconScale(double sizeTerm, double visibility, double thumbnailWidth);
// Size term: 1 with no influence; with full influence the square root of the window's share of
// the largest area on its screen, down to 0.4.
double sizeTerm(double windowSizeInfluence, double initialArea, double maxArea);

} // namespace placement

} // namespace talvora
