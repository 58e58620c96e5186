#pragma once

#include "settings/responsiveness_mode.h"

#include <variant>

namespace talvora {

// How the frame driver runs the tick: a display-synchronised callback at `hz`, or a repeating
// main-queue timer (seconds on the media clock; the leeway is a hint).
struct DisplayLinkMode {
    float hz = 120;
    friend bool operator==(const DisplayLinkMode&, const DisplayLinkMode&) = default;
};
struct TimerMode {
    double interval = 0.2;
    double leeway = 0.04;
    friend bool operator==(const TimerMode&, const TimerMode&) = default;
};
using TickModeSpec = std::variant<DisplayLinkMode, TimerMode>;

// Inputs of input-driven rates: idle intervals shorten for this long after a user input,
// and the boundary itself belongs to the faster rate.
inline constexpr double kRecentInputWindowSeconds = 1.5;

// The rate for the current moment. `secondsSinceInput` is media-clock seconds since the last
// user input seen by the global monitor.
TickModeSpec selectTickMode(ResponsivenessMode mode, bool highRate, double secondsSinceInput);

} // namespace talvora
