#include "engine/closed_window_registry.h"
#include "engine/placement_state.h"
#include "settings/preference_keys.h"
#include "support/detector_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace talvora;
using test_support::DesktopBuilder;
using test_support::DetectorFixture;
using test_support::twoDisplayThumbnails;
using test_support::twoDisplays;

// How far an icon moves towards its thumbnail in one tick, whatever the tick rate.
TEST(PlacementRules, SmoothingStep)
{
    const double frame = 1.0 / 120;
    EXPECT_NEAR(placement::smoothingFactor(5, frame), 0.12, 0.005);
    EXPECT_NEAR(placement::smoothingFactor(40, frame), 0.44, 0.005);
    EXPECT_EQ(placement::smoothingFactor(5, 0.2), placement::smoothingFactor(5, 0.1)) << "a slow tick counts as 0.1 s";
    EXPECT_GT(placement::smoothingFactor(5, 0), 0) << "the step is never below a millisecond";
}

TEST(PlacementRules, IconScaleAndSize)
{
    EXPECT_NEAR(placement::iconScale(1.0, 0.7, 35), 0.7 * 35 / 51, 1e-12) << "a 35-point thumbnail caps the icon";
    EXPECT_NEAR(placement::iconScale(1.0, 0.3, 200), 0.3 + 0.7 * 0.5, 1e-12) << "small until visible enough";
    EXPECT_EQ(placement::iconScale(1.0, 0.7, 5), 0.2) << "never below 0.2";

    EXPECT_EQ(placement::sizeTerm(0, 100, 400), 1.0);
    EXPECT_NEAR(placement::sizeTerm(1, 100, 400), 0.5, 1e-12);
    EXPECT_NEAR(placement::sizeTerm(1, 1, 400), 0.4, 1e-12);
}

namespace {

// A window that opens during a visit.
void openLateWindow(DetectorFixture& f, WindowNumber number, Rect bounds)
{
    vmac::VirtualWindow w;
    w.number = number;
    w.pid = 503;
    w.title = "Inbox";
    w.bounds = bounds;
    f.sim->mac().openWindow(w);
}

} // namespace

TEST(Placement, EachWindowIsPlacedOnItsScreenAndGlidesTowardsItsThumbnail)
{
    DetectorFixture f(twoDisplays());
    f.openMissionControl(twoDisplayThumbnails(), 4, 42); // entry animation done, anchors settled
    ASSERT_EQ(f.engine->activeWindows.value().size(), 2u);
    const WindowInfo* safari = f.icon(1001);
    const WindowInfo* notes = f.icon(1002);
    ASSERT_TRUE(safari && notes);
    EXPECT_EQ(safari->hostScreenID, 1u);
    EXPECT_EQ(notes->hostScreenID, 2u);
    EXPECT_EQ(notes->localBounds, (Rect { 560, 400, 600, 400 })) << "relative to its own screen";
    EXPECT_EQ(safari->title, "Start");
    EXPECT_EQ(safari->displayName, "Safari");
    EXPECT_EQ(safari->bundleIdentifier, "com.example.Safari");
    ASSERT_TRUE(safari->icon);
    EXPECT_NEAR(safari->placementOpacity, 1.0, 1e-12) << "shrink 0.5: visibility 0.7, opacity 1";
    EXPECT_NEAR(safari->currentPosition.x, 400, 0.3);
    EXPECT_NEAR(safari->currentPosition.y, 375, 0.3);
    // With full size influence, the smaller window's icon shrinks with the square root of its
    // share of the largest area on its screen: alone on its screen, it keeps full size.
    EXPECT_NEAR(safari->scaleFactor, 1.0, 1e-12);

    f.server->reportedBounds[1001] = { 305, 300, 200, 150 }; // 5 points to the right
    f.tick();
    safari = f.icon(1001);
    ASSERT_TRUE(safari);
    EXPECT_NEAR(safari->currentPosition.x - 400, 5 * 0.12, 0.03) << "about an eighth of the way in one tick at 120 Hz";

    // The thumbnail of a window that was on screen 1 shows up on screen 2: the anchor jumps, and
    // the placement holds the state for half a second and hides the icon meanwhile.
    f.server->reportedBounds[1001] = { 1500, 300, 200, 150 };
    f.tick();
    safari = f.icon(1001);
    EXPECT_EQ(safari->hostScreenID, 2u);
    EXPECT_EQ(safari->currentPosition, (Point { 160, 475 }));
    EXPECT_NEAR(f.engine->detector().transitionLockUntil.secondsSince(f.dateNow()), 0.5, 1e-9);
    f.tick();
    safari = f.icon(1001);
    ASSERT_TRUE(safari);
    EXPECT_EQ(safari->placementOpacity, 0.0);

    // A window back at its full size stays listed, invisible.
    f.server->reportedBounds.erase(1002);
    f.ticks(70);
    notes = f.icon(1002);
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->placementOpacity, 0.0);
}

