#include "engine/closed_window_registry.h"
#include "settings/preference_keys.h"
#include "support/detector_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace talvora;
using test_support::DesktopBuilder;
using test_support::DetectorFixture;

namespace {

constexpr Rect kWindow { 100, 100, 800, 600 };
constexpr Rect kThumbnail { 500, 330, 400, 300 }; // a quarter of the area: shrink 0.5

DesktopBuilder oneDisplay()
{
    return DesktopBuilder().display(1, { 0, 0, 1440, 900 }).app(501, "Safari").window(1001, 501, kWindow, "Start").front(501);
}

// What Mission Control looks like in the list on one display: two more Dock backdrops (the
// desktop picture and the Dock's own window are always there) and the window at thumbnail size.
void showMissionControl(DetectorFixture& f, Rect thumbnail = kThumbnail, int backdrops = 2)
{
    f.server->extraBackdrops = backdrops;
    f.server->reportedBounds[1001] = thumbnail;
}
// Closing removes the backdrops first while the thumbnails are still small.
void removeBackdrops(DetectorFixture& f)
{
    f.server->extraBackdrops = 0;
}
void hideMissionControl(DetectorFixture& f)
{
    f.server->extraBackdrops = 0;
    f.server->reportedBounds.clear();
}

} // namespace

// A visit from its opening to its closing. Both forget the windows closed from the overlay, so
// that a window of the same number shows its icon again on the next visit.
TEST(Detector, OpensOnTheSecondRawTickAndClosesOnTheSecondQuietOne)
{
    DetectorFixture f(oneDisplay());
    f.tick();
    ClosedWindowRegistry::shared().record(1001, f.dateNow());
    // Three backdrops on one screen with no baseline meet the threshold of 3; two do not.
    showMissionControl(f, kThumbnail, /*backdrops=*/0);
    f.tick();
    EXPECT_FALSE(f.engine->lastDetectorTick().raw);
    EXPECT_EQ(f.engine->lastDetectorTick().fullScreens, 2);
    EXPECT_EQ(f.engine->lastDetectorTick().threshold, 3);

    // The thumbnail must have shrunk by more than 0.3 on its screen.
    showMissionControl(f, { 500, 330, 800 * 0.71, 600 * 0.71 }, /*backdrops=*/1);
    f.tick();
    EXPECT_FALSE(f.engine->lastDetectorTick().raw) << "a shrink of 0.29 is not enough";

    showMissionControl(f, { 500, 330, 800 * 0.69, 600 * 0.69 }, /*backdrops=*/1);
    f.tick();
    EXPECT_TRUE(f.engine->lastDetectorTick().raw);
    EXPECT_EQ(f.confidence(), 1);
    EXPECT_FALSE(f.engine->isMCActive.value());

    f.tick();
    EXPECT_TRUE(f.engine->isMCActive.value());
    EXPECT_TRUE(f.engine->shouldShowIcons.value());
    EXPECT_EQ(f.lastBlock(), "OPEN MISSION CONTROL");
    EXPECT_EQ(f.engine->fade().iconOpacityTarget, 1.0);
    EXPECT_EQ(f.engine->fade().iconOpacityDuration, 0.3);
    EXPECT_EQ(f.engine->iconOpacity.value(), 0.0) << "the fade starts on the next tick";
    EXPECT_TRUE(ClosedWindowRegistry::shared().isEmpty());
    f.tick(0.15);
    EXPECT_NEAR(f.engine->iconOpacity.value(), 0.5, 1e-9);
    f.tick(0.2);
    EXPECT_EQ(f.engine->iconOpacity.value(), 1.0);

    f.ticks(200); // open for well over the pre-exit window, confidence at its cap
    ASSERT_EQ(f.confidence(), 3);
    ClosedWindowRegistry::shared().record(1001, f.dateNow());
    removeBackdrops(f);
    f.tick();
    EXPECT_EQ(f.confidence(), 2) << "one quiet tick is absorbed";
    EXPECT_TRUE(f.engine->isMCActive.value());
    f.tick();
    EXPECT_FALSE(f.engine->isMCActive.value());
    EXPECT_EQ(f.lastBlock(), "CLOSE MISSION CONTROL");
    EXPECT_EQ(f.engine->fade().iconOpacityTarget, 0.0);
    EXPECT_EQ(f.engine->fade().iconOpacityDuration, 0.15);
    EXPECT_TRUE(f.engine->shouldShowIcons.value()) << "icons stay while they fade out";
    EXPECT_TRUE(ClosedWindowRegistry::shared().isEmpty());

    // Icons stay placed, shrinking, until the fade has brought the opacity to 0.01.
    int ticks = 0;
    while (f.engine->shouldShowIcons.value() && ticks < 100) {
        EXPECT_FALSE(f.engine->activeWindows.value().empty());
        f.tick();
        ++ticks;
    }
    EXPECT_LE(f.engine->iconOpacity.value(), 0.01);
    // The smoothstep over 0.15 s falls to 0.01 after about 0.141 s: no shorter, no longer.
    EXPECT_GE(ticks * (1.0 / 120), 0.14);
    EXPECT_LE(ticks * (1.0 / 120), 0.16);
    EXPECT_TRUE(f.engine->activeWindows.value().empty());
}

