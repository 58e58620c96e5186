#include "engine/tick_mode.h"

namespace talvora {

TickModeSpec selectTickMode(ResponsivenessMode mode, bool highRate, double secondsSinceInput)
{
    if (highRate)
        return DisplayLinkMode { 120 };
    bool recentInput = secondsSinceInput <= kRecentInputWindowSeconds;
    switch (mode) {
    case ResponsivenessMode::Conservative:
        return DisplayLinkMode { 30 };
    case ResponsivenessMode::Performance:
        return recentInput ? TimerMode { 0.1, 0.02 } : TimerMode { 0.5, 0.1 };
    case ResponsivenessMode::Balanced:
        break;
    }
    return recentInput ? TimerMode { 0.05, 0.01 } : TimerMode { 0.2, 0.04 };
}

} // namespace talvora
