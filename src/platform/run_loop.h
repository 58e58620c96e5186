#pragma once

#include "platform/window_list.h"

#include <functional>
#include <memory>

namespace talvora {

// A repeating main-queue timer. Dropping the handle cancels it.
class RepeatingTimer {
public:
    virtual ~RepeatingTimer() = default;
    virtual void cancel() = 0;
};
using RepeatingTimerPtr = std::unique_ptr<RepeatingTimer>;

// A per-frame callback on the main thread, tied to the refresh of one display. It starts
// running (unpaused) at the display's own rate. Dropping the handle invalidates it.
class DisplayLink {
public:
    virtual ~DisplayLink() = default;
    // The requested frame rate range, minimum = maximum = preferred = hz.
    virtual void setPreferredFrameRate(float hz) = 0;
    virtual void setPaused(bool paused) = 0;
    virtual bool isPaused() const = 0;
    virtual void invalidate() = 0;
};
using DisplayLinkPtr = std::unique_ptr<DisplayLink>;

// The main thread's queue. Everything the system does runs on it. Times are media-clock
// seconds.
class RunLoop {
public:
    virtual ~RunLoop() = default;
    // Asynchronous work on the main queue, after what is already queued.
    virtual void async(std::function<void()> work) = 0;
    // One-shot work on the main queue after a delay.
    virtual void after(double seconds, std::function<void()> work) = 0;
    // A repeating timer whose first firing is one interval after it is set up. The leeway is
    // a hint of how late a firing may be, to let the system coalesce wake-ups.
    virtual RepeatingTimerPtr scheduleRepeating(double interval, double leeway, std::function<void()> fire) = 0;
    // A display link on the given display; nothing when the display is unknown.
    virtual DisplayLinkPtr createDisplayLink(DisplayID display, std::function<void()> frame) = 0;
};

} // namespace talvora
