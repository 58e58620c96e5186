// Close and minimize from the overlay, end to end on the virtual Mac: a click on an icon's
// button reaches the local mouse monitor of the overlay window under it, and the window's own
// button is pressed through Accessibility.

#include "input/window_actions.h"
#include "support/click_desk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace talvora;
using test_support::ClickDesk;
using test_support::twoDisplayDesk;
using testing::ElementsAre;
using vmac::AXQuirk;
using vmac::IconButton;

TEST(CloseFromOverlay, ClosesTheWindowAndItsIconLeavesTheNextPublishedList)
{
    ClickDesk desk(twoDisplayDesk());
    desk.openMissionControl();
    ASSERT_TRUE(desk.hasIcon(1002));
    // Without the event tap (removed during the visit, it comes back only after it), the
    // click reaches the overlay, whose local monitor takes it.
    desk.sim->inputController().eventTapSupervisor().removeTap();

    std::vector<std::vector<WindowInfo>> published;
    auto subscription = desk.engine().activeWindows.subscribe([&](const auto& windows) { published.push_back(windows); });
    desk.clickButton(1002, IconButton::Close);

    EXPECT_FALSE(desk.isListed(1002)) << "the application closed its window";
    EXPECT_EQ(desk.sim->accessibility().trustPrompts(), 0);
    desk.sim->runFor(1.0 / 120);
    ASSERT_FALSE(published.empty());
    for (const WindowInfo& w : published.back())
        EXPECT_NE(w.id, 1002u);
    EXPECT_TRUE(desk.hasIcon(1001));
    EXPECT_TRUE(desk.hasIcon(1003));
    EXPECT_EQ(desk.mac().missionControlPhase(), vmac::MissionControlPhase::Open) << "the click was swallowed";

    EXPECT_THAT(desk.lines("[close]"), ElementsAre("[close] tap pid=502 windowID=1002", "[close] enter pid=502 windowID=1002",
                                           "[close] AX trusted=true", "[close] press result=0"));
    const auto monitor = desk.lines("[event-mon]");
    ASSERT_EQ(monitor.size(), 1u);
    EXPECT_THAT(monitor[0], testing::MatchesRegex(R"(\[event-mon\] leftMouseDown loc=\([0-9.]+, [0-9.]+\) onOverlay=true hovered=1002)"));
    EXPECT_THAT(desk.lines("[monitor]"), ElementsAre("[monitor] local left-mouse-down monitor installed"));
}

// Safari has a window on each display: closing one leaves the other, which then minimizes.
TEST(MinimizeFromOverlay, OnlyTheMatchingWindowClosesAndAMinimizedOnesIconGoes)
{
    ClickDesk desk(twoDisplayDesk());
    desk.openMissionControl();
    desk.clickButton(1003, IconButton::Close);
    EXPECT_FALSE(desk.isListed(1003));
    EXPECT_TRUE(desk.isListed(1001)) << "Safari's other window stays";
    desk.sim->runFor(0.1);
    EXPECT_TRUE(desk.hasIcon(1001));
    EXPECT_FALSE(desk.hasIcon(1003));

    desk.clickButton(1001, IconButton::Minimize);
    EXPECT_TRUE(desk.isMinimized(1001));
    desk.sim->runFor(1.0 / 120);
    EXPECT_FALSE(desk.hasIcon(1001));
    // Hidden for the rest of the visit, although the window is still listed.
    desk.sim->runFor(4);
    EXPECT_FALSE(desk.hasIcon(1001));
    EXPECT_TRUE(desk.isListed(1001));
}

TEST(CloseFromOverlay, UntrustedAsksOnceAndLeavesTheIcon)
{
    ClickDesk desk(twoDisplayDesk().accessibilityTrusted(false));
    desk.openMissionControl();
    desk.clickButton(1001, IconButton::Close);
    desk.sim->runFor(0.1);
    EXPECT_EQ(desk.sim->accessibility().trustPrompts(), 1);
    EXPECT_EQ(desk.sim->accessibility().requestCount(), 0) << "no application is asked for its windows";
    EXPECT_TRUE(desk.isListed(1001));
    EXPECT_TRUE(desk.hasIcon(1001));
    EXPECT_THAT(desk.lines("[close] AX"), ElementsAre("[close] AX trusted=false"));

    // Minimize checks trust the same way and gives the icon back.
    desk.clickButton(1001, IconButton::Minimize);
    desk.sim->runFor(0.1);
    EXPECT_EQ(desk.sim->accessibility().trustPrompts(), 2);
    EXPECT_FALSE(desk.isMinimized(1001));
    EXPECT_TRUE(desk.hasIcon(1001));
}

