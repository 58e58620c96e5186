#include "host/scorecard.h"
#include "support/click_desk.h"

#include <gtest/gtest.h>

using namespace talvora;
using test_support::ClickDesk;
using test_support::DesktopBuilder;

namespace {

DesktopBuilder oneDisplay()
{
    return DesktopBuilder()
        .display(1, { 0, 0, 1440, 900 })
        .app(501, "Safari")
        .app(502, "Notes")
        .window(1001, 501, { 100, 80, 900, 650 }, "Start")
        .window(1002, 502, { 500, 300, 700, 500 }, "List")
        .front(501);
}

} // namespace

TEST(MissionControlVisit, OneDisplayFromOpeningToIconsGone)
{
    ClickDesk v(oneDisplay());
    v.mac().activateApp(502);
    v.sim->runFor(0.5);
    ASSERT_EQ(v.engine().previousActiveWindowID.value(), 1001u);
    ASSERT_EQ(v.engine().detector().baselineFullScreenCount, 2);

    v.mac().openMissionControl();
    const double detectAfter = v.secondsUntil([&] { return v.engine().isMCActive.value(); });
    EXPECT_LT(detectAfter, 0.6) << "detected before the opening animation has long ended";
    v.runUntil([&] { return v.engine().iconOpacity.value() == 1.0; });
    v.sim->runFor(0.3);

    const auto& icons = v.engine().activeWindows.value();
    ASSERT_EQ(icons.size(), 2u);
    for (const auto& icon : icons) {
        auto thumbnail = v.mac().thumbnailFrame(icon.id);
        ASSERT_TRUE(thumbnail);
        EXPECT_EQ(icon.bounds, *thumbnail) << "settled on the thumbnail";
        EXPECT_NEAR(icon.currentPosition.x, thumbnail->x + thumbnail->width / 2, 0.5);
        EXPECT_NEAR(icon.currentPosition.y, thumbnail->y + thumbnail->height / 2, 0.5);
        EXPECT_EQ(icon.placementOpacity, 1.0);
        EXPECT_EQ(icon.hostScreenID, 1u);
    }
    EXPECT_EQ(v.engine().previousActiveWindowID.value(), 1001u) << "opening does not change the previous window";

    v.mac().pressMissionControlKey();
    const double goneAfter = v.secondsUntil([&] { return !v.engine().shouldShowIcons.value(); });
    EXPECT_LT(goneAfter, 0.25);
    EXPECT_TRUE(v.engine().activeWindows.value().empty());
    v.sim->runFor(1.0);
    EXPECT_EQ(v.engine().tickMode.value(), TickModeSpec(TimerMode { 0.2, 0.04 })) << "back to the idle rate";
}

TEST(MissionControlVisit, SpaceSwitchInsideKeepsTheIconsAndOutsideSuppressesThem)
{
    ClickDesk v(oneDisplay());
    v.mac().addSpace(1);
    v.mac().openMissionControl();
    v.runUntil([&] { return v.engine().isMCActive.value(); });
    v.sim->runFor(1.0);
    v.mac().switchSpace(1, 1);
    v.sim->runFor(0.1);
    EXPECT_TRUE(v.engine().detector().spaceChangeWhileMCActive);
    // The backdrops come back after the slide: Mission Control is re-detected, never closed.
    bool closed = false;
    for (int i = 0; i < 240; ++i) {
        v.sim->runFor(1.0 / 120);
        closed = closed || !v.engine().isMCActive.value();
    }
    EXPECT_FALSE(closed);
    v.mac().pressMissionControlKey();
    v.runUntil([&] { return !v.engine().shouldShowIcons.value(); });
    v.sim->runFor(2.5);

    // A switch outside Mission Control: nothing may show for a second, whatever the list says.
    v.mac().switchSpace(1, 0);
    v.sim->runFor(0.05);
    EXPECT_EQ(v.engine().sampling().lastTickOutcome, TickOutcome::Suppressed);
    EXPECT_EQ(v.engine().tickMode.value(), TickModeSpec(DisplayLinkMode { 120 })) << "full speed";
    v.mac().openMissionControl();
    v.sim->runFor(0.9);
    EXPECT_FALSE(v.engine().shouldShowIcons.value());
    const double seenAfter = v.secondsUntil([&] { return v.engine().isMCActive.value(); });
    EXPECT_LT(seenAfter, 0.3) << "once the second is over the visit is seen";
}

