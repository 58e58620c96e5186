#include "vmac/virtual_mac_fixture.h"

#include <gtest/gtest.h>

using namespace talvora;
using test_support::DesktopBuilder;
using test_support::VirtualMacFixture;
using vmac::MissionControlPhase;

namespace {

// Every edge of `r` strictly between the same edges of `a` and `b` where those differ.
bool strictlyBetween(const Rect& r, const Rect& a, const Rect& b)
{
    auto between = [](double v, double x, double y) { return x == y ? v == x : (v > std::min(x, y) && v < std::max(x, y)); };
    return between(r.x, a.x, b.x) && between(r.y, a.y, b.y) && between(r.width, a.width, b.width) && between(r.height, a.height, b.height);
}

constexpr Rect kStart { 100, 100, 800, 600 };
constexpr Rect kList { 300, 200, 700, 500 };

DesktopBuilder oneDisplay()
{
    return DesktopBuilder()
        .display(1, { 0, 0, 1440, 900 })
        .app(501, "Safari")
        .app(502, "Notes")
        .window(1001, 501, kStart, "Start")
        .window(1002, 502, kList, "List")
        .front(501);
}

DesktopBuilder twoDisplays() { return oneDisplay().display(2, { 1440, -100, 1920, 1080 }).window(1003, 502, { 1600, 100, 900, 700 }); }

// Display 1 has two Spaces: Safari on the first, Mail on the second; Notes is on display 2.
DesktopBuilder twoSpaces()
{
    return DesktopBuilder()
        .display(1, { 0, 0, 1440, 900 })
        .spaces(2)
        .display(2, { 1440, 0, 1280, 800 })
        .app(501, "Safari")
        .app(502, "Notes")
        .app(503, "Mail")
        .window(1001, 501, { 100, 100, 800, 600 })
        .window(1002, 502, { 1600, 200, 700, 500 })
        .window(1003, 503, { 200, 150, 900, 600 })
        .onSpace(1)
        .front(501);
}

int posts(VirtualMacFixture& f) { return f.workspace.postCount(kActiveSpaceDidChangeNotification); }

} // namespace

TEST(MissionControl, OneDisplayVisitInVirtualTime)
{
    VirtualMacFixture f(oneDisplay());
    const auto timings = f.mac.desktop().missionControlTimings;
    EXPECT_EQ(f.displaySizedSystemWindows(), 2) << "desktop picture and the Dock's own window";

    ASSERT_TRUE(f.mac.openMissionControl());
    EXPECT_FALSE(f.mac.openMissionControl()) << "already opening";
    const double openedAt = f.now();
    EXPECT_EQ(f.mac.missionControlPhase(), MissionControlPhase::Opening);
    EXPECT_FALSE(f.mac.isMissionControlShown()) << "nothing has moved yet";
    EXPECT_EQ(f.bounds(1001), kStart);
    const Rect thumbnail = *f.mac.thumbnailFrame(1001);

    // Each 120 Hz sample is a little smaller than the one before, with no jump at the start;
    // the backdrops follow after their delay.
    double previousWidth = kStart.width;
    int samples = 0;
    while ((samples + 1) / 120.0 < timings.openDuration - 1e-9) {
        f.clock.advanceTo(openedAt + ++samples / 120.0);
        const Rect r = f.bounds(1001);
        EXPECT_TRUE(strictlyBetween(r, kStart, thumbnail)) << "sample " << samples;
        EXPECT_LT(r.width, previousWidth);
        if (samples == 1) {
            EXPECT_LT(kStart.width - r.width, 0.1 * (kStart.width - thumbnail.width));
        }
        previousWidth = r.width;
        EXPECT_TRUE(f.mac.isMissionControlShown());
        EXPECT_EQ(f.displaySizedSystemWindows(), f.now() < openedAt + timings.markerDelay ? 2 : 4) << f.now() - openedAt;
    }
    EXPECT_GT(samples, 20);
    f.advance(timings.openDuration);
    EXPECT_EQ(f.mac.missionControlPhase(), MissionControlPhase::Open);
    EXPECT_EQ(f.bounds(1001), thumbnail);
    auto markers = f.onScreenAtLayer(18);
    ASSERT_EQ(markers.size(), 1u);
    EXPECT_EQ(entryOwnerPID(markers[0]), vmac::SystemPID::dock);
    EXPECT_EQ(entryTitle(markers[0]), "") << "unnamed";
    EXPECT_EQ(entryBounds(markers[0]), (Rect { 0, 0, 1440, 900 }));
    EXPECT_EQ(f.onScreenAtLayer(20).size(), 2u);

    // Closing removes the backdrops as it starts; the bounds grow back over the close.
    ASSERT_TRUE(f.mac.closeMissionControl());
    EXPECT_EQ(f.mac.lastMissionControlCloseStart(), f.now());
    EXPECT_EQ(f.displaySizedSystemWindows(), 2);
    EXPECT_EQ(f.bounds(1001), thumbnail);
    f.advance(timings.closeDuration / 2);
    EXPECT_EQ(f.mac.missionControlPhase(), MissionControlPhase::Closing);
    EXPECT_TRUE(f.mac.isMissionControlShown());
    EXPECT_TRUE(strictlyBetween(f.bounds(1001), thumbnail, kStart));
    f.advance(timings.closeDuration / 2);
    EXPECT_EQ(f.mac.missionControlPhase(), MissionControlPhase::Closed);
    EXPECT_FALSE(f.mac.isMissionControlShown());
    EXPECT_EQ(f.bounds(1001), kStart);
    EXPECT_EQ(f.bounds(1002), kList);
    EXPECT_FALSE(f.mac.closeMissionControl());

    f.mac.openMissionControl();
    f.advance(timings.openDuration);
    ASSERT_EQ(f.onScreenAtLayer(18).size(), 1u);
    EXPECT_NE(entryWindowNumber(f.onScreenAtLayer(18)[0]), entryWindowNumber(markers[0])) << "fresh numbers on every visit";
}

