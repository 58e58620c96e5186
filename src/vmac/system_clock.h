#pragma once

#include "platform/clock.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace talvora::vmac {

// Real time, for the host and the command-line tools: the media clock is the monotonic clock
// (seconds since boot on Linux, as CACurrentMediaTime is on a Mac), the date is the system
// clock, and the UTC offset is the local time zone's at the given date.
class SystemClock final : public Clock {
public:
    double mediaTime() const override
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }

    Date now() const override
    {
        return Date { std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count() };
    }

    int localUtcOffsetSeconds(Date at) const override
    {
        std::time_t seconds = static_cast<std::time_t>(std::floor(at.secondsSince1970));
        std::tm local {};
        if (!::localtime_r(&seconds, &local))
            return 0;
        return static_cast<int>(local.tm_gmtoff);
    }
};

} // namespace talvora::vmac
