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
    // A tick that was not quiet came after the candidate was last seen: the next quiet tick
    // starts a new hold.
    bool stableClosedCandidateInterrupted = false;
    // The backdrop count of the previous completed tick, and when the count last went up.
    int lastFullScreenCount = 0;
    Date fullScreensRoseAt = Date::distantPast();
    std::optional<Date> countDroppedBelowBaselineAt;
    double lastThumbnailEvidenceAt = std::numeric_limits<double>::lowest(); // media seconds
    // Largest area (width × height) seen for each window, and when each on-screen window was
    // first seen. Pruned to the windows of the current list every tick.
    std::unordered_map<WindowNumber, double> initialAreas;
    std::unordered_map<WindowNumber, Date> initialAreasFirstSeen;
    Date appLaunchTime;
};

// The detector's evidence of one tick; the scan record, the placement and the high-rate
// window read it.
struct DetectorTick {
    bool raw = false;
    int fullScreens = 0;
    int threshold = 0;
    int thumbnails = 0;
    double avgShrink = 0;
    double bestScreenShrink = 0;
    // When the longest-known on-screen user window seen at its full size (shrink below the
    // evidence level) was first seen; absent when there is none.
    std::optional<Date> oldestFullSizeWindowSeenAt;
    // Largest remembered area of an on-screen user window per host screen, and on any screen.
    std::unordered_map<DisplayID, double> maxAreaByScreen;
    std::optional<double> maxAreaAnyScreen;
};

// Thresholds of the detector, in one place.
namespace DetectorRule {
inline constexpr int confirmedConfidence = 2;
inline constexpr int maxConfidence = 3;
inline constexpr double backdropScreenFraction = 0.9; // a backdrop covers at least 90 % of a screen
inline constexpr double thumbnailMaxSideFraction = 0.8;
inline constexpr double thumbnailMaxAreaFraction = 0.4;
inline constexpr double openingShrink = 0.3; // best screen shrink needed to open
inline constexpr double thumbnailEvidenceShrink = 0.1;
inline constexpr double spaceSwitchHoldSeconds = 0.7; // backdrops vanish briefly during a switch
// A rise of the resting backdrop count is believed only while a window that was on screen this
// long before the rise is still seen at its full size.
inline constexpr double restingProofSeconds = 1.0;
} // namespace DetectorRule

// The detector's threshold: backdrops must exceed twice the number of screens (or the learned
// baseline) by the number of screens.
constexpr int detectorThreshold(int baseline, int screenCount)
{
    return (baseline > 2 * screenCount ? baseline : 2 * screenCount) + screenCount;
}

// 1 − √(area / largest area), limited to 0…1; 0 when the largest area is unknown.
double rawShrink(double area, double largestArea);

// The baseline blended towards a new count: a tenth of the way, to the nearest integer with
// halves away from zero.
int blendedBaseline(int baseline, int fullScreens);

} // namespace talvora