TEST(Placement, ClosedWindowsGetNoIconAndClosingShrinksTheRest)
{
    DetectorFixture f(twoDisplays());
    f.openMissionControl(twoDisplayThumbnails(), 4, 202);
    ClosedWindowRegistry::shared().record(1002, f.dateNow());
    f.tick();
    EXPECT_FALSE(f.icon(1002));
    ClosedWindowRegistry::shared().removeAll();

    f.server->extraBackdrops = 0;
    f.ticks(2);
    ASSERT_FALSE(f.engine->isMCActive.value());
    f.tick(0.05);
    const WindowInfo* safari = f.icon(1001);
    ASSERT_TRUE(safari);
    const double sinceExit = f.dateNow().secondsSince(*f.engine->detector().mcExitTime);
    EXPECT_NEAR(safari->scaleFactor, 1 - 2 * sinceExit, 1e-9) << "icons shrink to nothing within 0.5 s of the close";
}

// A window that opens during a visit has no anchor at first sight and counts as moving. On a
// screen with thumbnails it shows once it has shrunk into one and sits still; on a screen where
// no thumbnail stands (nothing there shrinks) it shows as soon as it sits still, at its place.
TEST(Placement, ALateWindowShowsOnceItSitsStillAndShrinksWhereOthersHave)
{
    DetectorFixture f(twoDisplays().app(503, "Mail"));
    // Notes on display 2 stays at its full size.
    f.openMissionControl({ { 1001, { 300, 300, 200, 150 } } }, 4, 40);
    openLateWindow(f, 1003, { 600, 400, 600, 400 });
    openLateWindow(f, 1004, { 1600, 200, 600, 400 });
    f.tick();
    // First sight: no anchor yet.
    EXPECT_EQ(f.icon(1003)->placementOpacity, 0.0);
    EXPECT_EQ(f.icon(1004)->placementOpacity, 0.0);
    f.ticks(3);
    const WindowInfo* beside = f.icon(1003);
    const WindowInfo* alone = f.icon(1004);
    ASSERT_TRUE(beside && alone);
    EXPECT_EQ(beside->placementOpacity, 0.0) << "not shrunk: no thumbnail yet";
    EXPECT_EQ(alone->hostScreenID, 2u);
    EXPECT_EQ(alone->placementOpacity, 1.0);
    EXPECT_EQ(alone->currentPosition, (Point { 460, 500 }));

    f.server->reportedBounds[1003] = { 750, 500, 300, 200 };
    f.ticks(2);
    beside = f.icon(1003);
    ASSERT_TRUE(beside);
    EXPECT_EQ(beside->placementOpacity, 1.0) << "visibility 0.7 once it sits still";
    EXPECT_EQ(beside->currentPosition, (Point { 900, 600 })) << "thumbnail and window share their centre";
}

// Displays of different sizes, the second one lower than the first. A thumbnail that straddles
// them belongs to the display holding the larger part of its area, wherever its centre or its
// origin lies.
TEST(Placement, AStraddlingThumbnailIsHostedWhereMostOfItsAreaLies)
{
    DetectorFixture f(DesktopBuilder()
            .display(1, { 0, 0, 1440, 900 })
            .display(2, { 1440, 300, 1920, 1080 })
            .app(501, "Safari")
            .app(502, "Notes")
            .window(1001, 501, { 100, 100, 800, 600 }, "Start")
            .window(1002, 502, { 1600, 400, 1200, 800 }, "List")
            .front(501));
    // Safari's: 140 × 400 on the first display, 260 × 200 on the second, where its centre is.
    // Notes': 40 × 300 on the first display, where its origin is; 360 × 300 on the second.
    f.openMissionControl({ { 1001, { 1300, 100, 400, 400 } }, { 1002, { 1400, 400, 400, 300 } } },
        4, 40);
    const WindowInfo* safari = f.icon(1001);
    const WindowInfo* notes = f.icon(1002);
    ASSERT_TRUE(safari && notes);
    EXPECT_EQ(safari->hostScreenID, 1u);
    EXPECT_EQ(safari->localBounds, (Rect { 1300, 100, 400, 400 }));
    EXPECT_EQ(notes->hostScreenID, 2u);
    EXPECT_EQ(notes->localBounds, (Rect { -40, 100, 400, 300 }));
    EXPECT_NEAR(notes->currentPosition.x, 160, 0.3);
    EXPECT_NEAR(notes->currentPosition.y, 250, 0.3);
}