// A Space switch in the first half second of a visit is the opening's own noise. Later it is a
// switch inside Mission Control, whose missing backdrops are waited out before a grace period.
TEST(Detector, SpaceSwitchInsideMissionControlEndsInAGracePeriod)
{
    enum class Then { EntryNoise, BackdropsReturn, BackdropsStayAway };
    for (Then then : { Then::EntryNoise, Then::BackdropsReturn, Then::BackdropsStayAway }) {
        SCOPED_TRACE(static_cast<int>(then));
        DetectorFixture f(oneDisplay());
        f.openMissionControl({ { 1001, kThumbnail } }, 2);
        f.tick(then == Then::EntryNoise ? 0.3 : 1.0);
        f.engine->handleSpaceChange();
        if (then == Then::EntryNoise) {
            EXPECT_FALSE(f.engine->detector().spaceChangeWhileMCActive);
            EXPECT_EQ(f.lastBlock(), "SPACE CHANGE IGNORED (Mission Control entry transition)");
            continue;
        }
        EXPECT_TRUE(f.engine->detector().spaceChangeWhileMCActive);
        EXPECT_EQ(f.lastBlock(), "SPACE CHANGE (STAYING IN MISSION CONTROL)");
        EXPECT_NEAR(f.engine->detector().transitionLockUntil.secondsSince(f.dateNow()), 0.5, 1e-9);
        EXPECT_TRUE(f.engine->detector().thumbnailHistory.empty());

        removeBackdrops(f); // the backdrops vanish during the switch
        // For 0.7 s after the switch the missing backdrops are taken for the switch itself.
        f.ticks(84);
        EXPECT_FALSE(f.engine->detector().isInGracePeriod);
        f.ticks(6);
        EXPECT_TRUE(f.engine->detector().isInGracePeriod);
        EXPECT_TRUE(f.engine->isMCActive.value());
        EXPECT_EQ(f.lastBlock(), "MISSION CONTROL EXIT (Grace Period Active)");

        if (then == Then::BackdropsReturn) {
            showMissionControl(f);
            f.ticks(2);
            EXPECT_EQ(f.lastBlock(), "GRACE PERIOD CANCELLED (MC Re-detected)");
            EXPECT_FALSE(f.engine->detector().isInGracePeriod);
            EXPECT_TRUE(f.engine->isMCActive.value());
        } else {
            f.ticks(30);
            EXPECT_EQ(f.lastBlock(), "GRACE PERIOD EXPIRED");
            EXPECT_FALSE(f.engine->isMCActive.value());
            EXPECT_EQ(f.engine->fade().iconOpacityDuration, 0.2);
        }
    }
}

