#pragma once

namespace talvora {

// Where the overlay reports that the icons have just appeared. Telemetry decides whether an
// event is actually sent (at most one a day), so every screen may report the same appearance.
class ActivityReporter {
public:
    virtual ~ActivityReporter() = default;
    virtual void sendActiveEvent() = 0;
};

} // namespace talvora
