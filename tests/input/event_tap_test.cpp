// The session event tap and its supervision, on the virtual Mac in virtual time.

#include "input/input_controller.h"
#include "platform/application.h"
#include "support/click_desk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace talvora;
using test_support::ClickDesk;
using test_support::twoDisplayDesk;
using testing::ElementsAre;
using vmac::IconButton;

namespace {

EventTapSupervisor& supervisor(ClickDesk& desk) { return desk.sim->inputController().eventTapSupervisor(); }

} // namespace

TEST(EventTap, TimeoutsTenSecondsApartRemoveTheTapAndTheWatchdogBacksOff)
{
    {
        ClickDesk desk(twoDisplayDesk());
        ASSERT_EQ(desk.sim->events().activeTaps(), 1);
        // The first timeout of a tap re-enables it: it has never timed out before.
        desk.sim->events().disableTaps(true);
        EXPECT_EQ(desk.sim->events().activeTaps(), 1);
        desk.sim->runFor(10.1);
        desk.sim->events().disableTaps(true);
        EXPECT_EQ(desk.sim->events().activeTaps(), 1);
        EXPECT_EQ(desk.lines("[tap] re-enabled after tapDisabledByTimeout").size(), 2u);
        desk.sim->events().disableTaps(false);
        EXPECT_EQ(desk.sim->events().activeTaps(), 1) << "user input never removes it";
    }
    ClickDesk desk(twoDisplayDesk());
    auto timeoutPair = [&] {
        desk.sim->events().disableTaps(true);
        desk.sim->runFor(9.9);
        desk.sim->events().disableTaps(true);
        desk.sim->runFor(0.001);
    };
    timeoutPair();
    EXPECT_EQ(desk.sim->events().installedTaps(), 0);
    EXPECT_EQ(desk.lines("[tap] repeated timeout").size(), 1u);
    // The first removal waits the watchdog's interval, each one after it twice as long.
    EXPECT_EQ(supervisor(desk).reinstallWait(), 5.0);
    desk.sim->runFor(4.5);
    EXPECT_FALSE(supervisor(desk).isTapInstalled());
    desk.sim->runFor(8);
    ASSERT_TRUE(supervisor(desk).isTapInstalled());
    EXPECT_FALSE(supervisor(desk).context()->lastTimeoutAt) << "a fresh tap has never timed out";
    timeoutPair();
    EXPECT_EQ(supervisor(desk).reinstallWait(), 10.0);
    EXPECT_THAT(desk.lines("[tap] backing off"), ElementsAre("[tap] backing off — next installation in 5 s at the earliest",
                                                     "[tap] backing off — next installation in 10 s at the earliest"));
    desk.sim->runFor(9);
    EXPECT_FALSE(supervisor(desk).isTapInstalled());
    desk.sim->runFor(8);
    ASSERT_TRUE(supervisor(desk).isTapInstalled());
    // A tap that lives a minute without a timeout lets the back-off start over.
    desk.sim->runFor(61);
    EXPECT_EQ(supervisor(desk).reinstallWait(), 0);
}

TEST(EventTap, AGrantAtRunTimeLogsOnceAndInstallsHalfASecondLater)
{
    ClickDesk desk(twoDisplayDesk().accessibilityTrusted(false));
    EXPECT_EQ(desk.sim->events().installedTaps(), 0);
    EXPECT_THAT(desk.lines("[tap] accessibility"), ElementsAre("[tap] accessibility privilege absent — close/minimize buttons inactive"));

    desk.sim->accessibility().setTrusted(true);
    desk.sim->runFor(0.45);
    EXPECT_EQ(desk.sim->events().installedTaps(), 0);
    desk.sim->runFor(0.1);
    EXPECT_EQ(desk.sim->events().activeTaps(), 1);
    EXPECT_THAT(desk.lines("[tap] accessibility"), ElementsAre("[tap] accessibility privilege absent — close/minimize buttons inactive",
                                                       "[tap] accessibility privilege granted — close/minimize buttons available"));
    EXPECT_THAT(desk.lines("[tap] CGEventTap"), ElementsAre("[tap] CGEventTap installed at session/headInsert"));

    // Refreshes with the privilege unchanged (the watchdog, the app becoming active) say nothing.
    const int probes = desk.sim->events().probeCount();
    desk.sim->runFor(20);
    static_cast<NotificationCenter&>(desk.sim->notifications()).post(kApplicationDidBecomeActiveNotification);
    EXPECT_GE(desk.sim->events().probeCount(), probes + 4) << "the watchdog probes every 5 s";
    EXPECT_EQ(desk.lines("[tap] accessibility").size(), 2u);
    EXPECT_EQ(desk.lines("[tap] CGEventTap").size(), 1u);
}

