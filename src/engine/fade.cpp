#include "engine/fade.h"

namespace talvora {

double fadedOpacity(const FadeState& fade, double now)
{
    if (fade.iconOpacityDuration <= 0)
        return fade.iconOpacityTarget;
    double t = (now - fade.iconOpacityStartTime) / fade.iconOpacityDuration;
    if (!(t < 1))
        return fade.iconOpacityTarget;
    return fade.iconOpacityStart + t * t * (3 - 2 * t) * (fade.iconOpacityTarget - fade.iconOpacityStart);
}

} // namespace talvora
