// What a person notices over a visit: how the icons fade, which window keeps its halo, how long
// the engine stays at full speed, and what survives a display change.

#include "engine/fade.h"
#include "support/detector_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace talvora;
using test_support::DesktopBuilder;
using test_support::DetectorFixture;
using test_support::twoApps;

namespace {

// Two more Dock backdrops, and both windows reported at `side` times their size: a side of 0.5
// is a quarter of the area, a shrink of 0.5.
void showMissionControl(DetectorFixture& f, double side = 0.5)
{
    f.server->extraBackdrops = 2;
    f.server->reportedBounds[1001] = { 500, 330, 400 * side, 300 * side };
    f.server->reportedBounds[1002] = { 1000, 500, 400 * side, 300 * side };
}

// Past start-up (baseline learned), then Mission Control opened and confirmed.
void settleAndOpen(DetectorFixture& f)
{
    f.ticks(18, 0.2);
    showMissionControl(f);
    f.ticks(2);
    ASSERT_TRUE(f.engine->isMCActive.value());
}

// Opens, stays long enough to learn the peak shrink (0.5), then grows back: once the shrink
// falls below 85 % of the peak (0.44 is above 0.425, 0.4 below) the pre-exit fade-out starts.
void openThenGrowBack(DetectorFixture& f)
{
    settleAndOpen(f);
    f.ticks(150);
    ASSERT_NEAR(f.engine->detector().peakAvgRawShrink, 0.5, 1e-9);
    showMissionControl(f, 0.56);
    f.tick();
    ASSERT_FALSE(f.engine->detector().isPreExitTriggered);
    showMissionControl(f, 0.6);
    f.tick();
    ASSERT_TRUE(f.engine->detector().isPreExitTriggered);
    EXPECT_EQ(f.lastBlock(), "PRE-EXIT DETECTED (Expansion Trend)");
    EXPECT_EQ(f.engine->fade().iconOpacityTarget, 0.0);
    EXPECT_EQ(f.engine->fade().iconOpacityDuration, 0.4);
}

} // namespace

// The shrink that opens is the best average of one display, not of all windows nor of the
// single most shrunk window: one display whose thumbnails have shrunk enough is enough.
TEST(Opening, ShrinkIsAveragedPerDisplayAndTheBestDisplayCounts)
{
    DetectorFixture f(DesktopBuilder()
            .display(1, { 0, 0, 1440, 900 })
            .display(2, { 1440, 0, 1920, 1080 })
            .app(501, "Safari")
            .app(502, "Notes")
            .window(1001, 501, { 100, 100, 800, 600 }, "Start")
            .window(1003, 501, { 200, 150, 800, 600 }, "Second")
            .window(1002, 502, { 1600, 100, 1200, 800 }, "List")
            .front(501));
    f.tick();
    f.server->extraBackdrops = 4;
    f.server->reportedBounds[1003] = { 400, 300, 400, 300 }; // shrink 0.5; 1001 stays at 0
    f.server->reportedBounds[1002] = { 2000, 300, 1200 * 0.64, 800 * 0.64 }; // shrink 0.36
    f.tick();
    EXPECT_NEAR(f.engine->lastDetectorTick().bestScreenShrink, 0.36, 1e-9);
    EXPECT_LT(f.engine->lastDetectorTick().avgShrink, 0.3);
    f.tick();
    EXPECT_TRUE(f.engine->isMCActive.value());
}

TEST(Fade, AnInterruptedFadeContinuesFromTheCurrentOpacity)
{
    DetectorFixture f(twoApps());
    openThenGrowBack(f);
    double last = f.engine->iconOpacity.value();
    bool cancelled = false;
    showMissionControl(f); // the user stayed: back to the full shrink
    for (int i = 0; i < 120; ++i) {
        f.ticks(1);
        const double now = f.engine->iconOpacity.value();
        if (!cancelled && f.engine->fade().iconOpacityTarget == 1.0) {
            cancelled = true;
            EXPECT_GT(now, 0.0);
            EXPECT_LT(now, 1.0);
            EXPECT_EQ(f.engine->fade().iconOpacityStart, now) << "the fade-in starts where the fade-out stood";
        }
        // At 120 Hz the steepest step of a 0.3 s smoothstep is 1.5 / 0.3 / 120, about 0.04.
        EXPECT_LE(std::abs(now - last), 0.05) << "no jump, tick " << i;
        last = now;
    }
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(last, 1.0);
    EXPECT_EQ(f.lastBlock(), "PRE-EXIT CANCELLED (Re-entry Detected)");
    EXPECT_FALSE(f.engine->detector().isPreExitTriggered);
}

