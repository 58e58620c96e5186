#include "vmac/virtual_mac_fixture.h"

#include <gtest/gtest.h>

using namespace talvora;
using test_support::DesktopBuilder;
using test_support::VirtualMacFixture;

namespace {

// Display 1 has two Spaces: Safari on the first, Mail on the second; Notes is on display 2.
vmac::Scenario twoSpaces()
{
    auto s = DesktopBuilder()
                 .display(1, { 0, 0, 1440, 900 })
                 .display(2, { 1440, 0, 1280, 800 })
                 .app(501, "Safari")
                 .app(502, "Notes")
                 .app(503, "Mail")
                 .window(1001, 501, { 100, 100, 800, 600 })
                 .window(1002, 502, { 1600, 200, 700, 500 })
                 .window(1003, 503, { 200, 150, 900, 600 })
                 .front(501)
                 .build();
    s.desktop.displays[0].spaceCount = 2;
    s.desktop.windows[2].space = 1;
    return s;
}

int posts(VirtualMacFixture& f) { return f.workspace.postCount(kActiveSpaceDidChangeNotification); }

} // namespace

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