TEST(Detector, PreExitCloseIsHeldUntilAVisitIsOneAndAHalfSecondsOld)
{
    DetectorFixture f(oneDisplay());
    f.openMissionControl({ { 1001, kThumbnail } }, 2);
    f.ticks(108); // 0.9 s after opening
    hideMissionControl(f);
    showMissionControl(f, { 500, 330, 800 * 0.9, 600 * 0.9 }, /*backdrops=*/0); // grown back, backdrops gone
    f.tick();
    EXPECT_EQ(f.lastBlock(), "PRE-EXIT DETECTED (Expansion Trend)");
    f.ticks(2);
    EXPECT_EQ(f.lastBlock(), "PRE-EXIT IGNORED (Re-activation Grace Period)");
    EXPECT_TRUE(f.engine->isMCActive.value());
    f.ticks(80);
    EXPECT_FALSE(f.engine->isMCActive.value());
    EXPECT_EQ(f.lastBlock(), "EXIT SIGNAL SENT (Via Pre-Detection)");
    EXPECT_EQ(f.engine->fade().iconOpacityDuration, 0.4) << "no new fade: the pre-exit fade runs on";
}

TEST(Detector, BaselineIsLearnedAfterStartupAndFollowsASteadyCount)
{
    DetectorFixture f(oneDisplay());
    f.ticks(10, 0.2); // two seconds: too early after launch
    EXPECT_EQ(f.engine->detector().baselineFullScreenCount, 0);
    f.ticks(6, 0.2);
    EXPECT_EQ(f.engine->detector().baselineFullScreenCount, 2) << "desktop picture and the Dock's window";

    // A count of 4 held for 0.35 s and two ticks becomes the baseline; the threshold follows.
    f.server->extraBackdrops = 2;
    f.ticks(3, 0.2);
    EXPECT_EQ(f.engine->detector().baselineFullScreenCount, 4);
    f.tick(0.2);
    EXPECT_EQ(f.engine->lastDetectorTick().threshold, 5);
    // One tick at 3 blends to 3.9, which rounds back to 4.
    f.server->extraBackdrops = 1;
    f.tick(0.2);
    EXPECT_EQ(f.engine->detector().baselineFullScreenCount, 4);

    // A visit over the new count opens with backdrops above it and closes when they go.
    showMissionControl(f, kThumbnail, /*backdrops=*/3);
    f.ticks(200);
    EXPECT_TRUE(f.engine->isMCActive.value());
    f.server->extraBackdrops = 2;
    f.ticks(3);
    EXPECT_FALSE(f.engine->isMCActive.value());
}

// Mission Control over a Space without windows: two more backdrops and nothing that shrinks. No
// hold, however long, makes them the resting count; a window that opens during the visit (first
// seen at thumbnail size) proves nothing either. A rise seen with a window that was on screen
// before it, at its full size, is the resting count changing, and is followed (the test above).
TEST(Detector, OnlyARiseSeenBesideAFullSizeWindowFromBeforeRaisesTheBaseline)
{
    DetectorFixture empty(DesktopBuilder().display(1, { 0, 0, 1440, 900 }).app(501, "Safari").front(501));
    empty.ticks(18, 0.2);
    ASSERT_EQ(empty.engine->detector().baselineFullScreenCount, 2);
    empty.server->extraBackdrops = 2;
    empty.ticks(50, 0.2);
    EXPECT_EQ(empty.engine->detector().baselineFullScreenCount, 2) << "ten seconds over an empty Space";
    vmac::VirtualWindow late;
    late.number = 1001;
    late.pid = 501;
    late.bounds = kThumbnail;
    empty.sim->mac().openWindow(late);
    empty.ticks(50, 0.2);
    EXPECT_EQ(empty.engine->detector().baselineFullScreenCount, 2) << "a window that opened inside the visit";
}