TEST(Fade, IconsStayUntilTheOpacityHasFallenToOneHundredth)
{
    EXPECT_TRUE(iconsShown(false, false, std::nextafter(0.01, 1.0)));
    EXPECT_FALSE(iconsShown(false, false, 0.01));
    EXPECT_FALSE(iconsShown(false, false, 0));
    EXPECT_TRUE(iconsShown(true, false, 0));
    EXPECT_TRUE(iconsShown(false, true, 0));
}

// The halo marks the window that was in front before Mission Control opened, so the front
// window is not followed from the first raw tick until Mission Control has fully closed.
TEST(ActiveWindowTracking, FrozenFromTheFirstRawTickUntilMissionControlHasClosed)
{
    enum class Moment { FirstRawTick, Open, GracePeriod };
    for (Moment moment : { Moment::FirstRawTick, Moment::Open, Moment::GracePeriod }) {
        SCOPED_TRACE(static_cast<int>(moment));
        DetectorFixture f(twoApps());
        f.ticks(18, 0.2);
        ASSERT_EQ(f.engine->sampling().currentActiveWindowID, 1001u);
        showMissionControl(f);
        f.tick();
        ASSERT_EQ(f.confidence(), 1);
        if (moment != Moment::FirstRawTick) {
            f.ticks(120);
            ASSERT_TRUE(f.engine->isMCActive.value());
        }
        if (moment == Moment::GracePeriod) {
            f.engine->handleSpaceChange();
            f.server->extraBackdrops = 0;
            f.ticks(90);
            ASSERT_TRUE(f.engine->detector().isInGracePeriod);
        }
        f.sim->mac().activateApp(502);
        f.tick();
        EXPECT_EQ(f.engine->sampling().currentActiveWindowID, 1001u);
        EXPECT_FALSE(f.engine->previousActiveWindowID.value());
    }
}

// After a tick that still shows signs of Mission Control the engine stays at full speed: 0.75 s
// while icons are shown, 0.4 s otherwise. A quiet tick extends nothing.
TEST(HighRate, HeldLongerAfterATickWithIconsShown)
{
    DetectorFixture f(twoApps());
    f.ticks(18, 0.2);
    const double quietUntil = f.engine->scheduling().highRateUntil;
    f.tick(0.2);
    EXPECT_EQ(f.engine->scheduling().highRateUntil, quietUntil) << "a quiet tick";
    EXPECT_EQ(f.engine->tickMode.value(), TickModeSpec(TimerMode { 0.2, 0.04 }));

    // Backdrops above the resting count, nothing shrunk yet: no raw signal, still a sign.
    f.server->extraBackdrops = 2;
    f.tick(0.2);
    ASSERT_FALSE(f.engine->lastDetectorTick().raw);
    EXPECT_DOUBLE_EQ(f.engine->scheduling().highRateUntil, f.sim->clock().mediaTime() + 0.4);
    EXPECT_EQ(f.engine->tickMode.value(), TickModeSpec(DisplayLinkMode { 120 }));

    showMissionControl(f);
    f.tick();
    ASSERT_FALSE(f.engine->shouldShowIcons.value());
    EXPECT_DOUBLE_EQ(f.engine->scheduling().highRateUntil, f.sim->clock().mediaTime() + 0.4);
    f.tick();
    ASSERT_TRUE(f.engine->shouldShowIcons.value());
    EXPECT_DOUBLE_EQ(f.engine->scheduling().highRateUntil, f.sim->clock().mediaTime() + 0.75);

    // Closed and faded out: the last tick with icons holds full speed for 0.75 s.
    f.ticks(100);
    f.server->extraBackdrops = 0;
    f.server->reportedBounds.clear();
    double lastShown = 0;
    while (f.engine->shouldShowIcons.value()) {
        lastShown = f.sim->clock().mediaTime();
        f.tick();
    }
    f.ticks(5);
    EXPECT_DOUBLE_EQ(f.engine->scheduling().highRateUntil, lastShown + 0.75);
    f.engine->updateTickMode(lastShown + 0.75 - 1e-6);
    EXPECT_EQ(f.engine->tickMode.value(), TickModeSpec(DisplayLinkMode { 120 }));
    f.engine->updateTickMode(lastShown + 0.75);
    EXPECT_TRUE(std::holds_alternative<TimerMode>(f.engine->tickMode.value()));
}

