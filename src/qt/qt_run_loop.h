#pragma once

#include "platform/run_loop.h"
#include "vmac/system_clock.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace talvora::qt {

// The main queue in real time, on Qt's event loop: for the interactive app and for measuring
// what the app costs while idle. Everything it runs, runs on the thread that owns the
// QCoreApplication, which must exist when the loop is made, on that thread. `async` may be
// called from any thread (the log writer and network completions hop back with it); the rest
// belongs to the main thread.
//
// Its timers and frames run on the monotonic clock, which is the media clock of `clock()` (and
// of every vmac::SystemClock), so engine times and timer times agree.
//
// Timers and display links are owned by a context object of the loop; their handles may
// outlive it, and do nothing once it is gone. Work still pending when the loop goes never runs.
class QtRunLoop final : public RunLoop {
public:
    QtRunLoop();
    ~QtRunLoop() override;
    QtRunLoop(const QtRunLoop&) = delete;
    QtRunLoop& operator=(const QtRunLoop&) = delete;

    // The refresh rate of a display in Hz, or nothing for a display that does not exist; a
    // display link can only be made on an existing display, starts at its rate and is never
    // faster. Without it every display exists and links start at 60 Hz.
    void setDisplayRefreshRate(std::function<std::optional<double>(DisplayID)> refreshRate)
    {
        m_refreshRate = std::move(refreshRate);
    }

    // A real-time clock whose media time is the clock the loop's timers run on.
    Clock& clock() { return m_clock; }

private:
    // RunLoop:
    void async(std::function<void()> work) override;
    void after(double seconds, std::function<void()> work) override;
    RepeatingTimerPtr scheduleRepeating(double interval, double leeway, std::function<void()> fire) override;
    DisplayLinkPtr createDisplayLink(DisplayID display, std::function<void()> frame) override;

    bool onOwnThread() const;

    // Parent of every timer and frame pacer, and the receiver of queued work: deleting it
    // stops them all and drops what is queued.
    std::unique_ptr<QObject> m_context;
    vmac::SystemClock m_clock;
    std::function<std::optional<double>(DisplayID)> m_refreshRate;
};

} // namespace talvora::qt
