#pragma once

#include "platform/run_loop.h"
#include "vmac/virtual_clock.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace talvora::vmac {

// A deterministic main queue on virtual time. Work runs only inside runUntil/drain; items due
// at the same time run in the order they were queued. Repeating timers fire exactly on their
// interval (the leeway is only a hint and virtual time has no wake-ups to coalesce); display
// links fire at their rate, capped by the display's refresh rate.
class VirtualRunLoop final : public RunLoop {
public:
    explicit VirtualRunLoop(VirtualClock& clock)
        : m_clock(clock)
    {
    }

    // Runs everything due up to and including `mediaTime`, advancing the clock to each item's
    // time, then leaves the clock at `mediaTime`.
    void runUntil(double mediaTime);
    void runFor(double seconds) { runUntil(static_cast<const Clock&>(m_clock).mediaTime() + seconds); }
    // Runs what is due now (including work queued by that work).
    void drain() { runUntil(static_cast<const Clock&>(m_clock).mediaTime()); }

    // The refresh rate of a display in Hz, or nothing for a display that does not exist; a
    // display link can only be made on an existing display. Without it every display exists
    // and refreshes at 120 Hz.
    void setDisplayRefreshRate(std::function<std::optional<double>(DisplayID)> refreshRate) { m_refreshRate = std::move(refreshRate); }

    // Timers and display links that are alive (not cancelled, not invalidated).
    int liveTimers() const { return m_liveTimers; }
    int liveDisplayLinks() const { return m_liveLinks; }

private:
    // RunLoop:
    void async(std::function<void()> work) override;
    void after(double seconds, std::function<void()> work) override;
    RepeatingTimerPtr scheduleRepeating(double interval, double leeway, std::function<void()> fire) override;
    DisplayLinkPtr createDisplayLink(DisplayID display, std::function<void()> frame) override;

    friend class VirtualTimer;
    friend class VirtualDisplayLink;
    double now() const { return static_cast<const Clock&>(m_clock).mediaTime(); }
    void at(double mediaTime, std::function<void()> work);

    using Key = std::pair<double, std::uint64_t>;
    VirtualClock& m_clock;
    std::map<Key, std::function<void()>> m_queue;
    std::uint64_t m_sequence = 0;
    std::function<std::optional<double>(DisplayID)> m_refreshRate;
    int m_liveTimers = 0;
    int m_liveLinks = 0;
    // Handles may outlive the loop; they check this before touching it.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace talvora::vmac