// Bounds that are not a number or are infinite leave an entry without bounds: it is neither a
// backdrop nor a thumbnail and gets no icon, while the rest of the visit goes on. Huge finite
// bounds are placed like any others; the debug records print them without undefined behaviour
// (the sanitizer build checks that).
TEST(Detector, NonFiniteBoundsAreSkippedAndHugeOnesAreRecorded)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    DetectorFixture f(oneDisplay().app(502, "Notes").window(1002, 502, { 200, 200, 600, 400 }).window(1003, 502, { 300, 300, 600, 400 }));
    // Every window at thumbnail size, so the screen's shrink opens the visit.
    f.openMissionControl({ { 1001, kThumbnail }, { 1002, { 100, 500, 300, 200 } },
                             { 1003, { 500, 500, 300, 200 } } },
        2);
    f.server->reportedBounds[1002] = { nan, 200, 300, 200 };
    f.server->reportedBounds[1003] = { 300, 300, 1e300, 1e300 };
    f.ticks(60);
    f.server->reportedBounds[1002] = { 200, 200, inf, 200 };
    f.ticks(60);
    EXPECT_TRUE(f.engine->isMCActive.value());
    std::vector<WindowNumber> icons;
    for (const auto& w : f.engine->activeWindows.value())
        icons.push_back(w.id);
    EXPECT_EQ(icons, (std::vector<WindowNumber> { 1001, 1003 }));
    for (const auto& w : f.engine->activeWindows.value())
        EXPECT_TRUE(std::isfinite(w.placementOpacity) && std::isfinite(w.scaleFactor)) << w.id;
}

// A window that leaves the list mid-visit takes its icon and every per-window memory with it;
// the icon records that stay are whole, whichever slot of the last publication they reuse.
TEST(Detector, AWindowThatLeavesTheListIsForgottenAndTheOthersKeepTheirRecords)
{
    DetectorFixture f(oneDisplay().app(502, "Notes").window(1002, 502, { 200, 200, 600, 400 }, "A title longer than any other").front(502));
    f.openMissionControl({ { 1001, kThumbnail }, { 1002, { 100, 500, 300, 200 } } }, 2, 60);
    const auto before = f.engine->activeWindows.value();
    ASSERT_EQ(before.size(), 2u);
    const WindowNumber leaving = before[0].id;
    const WindowInfo staying = before[1];

    f.sim->mac().closeWindow(leaving);
    f.ticks(2);
    const auto& after = f.engine->activeWindows.value();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].id, staying.id);
    EXPECT_EQ(after[0].owner, staying.owner);
    EXPECT_EQ(after[0].displayName, staying.displayName);
    EXPECT_EQ(after[0].title, staying.title);
    EXPECT_EQ(after[0].bundleIdentifier, staying.bundleIdentifier);
    EXPECT_EQ(after[0].icon, staying.icon);
    EXPECT_FALSE(f.engine->detector().initialAreas.contains(leaving));
    EXPECT_FALSE(f.engine->detector().initialAreasFirstSeen.contains(leaving));
    EXPECT_FALSE(f.engine->placement().smoothedPositions.contains(leaving));
    EXPECT_FALSE(f.engine->placement().windowHostScreenIDs.contains(leaving));
    EXPECT_TRUE(f.engine->detector().initialAreas.contains(staying.id));
}

TEST(Detector, WithFadingOffTheOpacityJumpsAndIconsGoInTheClosingTick)
{
    DetectorFixture f(oneDisplay().preference(PrefKey::fadeEnabled, false));
    f.openMissionControl({ { 1001, kThumbnail } }, 2);
    EXPECT_EQ(f.engine->iconOpacity.value(), 1.0);
    f.ticks(200);
    removeBackdrops(f);
    f.ticks(2);
    EXPECT_FALSE(f.engine->isMCActive.value());
    EXPECT_EQ(f.engine->iconOpacity.value(), 0.0);
    EXPECT_FALSE(f.engine->shouldShowIcons.value());
    EXPECT_TRUE(f.engine->activeWindows.value().empty());
}

TEST(Detector, NoScreensNeverOpensAndTicksComplete)
{
    DetectorFixture f(DesktopBuilder().app(501, "Safari").window(1001, 501, kWindow).front(501));
    f.tick();
    showMissionControl(f, kThumbnail, 6);
    f.ticks(5);
    EXPECT_FALSE(f.engine->isMCActive.value());
    EXPECT_EQ(f.engine->lastDetectorTick().threshold, 0);
    EXPECT_EQ(f.engine->sampling().lastTickOutcome, TickOutcome::Completed);
}

