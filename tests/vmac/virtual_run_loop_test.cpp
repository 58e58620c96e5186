// What the engine's frame-driver tests do not already show of the virtual run loop: the
// display's own rate as a display link's ceiling, no link for a display that is not there, and
// handles that outlive the loop. The timers' schedule and a paused link are theirs.

#include "vmac/virtual_run_loop.h"

#include <gtest/gtest.h>

#include <memory>

using namespace talvora;

TEST(VirtualRunLoop, DisplayLinksRunUnpausedAtMostAtTheDisplaysRateAndOnExistingDisplays)
{
    auto clock = std::make_unique<vmac::VirtualClock>();
    auto loop = std::make_unique<vmac::VirtualRunLoop>(*clock);
    loop->setDisplayRefreshRate([](DisplayID d) -> std::optional<double> { return d == 1 ? std::optional(60.0) : std::nullopt; });
    EXPECT_FALSE(static_cast<RunLoop&>(*loop).createDisplayLink(2, [] {}));
    int frames = 0;
    auto link = static_cast<RunLoop&>(*loop).createDisplayLink(1, [&] { ++frames; });
    ASSERT_TRUE(link);
    link->setPreferredFrameRate(240);
    loop->runFor(1.0);
    EXPECT_EQ(frames, 60) << "a display refreshes at most at its own rate";
    link->setPaused(true);
    loop->runFor(1.0);
    EXPECT_EQ(frames, 60) << "a paused link costs no frames";
    link->invalidate();
    link->setPaused(false);
    loop->runFor(1.0);
    EXPECT_EQ(frames, 60);
    EXPECT_EQ(loop->liveDisplayLinks(), 0);

    // The sanitizer build reports any use of the destroyed loop by the handles.
    auto live = static_cast<RunLoop&>(*loop).createDisplayLink(1, [] {});
    auto timer = static_cast<RunLoop&>(*loop).scheduleRepeating(0.5, 0.1, [] {});
    loop.reset();
    live->setPaused(true);
    live.reset();
    timer.reset();
}