TEST(MissionControl, ClickingAThumbnailOrTheKeyLeaves)
{
    VirtualMacFixture f(oneDisplay());
    const auto timings = f.mac.desktop().missionControlTimings;
    EXPECT_FALSE(f.mac.clickThumbnail(1002)) << "no thumbnails while closed";

    // The key toggles, and reverses an animation where it stands.
    f.mac.pressMissionControlKey();
    f.advance(timings.openDuration / 2);
    const Rect midway = f.bounds(1001);
    f.mac.pressMissionControlKey();
    EXPECT_EQ(f.mac.missionControlPhase(), MissionControlPhase::Closing);
    EXPECT_EQ(f.bounds(1001), midway);
    f.advance(timings.closeDuration / 4);
    EXPECT_GT(f.bounds(1001).width, midway.width);
    f.mac.pressMissionControlKey();
    EXPECT_EQ(f.mac.missionControlPhase(), MissionControlPhase::Opening);
    f.advance(1);
    f.mac.pressMissionControlKey();
    f.advance(1);
    EXPECT_EQ(f.mac.missionControlPhase(), MissionControlPhase::Closed);
    EXPECT_EQ(f.frontPID(), 501) << "the front window stays in front";
    EXPECT_EQ(f.bounds(1001), kStart);

    f.mac.openMissionControl();
    f.advance(1);
    EXPECT_FALSE(f.mac.clickThumbnail(4242));
    ASSERT_TRUE(f.mac.clickThumbnail(1002));
    EXPECT_EQ(f.mac.missionControlPhase(), MissionControlPhase::Closing);
    EXPECT_EQ(f.frontPID(), 502);
    f.advance(1);
    EXPECT_EQ(entryWindowNumber(f.onScreenAtLayer(0).at(0)), 1002u);
    EXPECT_EQ(f.bounds(1002), kList);
}

TEST(MissionControl, AWindowOpenedOrClosedDuringTheVisitReflowsTheLayout)
{
    VirtualMacFixture f(oneDisplay());
    const auto timings = f.mac.desktop().missionControlTimings;
    f.mac.openMissionControl();
    f.advance(1);
    const Rect before = *f.mac.thumbnailFrame(1001);

    vmac::VirtualWindow window;
    window.number = 1004;
    window.pid = 501;
    window.bounds = { 200, 150, 900, 650 };
    ASSERT_TRUE(f.mac.openWindow(window));
    ASSERT_TRUE(f.mac.thumbnailFrame(1004));
    EXPECT_TRUE(f.onScreen(1004));
    EXPECT_EQ(f.bounds(1004), *f.mac.thumbnailFrame(1004)) << "comes in as a thumbnail";
    const Rect after = *f.mac.thumbnailFrame(1001);
    ASSERT_NE(after, before);
    EXPECT_EQ(f.bounds(1001), before) << "others start from where they are";
    f.advance(timings.relayoutDuration / 2);
    EXPECT_TRUE(strictlyBetween(f.bounds(1001), before, after));
    f.advance(timings.relayoutDuration / 2);
    EXPECT_EQ(f.bounds(1001), after);

    ASSERT_TRUE(f.mac.closeWindow(1004));
    EXPECT_FALSE(f.entry(1004));
    f.advance(timings.relayoutDuration);
    EXPECT_EQ(f.bounds(1001), before) << "the layout flows back";
}