// A pre-exit that meets a Space switch: the switch neither opens a grace period nor forgets
// the visit's history, and the lock it sets is the longer one.
TEST(PreExit, ASpaceSwitchWhileItIsPendingEndsTheVisitWithoutAGracePeriod)
{
    DetectorFixture f(twoApps());
    openThenGrowBack(f);
    const auto history = f.engine->detector().thumbnailHistory;
    f.engine->handleSpaceChange();
    EXPECT_EQ(f.lastBlock(), "SPACE CHANGE (STAYING IN MISSION CONTROL)");
    EXPECT_FALSE(f.engine->detector().spaceChangeWhileMCActive);
    EXPECT_NEAR(f.engine->detector().transitionLockUntil.secondsSince(f.dateNow()), 1.2, 1e-6);
    EXPECT_EQ(f.engine->detector().thumbnailHistory, history);
    EXPECT_NEAR(f.engine->detector().peakAvgRawShrink, 0.5, 1e-9);

    f.server->extraBackdrops = 0;
    f.server->reportedBounds.clear();
    int ticks = 0;
    while (f.engine->isMCActive.value() && ticks < 240) {
        f.tick();
        ++ticks;
        ASSERT_FALSE(f.engine->detector().isInGracePeriod);
    }
    EXPECT_FALSE(f.engine->isMCActive.value());
    EXPECT_EQ(f.lastBlock(), "EXIT SIGNAL SENT (Via Pre-Detection)");
    EXPECT_LT(ticks * (1.0 / 120), 1.2) << "the backdrops at the resting count release the lock early";
}

TEST(PreExit, ReentryDuringTheTransitionLockCancelsItAtOnce)
{
    DetectorFixture f(twoApps());
    openThenGrowBack(f);
    f.engine->handleSpaceChange(); // a lock of 1.2 s
    showMissionControl(f);
    f.ticks(30); // a quarter of a second after the pre-exit
    EXPECT_EQ(f.lastBlock(), "PRE-EXIT CANCELLED (Re-entry During Transition Lock)");
    EXPECT_LT(f.dateNow(), f.engine->detector().transitionLockUntil);
    EXPECT_FALSE(f.engine->detector().isPreExitTriggered);
    EXPECT_EQ(f.engine->fade().iconOpacityTarget, 1.0);
    EXPECT_TRUE(f.engine->isMCActive.value());
}

// Areas and screens learned before a display change are not comparable with those after it, so
// a visit forgets them. While idle, a display change holds full speed at once, without waiting
// for a tick.
TEST(DisplayChange, ForgetsPerWindowMemoryAndHoldsFullSpeed)
{
    DetectorFixture f(twoApps());
    settleAndOpen(f);
    f.ticks(40);
    ASSERT_FALSE(f.engine->placement().smoothedPositions.empty());
    ASSERT_FALSE(f.engine->placement().windowInitialScreenIDs.empty());
    ASSERT_FALSE(f.engine->detector().initialAreas.empty());
    f.sim->mac().addDisplay({ 2, { 1440, 0, 1920, 1080 } });
    f.engine->handleScreenParametersChange();
    const auto& placement = f.engine->placement();
    EXPECT_TRUE(f.engine->detector().initialAreas.empty());
    EXPECT_TRUE(f.engine->detector().initialAreasFirstSeen.empty());
    EXPECT_TRUE(placement.smoothedPositions.empty());
    EXPECT_TRUE(placement.windowHostScreenIDs.empty());
    EXPECT_TRUE(placement.windowInitialScreenIDs.empty());
    EXPECT_EQ(f.engine->screens().cachedScreenCount, 2);

    f.sim->mac().removeDisplay(2);
    f.engine->handleScreenParametersChange();
    f.server->extraBackdrops = 0;
    f.server->reportedBounds.clear();
    f.ticks(10, 0.2);
    ASSERT_TRUE(std::holds_alternative<TimerMode>(f.engine->tickMode.value()));
    f.sim->mac().addDisplay({ 2, { 1440, 0, 1920, 1080 } });
    f.engine->handleScreenParametersChange();
    EXPECT_EQ(f.engine->tickMode.value(), TickModeSpec(DisplayLinkMode { 120 }));
    EXPECT_DOUBLE_EQ(f.engine->scheduling().highRateUntil, f.sim->clock().mediaTime() + 0.4);
    EXPECT_EQ(f.engine->screens().cachedScreenCount, 2);
}
