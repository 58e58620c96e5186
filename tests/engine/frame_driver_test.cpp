#include "engine/frame_driver.h"
#include "vmac/virtual_run_loop.h"

#include <gtest/gtest.h>

using namespace talvora;

namespace {

struct DriverFixture {
    vmac::VirtualClock clock;
    vmac::VirtualRunLoop loop { clock };
    int frames = 0;
    std::unique_ptr<DisplayLinkDriver> driver;

    explicit DriverFixture(TickModeSpec mode)
        : driver(std::make_unique<DisplayLinkDriver>(loop, mode, [this] { ++frames; }))
    {
    }
    void update(TickModeSpec mode) { driver->update(mode, [this] { ++frames; }); }
    int framesDuring(double seconds)
    {
        int before = frames;
        loop.runFor(seconds);
        return frames - before;
    }
};

} // namespace

TEST(FrameDriver, ADisplayLinkModeRunsOnlyWhileTheHostViewIsInAWindowATimerModeWithout)
{
    DriverFixture f(DisplayLinkMode { 120 });
    EXPECT_EQ(f.framesDuring(1), 0);
    f.driver->hostView().moveToWindow(1);
    EXPECT_EQ(f.framesDuring(1), 120);
    f.driver->hostView().moveToWindow(std::nullopt);
    EXPECT_EQ(f.framesDuring(1), 0) << "leaving the window stops the coordinator";
    f.update(TimerMode { 0.5, 0.1 });
    EXPECT_EQ(f.framesDuring(1), 2);
}

TEST(FrameDriver, RepublishedIdenticalModeDoesNothing)
{
    DriverFixture f(DisplayLinkMode { 120 });
    f.driver->hostView().moveToWindow(1);
    f.loop.runFor(0.1);
    f.update(TimerMode { 0.2, 0.04 });
    const int applications = f.driver->coordinator().applications();
    const RepeatingTimer* timer = f.driver->coordinator().timer.get();
    f.loop.runFor(0.1); // half an interval
    f.update(TimerMode { 0.2, 0.04 });
    EXPECT_EQ(f.driver->coordinator().applications(), applications);
    EXPECT_EQ(f.driver->coordinator().timer.get(), timer) << "the timer is not recreated";
    EXPECT_EQ(f.framesDuring(0.1), 1) << "and keeps its phase";
}

TEST(FrameDriver, SwitchingBetweenTimerAndDisplayLink)
{
    DriverFixture f(TimerMode { 0.2, 0.04 });
    f.driver->hostView().moveToWindow(1);
    f.loop.drain();
    ASSERT_TRUE(f.driver->coordinator().displayLink);
    EXPECT_TRUE(f.driver->coordinator().displayLink->isPaused()) << "paused, not destroyed, in timer modes";
    EXPECT_EQ(f.framesDuring(1), 5);

    f.update(DisplayLinkMode { 120 });
    EXPECT_FALSE(f.driver->coordinator().timer);
    EXPECT_FALSE(f.driver->coordinator().displayLink->isPaused());
    EXPECT_EQ(f.framesDuring(1), 120);
    EXPECT_EQ(f.loop.liveTimers(), 0);

    f.update(TimerMode { 0.05, 0.01 });
    EXPECT_TRUE(f.driver->coordinator().displayLink->isPaused());
    EXPECT_NEAR(f.framesDuring(1), 20, 1);
    EXPECT_EQ(f.loop.liveTimers(), 1) << "at most one timer";
    EXPECT_EQ(f.loop.liveDisplayLinks(), 1) << "and one display link";
}

TEST(FrameDriver, NothingFiresAfterTheDriverIsGone)
{
    DriverFixture f(TimerMode { 0.05, 0.01 });
    f.driver->hostView().moveToWindow(1);
    f.loop.runFor(0.5);
    f.driver.reset();
    EXPECT_EQ(f.framesDuring(1), 0);
    EXPECT_EQ(f.loop.liveTimers(), 0);
    EXPECT_EQ(f.loop.liveDisplayLinks(), 0);
}
