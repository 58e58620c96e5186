#include "host/simulation.h"
#include "settings/preference_keys.h"
#include "support/desktop_builder.h"
#include "support/temp_home.h"
#include "vmac/system_logs.h"

#include <gtest/gtest.h>

using namespace talvora;
using test_support::DesktopBuilder;

namespace {

DesktopBuilder desktop()
{
    return DesktopBuilder().display(1, { 0, 0, 1440, 900 }).app(501, "Safari").window(1001, 501, { 100, 80, 900, 650 }, "Start").front(501);
}

struct App {
    test_support::TempHome home;
    vmac::RecordingSystemLog log;
    host::Simulation sim;
    std::vector<double> tickTimes;

    explicit App(DesktopBuilder d)
        : sim(d.build(), home.home, log)
    {
        sim.onTick = [this] { tickTimes.push_back(sim.elapsed()); };
        sim.start();
    }
    // Ticks per second over the next `seconds`.
    double rateOver(double seconds)
    {
        auto before = tickTimes.size();
        sim.runFor(seconds);
        return static_cast<double>(tickTimes.size() - before) / seconds;
    }
};

} // namespace

// The tick rate over a visit: idle, faster after a click, full speed from the first raw signal,
// and back to idle 0.4 to 0.75 s after the icons have faded out.
TEST(TickRate, FollowsInputAndMissionControlInBalancedMode)
{
    App app(desktop());
    app.sim.runFor(4);
    EXPECT_NEAR(app.rateOver(2), 5, 0.5) << "idle: 5 Hz";

    app.sim.input().postEvent(EventType::LeftMouseDown);
    app.sim.runFor(0.25); // the next idle tick picks the faster rate up
    EXPECT_NEAR(app.rateOver(1), 20, 1) << "20 Hz for 1.5 s after a click";
    app.sim.runFor(1.0);
    EXPECT_NEAR(app.rateOver(2), 5, 0.5);

    app.sim.mac().openMissionControl();
    double firstRaw = -1;
    while (app.sim.elapsed() < 30 && firstRaw < 0) {
        app.sim.runFor(0.001);
        if (app.sim.engine().lastDetectorTick().raw)
            firstRaw = app.sim.elapsed();
    }
    ASSERT_GE(firstRaw, 0);
    EXPECT_EQ(app.sim.engine().tickMode.value(), TickModeSpec(DisplayLinkMode { 120 })) << "120 Hz from the first raw signal";
    EXPECT_NEAR(app.rateOver(1), 120, 2);

    app.sim.mac().pressMissionControlKey();
    double iconsGone = -1;
    while (iconsGone < 0) {
        app.sim.runFor(0.001);
        if (!app.sim.engine().shouldShowIcons.value())
            iconsGone = app.sim.elapsed();
    }
    double idleAgain = -1;
    while (idleAgain < 0 && app.sim.elapsed() < iconsGone + 3) {
        app.sim.runFor(0.001);
        if (std::holds_alternative<TimerMode>(app.sim.engine().tickMode.value()))
            idleAgain = app.sim.elapsed();
    }
    EXPECT_GE(idleAgain - iconsGone, 0.4 - 0.01);
    EXPECT_LE(idleAgain - iconsGone, 0.75 + 0.01);
}

TEST(TickRate, ConservativeIgnoresInputAndAResponsivenessChangeActsAtOnce)
{
    App app(desktop().preference(PrefKey::responsivenessMode, std::string("conservative")));
    app.sim.runFor(4);
    EXPECT_NEAR(app.rateOver(1), 30, 1);
    app.sim.input().postEvent(EventType::ScrollWheel);
    EXPECT_NEAR(app.rateOver(1), 30, 1);

    app.sim.preferences().set(PrefKey::responsivenessMode, std::string("performance"));
    static_cast<NotificationCenter&>(app.sim.notifications()).post(NotificationName::responsivenessChanged);
    EXPECT_EQ(app.sim.engine().tickMode.value(), TickModeSpec(TimerMode { 0.1, 0.02 }))
        << "at once, without waiting for a tick, and the scroll still counts as recent input";
    app.sim.runFor(2);
    EXPECT_NEAR(app.rateOver(4), 2, 0.3);
}

TEST(UserInputMonitoring, MaskFollowsTrustAndARefusedMonitorLeavesTheIdleRate)
{
    {
        App untrusted(desktop());
        untrusted.sim.runFor(4);
        EXPECT_EQ(untrusted.sim.input().liveGlobalMonitors(), 1);
        EXPECT_EQ(untrusted.sim.input().lastMonitorMask(), 0xC240000Au);
        // Trust granted later does not change the mask, which was chosen once.
        untrusted.sim.accessibility().setTrusted(true);
        untrusted.sim.input().postEvent(EventType::KeyDown);
        EXPECT_EQ(untrusted.sim.engine().scheduling().lastUserInputAt, 0);
        untrusted.sim.input().postEvent(EventType::Swipe);
        EXPECT_NEAR(untrusted.sim.engine().scheduling().lastUserInputAt, untrusted.sim.clock().mediaTime(), 1e-9);
    }
    {
        auto d = desktop().build();
        d.accessibilityTrusted = true;
        test_support::TempHome home;
        vmac::RecordingSystemLog log;
        host::Simulation sim(d, home.home, log);
        sim.start();
        sim.runFor(0.01);
        EXPECT_EQ(sim.input().lastMonitorMask(), 0xC240140Au);
        sim.runFor(4);
        sim.input().postEvent(EventType::KeyDown);
        EXPECT_NEAR(sim.engine().scheduling().lastUserInputAt, sim.clock().mediaTime(), 1e-9) << "keys count when trusted";
    }
    App refused(desktop());
    refused.sim.input().setRefusesMonitors(true);
    refused.sim.runFor(4);
    EXPECT_FALSE(refused.sim.engine().isMonitoringUserInput());
    refused.sim.input().postEvent(EventType::LeftMouseDown);
    EXPECT_EQ(refused.sim.engine().scheduling().lastUserInputAt, 0);
    EXPECT_NEAR(refused.rateOver(2), 5, 0.5) << "the idle rate always applies";
    refused.sim.input().setRefusesMonitors(false);
    refused.sim.engine().startUserInputMonitoring();
    EXPECT_TRUE(refused.sim.engine().isMonitoringUserInput()) << "a later call tries again";
}
