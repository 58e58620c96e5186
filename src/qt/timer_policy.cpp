#include "qt/timer_policy.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace talvora::qt {

namespace {

// The error a coarse timer may make, as a fraction of its interval. A leeway of exactly that
// much counts, despite binary fractions.
constexpr double kCoarseTimerError = 0.05;

int clampToInt(double milliseconds)
{
    return static_cast<int>(std::clamp(milliseconds, 0.0, static_cast<double>(INT_MAX)));
}

} // namespace

int delayMilliseconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    // The small allowance keeps 0.25 s at 250 ms despite binary fractions.
    return clampToInt(std::ceil(seconds * 1000.0 - 1e-6));
}

int intervalMilliseconds(double seconds)
{
    if (!std::isfinite(seconds))
        return 1;
    return std::max(1, clampToInt(std::round(seconds * 1000.0)));
}

Qt::TimerType timerTypeFor(double interval, double leeway)
{
    if (std::isfinite(interval) && std::isfinite(leeway) && interval > 0 && leeway >= kCoarseTimerError * interval * (1 - 1e-9))
        return Qt::CoarseTimer;
    return Qt::PreciseTimer;
}

double nextFrameDeadline(double deadline, double period, double now)
{
    if (now <= deadline)
        return deadline + period;
    double missed = std::floor((now - deadline) / period);
    return deadline + (missed + 1) * period;
}

} // namespace talvora::qt