// The backdrops may arrive a few samples before the windows start to shrink. Those first ticks
// look quiet; a backdrop count remembered from an earlier opening must not count as held over
// them, or Mission Control's own backdrops become the baseline and the visit is missed. At the
// slow idle rate the last tick that was not quiet may come half a second before the opening.
TEST(Detector, BackdropsBeforeTheShrinkNeverBecomeTheBaseline)
{
    for (bool idleTicks : { false, true }) {
        SCOPED_TRACE(idleTicks);
        DetectorFixture f(oneDisplay());
        f.ticks(18, 0.2); // past start-up: baseline 2
        ASSERT_EQ(f.engine->detector().baselineFullScreenCount, 2);
        auto openWithEarlyBackdrops = [&] {
            showMissionControl(f, kWindow); // backdrops, windows still at full size
            f.ticks(8);
            showMissionControl(f);
            f.ticks(3);
        };
        openWithEarlyBackdrops();
        ASSERT_TRUE(f.engine->isMCActive.value());
        f.ticks(240);
        hideMissionControl(f);
        f.ticks(2);
        ASSERT_FALSE(f.engine->isMCActive.value());

        if (idleTicks) {
            f.ticks(4, 0.5); // 2 Hz, the last one still within two seconds of the close
            showMissionControl(f, kWindow);
            f.tick(0.5);
        } else {
            f.ticks(238); // reopen just as the close stops counting as recent
        }
        openWithEarlyBackdrops();
        EXPECT_TRUE(f.engine->isMCActive.value());
        EXPECT_EQ(f.engine->detector().baselineFullScreenCount, 2);
    }
}

// Backdrops count only when they cover at least 90 % of a screen in both directions, whatever
// their size beyond that; a window without an owner's name never counts or gets an icon (one
// without bounds is the non-finite bounds test's).
TEST(Detector, UnusualBackdropsAndDamagedWindowsDuringAVisit)
{
    DetectorFixture f(oneDisplay()
            .app(502, "Notes")
            .window(1002, 502, { 200, 200, 600, 400 }, "No owner").quirks({ vmac::EntryQuirk::NoOwnerName }));
    f.tick();
    showMissionControl(f);
    f.server->backdropBounds = { 0, 0, 1440 * 0.89, 900 };
    f.tick();
    EXPECT_EQ(f.engine->lastDetectorTick().fullScreens, 2) << "89 % of the width is not a backdrop";
    f.server->backdropBounds = { -20, -20, 1440 * 3, 900 * 0.9 };
    f.tick();
    EXPECT_EQ(f.engine->lastDetectorTick().fullScreens, 4) << "oversized, or exactly 90 % high, still counts";
    f.tick();
    ASSERT_TRUE(f.engine->isMCActive.value());
    f.ticks(40);
    const auto& icons = f.engine->activeWindows.value();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].id, 1001u);
}

// A thumbnail that leaves while the others stay small is a weighted trend, not an expansion.
TEST(Detector, PreExitOnAWeightedTrendWhenThumbnailsDisappear)
{
    DetectorFixture f(oneDisplay().app(502, "Notes").window(1002, 502, { 600, 200, 800, 600 }, "List"));
    f.openMissionControl({ { 1001, kThumbnail }, { 1002, { 900, 330, 400, 300 } } }, 2);
    f.ticks(100);
    ASSERT_EQ(f.engine->lastDetectorTick().thumbnails, 2);
    f.sim->mac().closeWindow(1002);
    f.tick();
    EXPECT_EQ(f.lastBlock(), "PRE-EXIT DETECTED (Weighted Trend Change)");
}

TEST(Detector, AVisitOnADisplayWithoutNumberPlacesIconsOnScreenZero)
{
    DetectorFixture f(DesktopBuilder().display(std::nullopt, { 0, 0, 1440, 900 }).app(501, "Safari").window(1001, 501, kWindow).front(501));
    f.openMissionControl({ { 1001, kThumbnail } }, 2);
    f.ticks(40);
    ASSERT_EQ(f.engine->activeWindows.value().size(), 1u);
    EXPECT_EQ(f.engine->activeWindows.value()[0].hostScreenID, 0u);
    EXPECT_EQ(f.engine->activeWindows.value()[0].placementOpacity, 1.0);
}
