#pragma once

#include "platform/clock.h"
#include "platform/window_list.h"

#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

namespace talvora {

// What the Mission Control detector remembers between ticks. Dates are wall-clock; the
// fields named in media seconds are on the media clock.
struct DetectorState {
    int missionControlConfidence = 0; // 0…3; Mission Control is confirmed at 2 or more
    bool isInGracePeriod = false;
    Date gracePeriodStartTime = Date::distantPast();
    Date transitionLockUntil = Date::distantPast();
    Date lastSpaceChangeTime = Date::distantPast();
    Date lastSpaceChangeInMCAt = Date::distantPast();
    bool spaceChangeWhileMCActive = false;
    std::optional<Date> mcActivationTime;
    std::optional<Date> mcExitTime;
    bool isPreExitTriggered = false;
    std::optional<Date> preExitTriggeredAt;
    std::vector<int> thumbnailHistory;
    static constexpr int historyLimit = 15;
    double peakAvgRawShrink = 0;
    int baselineFullScreenCount = 0;
    int stableClosedFullScreenCount = 0;
    double stableClosedFullScreenSince = 0; // media seconds
    int stableClosedFullScreenSamples = 0;
    std::optional<Date> countDroppedBelowBaselineAt;
    double lastThumbnailEvidenceAt = std::numeric_limits<double>::lowest(); // media seconds
    // Largest area (width × height) seen for each window, and when each on-screen window was
    // first seen. Pruned to the windows of the current list every tick.
    std::unordered_map<WindowNumber, double> initialAreas;
    std::unordered_map<WindowNumber, Date> initialAreasFirstSeen;
    Date appLaunchTime;
};

// The detector's evidence of one tick; the scan record and the high-rate window read it.
struct DetectorTick {
    bool raw = false;
    int fullScreens = 0;
    int threshold = 0;
    int thumbnails = 0;
    double avgShrink = 0;
    double bestScreenShrink = 0;
};

} // namespace talvora
