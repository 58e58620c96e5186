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
// at the same time run in the order they were queued.
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
    bool hasPendingWork() const { return !m_queue.empty(); }
    // Media time of the next queued item, if any.
    std::optional<double> nextDueTime() const;

private:
    // RunLoop:
    void async(std::function<void()> work) override;
    void after(double seconds, std::function<void()> work) override;

    using Key = std::pair<double, std::uint64_t>;
    VirtualClock& m_clock;
    std::map<Key, std::function<void()>> m_queue;
    std::uint64_t m_sequence = 0;
};

} // namespace talvora::vmac
