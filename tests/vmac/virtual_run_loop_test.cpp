// What the engine's frame-driver tests do not already show of the virtual run loop: a timer
// cancelled from its own callback, a paused display link and the display's own rate as its
// ceiling, and handles that outlive the loop.

#include "vmac/virtual_run_loop.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace talvora;

TEST(VirtualRunLoop, TimersFireOnTheirScheduleAndStopFromTheirOwnCallback)
{
    vmac::VirtualClock clock;
    vmac::VirtualRunLoop loop { clock };
    const double start = static_cast<const Clock&>(clock).mediaTime();
    std::vector<double> firings;
    RepeatingTimerPtr timer;
    timer = static_cast<RunLoop&>(loop).scheduleRepeating(0.2, 0.04, [&] {
        firings.push_back(static_cast<const Clock&>(clock).mediaTime() - start);
        if (firings.size() == 3)
            timer.reset();
    });
    loop.runFor(1.0);
    ASSERT_EQ(firings.size(), 3u);
    for (std::size_t i = 0; i < firings.size(); ++i)
        EXPECT_NEAR(firings[i], 0.2 * (i + 1), 1e-9) << "one interval after set-up, without drift";
    EXPECT_EQ(loop.liveTimers(), 0);
}

TEST(VirtualRunLoop, DisplayLinksRunAtMostAtTheDisplaysRateAndOnlyOnExistingDisplaysAndWhenNotPaused)
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