// Mission Control over a Space without windows shows nothing to detect it by, so it looks like
// a quiet desktop with two more backdrops. Those backdrops must never be learned as the resting
// count: the switch to a Space with windows inside the same visit, and the next visit, are seen.
TEST(MissionControlVisit, AVisitOverAnEmptySpaceNeverRaisesTheBaseline)
{
    ClickDesk v(DesktopBuilder()
            .display(1, { 0, 0, 1440, 900 })
            .spaces(2)
            .app(501, "Safari")
            .window(1001, 501, { 100, 80, 900, 650 }, "Start")
            .onSpace(1)
            .front(501));
    ASSERT_EQ(v.engine().detector().baselineFullScreenCount, 2);

    v.mac().openMissionControl();
    v.sim->runFor(5);
    EXPECT_FALSE(v.engine().isMCActive.value()) << "no thumbnail: nothing to show";
    EXPECT_EQ(v.engine().detector().baselineFullScreenCount, 2);
    v.mac().switchSpace(1, 1);
    const double detectAfter = v.secondsUntil([&] { return v.engine().isMCActive.value(); });
    EXPECT_LT(detectAfter, 0.8) << "seen in the same visit, once the switch has been waited out";
    v.mac().pressMissionControlKey();
    v.runUntil([&] { return !v.engine().shouldShowIcons.value(); });
    v.sim->runFor(2.5);

    // Back on the empty Space, a long visit; then the next visit over the window.
    v.mac().switchSpace(1, 0);
    v.sim->runFor(2.5);
    v.mac().openMissionControl();
    v.sim->runFor(8);
    v.mac().pressMissionControlKey();
    v.sim->runFor(1);
    EXPECT_EQ(v.engine().detector().baselineFullScreenCount, 2);
    v.mac().switchSpace(1, 1);
    v.sim->runFor(2.5);
    v.mac().openMissionControl();
    v.runUntil([&] { return v.engine().isMCActive.value(); });
    EXPECT_TRUE(v.engine().isMCActive.value());
}

// App Exposé adds one backdrop per display. On one display that reaches the threshold: when the
// front application's thumbnails make the screen's shrink, the engine takes it for Mission
// Control and shows their icons; another application's window at its full size keeps the
// shrink too low. On two displays the backdrops stay below the threshold.
TEST(MissionControlVisit, AppExposeOpensOnlyOnOneDisplayWhereItsThumbnailsDominate)
{
    ClickDesk one(DesktopBuilder()
                  .display(1, { 0, 0, 1440, 900 })
                  .app(501, "Safari")
                  .window(1001, 501, { 100, 80, 900, 650 }, "Start")
                  .window(1004, 501, { 400, 200, 800, 600 }, "News")
                  .front(501));
    one.mac().openAppExpose();
    one.runUntil([&] { return one.engine().iconOpacity.value() >= 0.999; });
    ASSERT_TRUE(one.engine().isMCActive.value());
    EXPECT_EQ(one.engine().activeWindows.value().size(), 2u);
    one.mac().closeMissionControl();
    one.runUntil([&] { return !one.engine().shouldShowIcons.value(); });
    EXPECT_FALSE(one.engine().shouldShowIcons.value());

    ClickDesk beside(oneDisplay());
    beside.mac().openAppExpose();
    beside.sim->runFor(2);
    EXPECT_FALSE(beside.engine().isMCActive.value());
    EXPECT_EQ(beside.engine().lastDetectorTick().fullScreens, 3);

    ClickDesk two(oneDisplay().display(2, { 1440, 0, 1920, 1080 }).window(1003, 501, { 1600, 100, 900, 700 }));
    two.mac().openAppExpose();
    two.sim->runFor(2);
    EXPECT_FALSE(two.engine().isMCActive.value());
    EXPECT_EQ(two.engine().lastDetectorTick().fullScreens, 5);
    EXPECT_EQ(two.engine().lastDetectorTick().threshold, 6);
}

// The scorecard with a fixed seed: the standard behaviours must never open falsely or miss a
// visit in which Mission Control stood open.
TEST(DetectorScorecard, NoFalseOpeningAndNoMissedVisit)
{
    host::ScorecardOptions options;
    options.seed = 20261206;
    options.sessions = 24;
    options.sessionSeconds = 30;
    auto result = host::runScorecard(options);
    EXPECT_EQ(result.sessions, 24);
    EXPECT_GT(result.visits, 50);
    EXPECT_EQ(result.falseOpenings, 0) << host::formatScorecardLine(result);
    EXPECT_EQ(result.missedVisits, 0) << host::formatScorecardLine(result);
    EXPECT_EQ(result.iconsLeftAfterClose, 0) << host::formatScorecardLine(result);
}
