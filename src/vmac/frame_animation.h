#pragma once

#include "platform/geometry.h"

#include <algorithm>
#include <cstdint>

namespace talvora::vmac {

// Interpolation curves: progress in 0…1 to eased progress in 0…1.
enum class AnimationCurve : std::uint8_t {
    SmoothStep, // slow start and end: the shrink of an opening overview grows gradually
    EaseOut, // fast start, slow end (cubic)
};

inline double smoothStep(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

inline double easeOutCubic(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    double u = 1 - t;
    return 1 - u * u * u;
}

inline double eased(AnimationCurve curve, double t) { return curve == AnimationCurve::SmoothStep ? smoothStep(t) : easeOutCubic(t); }

// Each edge of the rectangle moves along the same eased progress.
inline Rect interpolateRect(const Rect& from, const Rect& to, double progress)
{
    auto mix = [&](double a, double b) { return a + (b - a) * progress; };
    return { mix(from.x, to.x), mix(from.y, to.y), mix(from.width, to.width), mix(from.height, to.height) };
}

// One window's bounds moving from one rectangle to another in window-server coordinates,
// starting at a media-clock time.
struct FrameAnimation {
    Rect from;
    Rect to;
    double startedAt = 0; // media seconds
    double duration = 0; // seconds; 0 shows `to` at once
    AnimationCurve curve = AnimationCurve::SmoothStep;

    double endsAt() const { return startedAt + duration; }

    Rect at(double mediaTime) const
    {
        if (duration <= 0 || mediaTime >= endsAt())
            return to;
        if (mediaTime <= startedAt)
            return from;
        return interpolateRect(from, to, eased(curve, (mediaTime - startedAt) / duration));
    }
};

} // namespace talvora::vmac