// Each display gets its backdrops and keeps its windows; one that goes during the visit leaves
// its windows to the primary's overview, and one that comes brings its own backdrops.
TEST(MissionControl, TwoDisplaysAndDisplaysComingAndGoingDuringTheVisit)
{
    VirtualMacFixture f(twoDisplays());
    EXPECT_EQ(f.displaySizedSystemWindows(), 3);
    f.mac.openMissionControl();
    f.advance(1);
    EXPECT_EQ(f.displaySizedSystemWindows(), 7);
    EXPECT_EQ(f.onScreenAtLayer(18).size(), 2u);
    EXPECT_GT(intersectionArea(f.bounds(1003), { 1440, -100, 1920, 1080 }), 0);
    EXPECT_EQ(intersectionArea(f.bounds(1003), { 0, 0, 1440, 900 }), 0);

    ASSERT_TRUE(f.mac.removeDisplay(2));
    EXPECT_EQ(f.displaySizedSystemWindows(), 4);
    auto thumbnail = f.mac.thumbnailFrame(1003);
    ASSERT_TRUE(thumbnail) << "the stranded window joins the primary's overview";
    EXPECT_DOUBLE_EQ(intersectionArea(*thumbnail, { 0, 0, 1440, 900 }), thumbnail->area());
    f.advance(1);
    EXPECT_EQ(f.bounds(1003), *thumbnail);

    f.mac.addDisplay({ 7, { 1440, 0, 1280, 800 }, 24 });
    EXPECT_EQ(f.displaySizedSystemWindows(), 7) << "its desktop picture and its backdrops";
}

TEST(MissionControl, TheWindowManagerStyleLeavesNoDockMarker)
{
    auto scenario = twoDisplays().build();
    scenario.desktop.overviewStyle = vmac::OverviewStyle::WindowManager;
    VirtualMacFixture f(scenario);
    f.mac.openMissionControl();
    f.advance(1);
    EXPECT_TRUE(f.onScreenAtLayer(18).empty());
    auto overview = f.onScreenAtLayer(19);
    ASSERT_EQ(overview.size(), 2u);
    for (const auto& e : overview)
        EXPECT_EQ(entryOwnerName(e), "WindowManager");
    EXPECT_EQ(f.displaySizedSystemWindows(), 3) << "no more Dock backdrops than when closed";
    EXPECT_EQ(f.bounds(1001), *f.mac.thumbnailFrame(1001));
}

TEST(Spaces, SwitchingOutsideMissionControlShowsTheOtherSpaceAndPostsTheChange)
{
    VirtualMacFixture f(twoSpaces());
    ASSERT_TRUE(f.entry(1003));
    EXPECT_TRUE(f.entry(1003)->isOnscreen.isAbsent()) << "listed, without the on-screen key";

    ASSERT_TRUE(f.mac.switchSpace(1, 1));
    EXPECT_EQ(posts(f), 1);
    EXPECT_TRUE(f.onScreen(1003));
    EXPECT_FALSE(f.onScreen(1001));
    EXPECT_TRUE(f.onScreen(1002)) << "the other display keeps its Space";
    EXPECT_EQ(f.frontPID(), 503) << "focus follows the Space shown";

    EXPECT_FALSE(f.mac.switchSpace(1, 1)) << "already there";
    EXPECT_FALSE(f.mac.switchSpace(1, 2)) << "no such Space";
    EXPECT_FALSE(f.mac.switchSpace(std::nullopt, 0)) << "no display without a number";
    EXPECT_EQ(posts(f), 1);
    ASSERT_TRUE(f.mac.addSpace(2));
    ASSERT_TRUE(f.mac.switchSpace(2, 1));
    EXPECT_FALSE(f.onScreen(1002));
}

TEST(Spaces, SwitchingInsideMissionControlBlinksTheBackdropsAndBringsInTheNewSpace)
{
    VirtualMacFixture f(twoSpaces());
    f.mac.openMissionControl();
    f.advance(1);
    EXPECT_EQ(f.onScreenAtLayer(18).size(), 2u);

    ASSERT_TRUE(f.mac.switchSpace(1, 1));
    EXPECT_EQ(posts(f), 1);
    EXPECT_EQ(f.mac.missionControlPhase(), vmac::MissionControlPhase::Open) << "the overview stays";
    EXPECT_TRUE(f.onScreenAtLayer(18).empty()) << "backdrops gone during the switch";
    auto thumbnail = f.mac.thumbnailFrame(1003);
    ASSERT_TRUE(thumbnail);
    EXPECT_TRUE(f.onScreen(1003));
    EXPECT_EQ(f.bounds(1003), *thumbnail) << "comes in as a thumbnail";
    EXPECT_FALSE(f.onScreen(1001));
    EXPECT_TRUE(f.mac.thumbnailFrame(1002)) << "the other display is untouched";
    f.advance(f.mac.desktop().missionControlTimings.spaceSwitchBackdropGap);
    EXPECT_EQ(f.onScreenAtLayer(18).size(), 2u);

    EXPECT_EQ(f.frontPID(), 501) << "focus moves only when the overview is left";
    f.mac.closeMissionControl();
    EXPECT_EQ(f.frontPID(), 503);
    f.advance(1);
    EXPECT_EQ(f.bounds(1003), (Rect { 200, 150, 900, 600 }));
}
