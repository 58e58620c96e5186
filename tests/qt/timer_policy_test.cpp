#include "qt/timer_policy.h"

#include <gtest/gtest.h>

#include <limits>

namespace talvora::qt {
namespace {

// Delays round up so work is never early; intervals round to the nearest millisecond and never
// spin; a timer is coarse only when its leeway covers a coarse timer's error.
TEST(TimerPolicyTest, DelaysIntervalsAndTimerTypes)
{
    EXPECT_EQ(delayMilliseconds(0.25), 250);
    EXPECT_EQ(delayMilliseconds(0.0001), 1);
    EXPECT_EQ(delayMilliseconds(1.0 / 120), 9);
    EXPECT_EQ(delayMilliseconds(0), 0);
    EXPECT_EQ(delayMilliseconds(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_GT(delayMilliseconds(1e12), 0); // saturates rather than overflowing

    EXPECT_EQ(intervalMilliseconds(0.2), 200);
    EXPECT_EQ(intervalMilliseconds(1.0 / 3), 333);
    EXPECT_EQ(intervalMilliseconds(0.0002), 1);
    EXPECT_EQ(intervalMilliseconds(0), 1);

    // The engine's timers allow 20 % of their interval.
    EXPECT_EQ(timerTypeFor(0.2, 0.04), Qt::CoarseTimer);
    EXPECT_EQ(timerTypeFor(0.2, 0.01), Qt::CoarseTimer); // exactly 5 %
    EXPECT_EQ(timerTypeFor(0.2, 0.009), Qt::PreciseTimer);
    EXPECT_EQ(timerTypeFor(0.2, 0), Qt::PreciseTimer);
    EXPECT_EQ(timerTypeFor(0, 1), Qt::PreciseTimer);
}

TEST(TimerPolicyTest, FramesKeepTheirPhaseAndThoseMissedWhileBusyAreDroppedNotBunched)
{
    const double period = 0.01;
    // On time, late within a period, or early: the next frame is one period after the due one.
    EXPECT_DOUBLE_EQ(nextFrameDeadline(100.0, period, 100.0), 100.01);
    EXPECT_DOUBLE_EQ(nextFrameDeadline(100.0, period, 100.004), 100.01);
    EXPECT_DOUBLE_EQ(nextFrameDeadline(100.0, period, 99.999), 100.01);
    EXPECT_NEAR(nextFrameDeadline(100.0, period, 100.035), 100.04, 1e-9);
    // Far behind: still exactly one frame ahead.
    const double next = nextFrameDeadline(100.0, period, 160.0001);
    EXPECT_GT(next, 160.0001);
    EXPECT_LE(next, 160.0001 + period);
}

} // namespace
} // namespace talvora::qt
