#pragma once

#include <compare>
#include <limits>

namespace talvora {

// A wall-clock date: seconds since 1970-01-01 UTC. A separate type from media-clock seconds
// (plain doubles) so that the two clocks cannot meet in one comparison by accident.
struct Date {
    double secondsSince1970 = 0;

    static constexpr Date distantPast() { return Date { -62135596800.0 }; } // year 1, as Foundation
    Date addingSeconds(double s) const { return Date { secondsSince1970 + s }; }
    double secondsSince(Date other) const { return secondsSince1970 - other.secondsSince1970; }

    friend auto operator<=>(const Date&, const Date&) = default;
};

class Clock {
public:
    virtual ~Clock() = default;
    // CACurrentMediaTime: monotonic seconds since boot.
    virtual double mediaTime() const = 0;
    // The current date.
    virtual Date now() const = 0;
    // Offset of local time from UTC at the given date, in seconds, for formatting log times.
    virtual int localUtcOffsetSeconds(Date at) const = 0;
};

} // namespace talvora
