#include "overlay/content_settings.h"
#include "overlay/halo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace talvora;

TEST(HaloColor, PinnedBeforePreviousWindowBeforeNothing)
{
    const RGBA orange { 1, 0.5, 0, 0.9 };
    OverlayContentSettings s;
    const std::vector<PinnedAppEntry> pinned { { "a.mail", std::nullopt }, { "a.notes", orange }, { "a.notes", RGBA {} } };
    auto color = [&](std::optional<std::string> bundle, std::optional<WindowNumber> previous) {
        return haloColor(1, bundle, previous, s, pinned);
    };
    EXPECT_EQ(color("a.notes", 1), orange) << "the first entry, and pinned wins over previous";
    EXPECT_EQ(color("a.mail", std::nullopt), s.pinnedHaloColor());
    EXPECT_EQ(color("A.MAIL", std::nullopt), std::nullopt) << "bundle identifiers match exactly";
    EXPECT_EQ(color(std::nullopt, 1), s.previousHaloColor());
    EXPECT_EQ(color("a.other", 2), std::nullopt);
    EXPECT_EQ(color("a.other", std::nullopt), std::nullopt);
    s.pinnedHaloEnabled = false;
    EXPECT_EQ(color("a.notes", 1), s.previousHaloColor());
    EXPECT_EQ(color("a.notes", std::nullopt), std::nullopt);
    s.highlightPreviousWindow = false;
    EXPECT_EQ(color("a.notes", 1), std::nullopt);
}

TEST(HaloPulse, OpacityAndScaleOverOnePeriodOfTheAbsoluteClock)
{
    auto atPhase = [](double intensity, double s) { return haloPulse(intensity, std::asin(2 * s - 1) / 4.5); };
    EXPECT_NEAR(atPhase(1.5, 0).opacity, 0.525, 1e-12);
    EXPECT_NEAR(atPhase(1.5, 0).scale, 0.92, 1e-12);
    EXPECT_NEAR(atPhase(1.5, 1).scale, 1.08, 1e-12);
    EXPECT_EQ(atPhase(1.5, 1).opacity, 1) << "capped";
    EXPECT_LT(atPhase(1.5, 0.70).opacity, 1);
    EXPECT_EQ(atPhase(1.5, 0.71).opacity, 1);
    EXPECT_EQ(atPhase(0, 1).opacity, 0) << "intensity 0 hides the halo";

    const double t = 812345.678, period = 2 * std::numbers::pi / 4.5;
    EXPECT_NEAR(haloPulse(1.5, t).phase, haloPulse(1.5, t + period).phase, 1e-6);
}