// During a visit the tap drops a click on a button whole; a revocation removes it at once.
TEST(EventTap, ItDropsAButtonsClickWholeAndARevocationDuringMissionControlRemovesIt)
{
    ClickDesk desk(twoDisplayDesk());
    desk.openMissionControl();
    ASSERT_EQ(desk.sim->events().activeTaps(), 1);
    // The pointer on Notes' close button; the overlay of display 2 would take the click too,
    // but the tap sees it first. That a click off the buttons passes is checked by the
    // thumbnail click test and the soak.
    const Point onButton = desk.sim->app().iconButtonLocation(1002, IconButton::Close).value();
    desk.sim->input().movePointer(onButton);
    desk.sim->runFor(0.05);
    auto outcome = desk.sim->events().click(onButton);
    EXPECT_TRUE(outcome.droppedByTap);
    EXPECT_EQ(outcome.target.kind, vmac::ClickTarget::Kind::Nothing) << "no window received it";
    EXPECT_EQ(desk.sim->events().halfClicks(), 0) << "its mouse-up went with it";
    EXPECT_EQ(desk.mac().missionControlPhase(), vmac::MissionControlPhase::Open);
    desk.sim->runFor(0.01);
    EXPECT_FALSE(desk.isListed(1002));

    desk.sim->accessibility().setTrusted(false);
    EXPECT_EQ(desk.sim->events().installedTaps(), 0);
    EXPECT_EQ(desk.sim->events().secondsStalled(), 0);
    EXPECT_EQ(desk.lines("[tap] Accessibility privilege lost").size(), 1u);
    // A grant during the visit waits for its end to install.
    desk.sim->accessibility().setTrusted(true);
    desk.sim->runFor(6);
    EXPECT_EQ(desk.sim->events().installedTaps(), 0);
    desk.mac().closeMissionControl();
    desk.runUntil([&] { return !desk.engine().isMCActive.value(); });
    desk.sim->runFor(7.1);
    EXPECT_EQ(desk.sim->events().activeTaps(), 1);
}

TEST(EventTap, TerminationAndTheEnginesEndTearItDown)
{
    {
        ClickDesk desk(twoDisplayDesk());
        ASSERT_EQ(desk.sim->events().activeTaps(), 1);
        static_cast<NotificationCenter&>(desk.sim->notifications()).post(kApplicationWillTerminateNotification);
        EXPECT_EQ(desk.sim->events().installedTaps(), 0);
        EXPECT_THAT(desk.lines("[tap] CGEventTap removed"), ElementsAre("[tap] CGEventTap removed"));
    }
    // A controller of its own on the app's platform: its end takes the tap, the watchdog and
    // the observers with it.
    ClickDesk desk(twoDisplayDesk());
    desk.sim->app().inputController()->eventTapSupervisor().removeTap();
    const int timers = desk.sim->runLoop().liveTimers();
    auto controller = std::make_unique<InputController>(desk.engine(), desk.sim->platform());
    controller->startEventTapSupervision();
    EXPECT_EQ(desk.sim->events().activeTaps(), 1);
    EXPECT_EQ(desk.sim->runLoop().liveTimers(), timers + 1);
    controller.reset();
    EXPECT_EQ(desk.sim->events().installedTaps(), 0);
    EXPECT_EQ(desk.sim->runLoop().liveTimers(), timers);
    static_cast<NotificationCenter&>(desk.sim->distributedNotifications()).post(kAccessibilityAPINotification);
    desk.sim->runFor(1);
    desk.sim->events().disableTaps(true);
    EXPECT_EQ(desk.sim->events().installedTaps(), 1) << "only the app's own supervisor installs again";
}
