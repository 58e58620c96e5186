#include "engine/fade.h"
#include "engine/tick_mode.h"

#include <gtest/gtest.h>

using namespace talvora;

TEST(SelectTickMode, TableAtItsBoundaries)
{
    using M = ResponsivenessMode;
    for (auto mode : kAllResponsivenessModes)
        EXPECT_EQ(selectTickMode(mode, /*highRate=*/true, 100), TickModeSpec(DisplayLinkMode { 120 }));
    EXPECT_EQ(selectTickMode(M::Performance, false, 1.5), TickModeSpec(TimerMode { 0.1, 0.02 })) << "1.5 s is recent";
    EXPECT_EQ(selectTickMode(M::Performance, false, 1.5001), TickModeSpec(TimerMode { 0.5, 0.1 }));
    EXPECT_EQ(selectTickMode(M::Balanced, false, 0), TickModeSpec(TimerMode { 0.05, 0.01 }));
    EXPECT_EQ(selectTickMode(M::Balanced, false, 300), TickModeSpec(TimerMode { 0.2, 0.04 }));
    EXPECT_EQ(selectTickMode(M::Conservative, false, 0), TickModeSpec(DisplayLinkMode { 30 }));
    EXPECT_EQ(selectTickMode(M::Conservative, false, 300), TickModeSpec(DisplayLinkMode { 30 }));
}

TEST(FadedOpacity, SmoothstepThatLandsExactlyOnTheTarget)
{
    FadeState fade { /*target=*/1, /*start=*/0, /*startTime=*/10, /*duration=*/0.3 };
    EXPECT_EQ(fadedOpacity(fade, 10), 0);
    EXPECT_NEAR(fadedOpacity(fade, 10.15), 0.5, 1e-9);
    EXPECT_NEAR(fadedOpacity(fade, 10.075), 0.25 * 0.25 * 2.5, 1e-9);
    EXPECT_EQ(fadedOpacity(fade, 10.3), 1.0);
    EXPECT_EQ(fadedOpacity(fade, 99), 1.0);
    FadeState interrupted { 0, 0.6, 10, 0.15 };
    EXPECT_NEAR(fadedOpacity(interrupted, 10.075), 0.3, 1e-9) << "continues from where it was";
    FadeState instant { 0.8, 0, 10, 0 };
    EXPECT_EQ(fadedOpacity(instant, 10), 0.8);
}
