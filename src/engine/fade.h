#pragma once

namespace talvora {

// The global icon fade. Times are media-clock seconds.
struct FadeState {
    double iconOpacityTarget = 0;
    double iconOpacityStart = 0;
    double iconOpacityStartTime = 0;
    double iconOpacityDuration = 0.3;
};

// The opacity a fade shows at `now`: smoothstep from the start value to the target, landing
// exactly on the target once the duration has run out (or when there is no duration).
double fadedOpacity(const FadeState& fade, double now);

// Icons are drawn and interactive while Mission Control is open or in its grace period, and
// while they fade out, until the opacity has fallen to 0.01.
inline bool iconsShown(bool missionControlActive, bool inGracePeriod, double opacity)
{
    return missionControlActive || inGracePeriod || opacity > 0.01;
}

} // namespace talvora