TEST(CloseFromOverlay, AHungApplicationStallsTheMainThreadForItsTimeoutOnly)
{
    ClickDesk desk(twoDisplayDesk().appAccessibility({ AXQuirk::Hangs }));
    desk.openMissionControl();
    // The request itself, on the main thread: it blocks for the messaging timeout, not the
    // platform's default of six seconds.
    const double before = desk.sim->clock().mediaTime();
    EXPECT_FALSE(closeWindowViaAccessibility(desk.sim->platform(), 502, 1002));
    const double stall = desk.sim->clock().mediaTime() - before;
    EXPECT_GE(stall, 0.25 - 1e-6);
    EXPECT_LE(stall, 0.25 + 1e-6);
    EXPECT_EQ(desk.sim->accessibility().requestCount(), 1) << "one request, then it gives up";
    EXPECT_THAT(desk.lines("[close] AX windows"), ElementsAre("[close] AX windows list result=-25204"));

    // Through the overlay: the icon stays and Mission Control goes on.
    desk.clickButton(1002, IconButton::Close);
    desk.sim->runFor(0.1);
    EXPECT_EQ(desk.sim->accessibility().requestCount(), 2);
    EXPECT_TRUE(desk.hasIcon(1002));
    EXPECT_TRUE(desk.isListed(1002));
    EXPECT_EQ(desk.mac().missionControlPhase(), vmac::MissionControlPhase::Open);
}

TEST(CloseFromOverlay, ASaveSheetKeepsTheWindowAndTheIconComesBack)
{
    ClickDesk desk(twoDisplayDesk().windowAccessibility({ AXQuirk::SaveSheetOnClose }));
    desk.openMissionControl();
    desk.clickButton(1002, IconButton::Close);
    EXPECT_EQ(desk.sim->accessibility().saveSheetsShown(), 1);
    EXPECT_THAT(desk.lines("[close] press"), ElementsAre("[close] press result=0"));
    desk.sim->runFor(0.5);
    EXPECT_FALSE(desk.hasIcon(1002)) << "hidden while the close may still happen";
    desk.sim->runFor(1.2);
    EXPECT_TRUE(desk.isListed(1002));
    EXPECT_TRUE(desk.hasIcon(1002)) << "back once the close's lifetime ran out with the window still there";
}

TEST(WindowActions, NoMatchingElementFailedPressesAndMissingButtonsLeaveTheIcon)
{
    struct Case {
        AXQuirk quirk;
        IconButton button;
        const char* line;
    };
    const char* kNoWindowMatched = "[close] no window matched windowID=1002";
    const Case cases[] = {
        { AXQuirk::MissingFromWindows, IconButton::Close, kNoWindowMatched },
        { AXQuirk::WindowNumberZero, IconButton::Close, kNoWindowMatched },
        { AXQuirk::PressFails, IconButton::Close, "[close] press result=-25200" },
        { AXQuirk::NoCloseButton, IconButton::Close, "[close] match — close button result=-25212" },
        { AXQuirk::PressFails, IconButton::Minimize, "[minimize] press result=-25200" },
        { AXQuirk::NoMinimizeButton, IconButton::Minimize, "[minimize] match — minimize button result=-25212" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ClickDesk desk(twoDisplayDesk().windowAccessibility({ c.quirk }));
        desk.openMissionControl();
        desk.clickButton(1002, c.button);
        desk.sim->runFor(0.1);
        EXPECT_EQ(desk.lines(c.line).size(), 1u);
        EXPECT_TRUE(desk.isListed(1002));
        EXPECT_FALSE(desk.isMinimized(1002));
        EXPECT_TRUE(desk.hasIcon(1002));
    }
    // AXWindows of the wrong type reads as no list at all.
    ClickDesk desk(twoDisplayDesk().appAccessibility({ AXQuirk::WindowsWrongType }));
    desk.openMissionControl();
    desk.clickButton(1002, IconButton::Minimize);
    desk.sim->runFor(0.1);
    EXPECT_THAT(desk.lines("[minimize] AX windows"), ElementsAre("[minimize] AX windows list result=0"));
    EXPECT_TRUE(desk.hasIcon(1002));
}
