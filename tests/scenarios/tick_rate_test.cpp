#include "settings/preference_keys.h"
#include "support/click_desk.h"

#include <gtest/gtest.h>

using namespace talvora;
using test_support::ClickDesk;
using test_support::DesktopBuilder;

namespace {

DesktopBuilder desktop()
{
    return DesktopBuilder().display(1, { 0, 0, 1440, 900 }).app(501, "Safari").window(1001, 501, { 100, 80, 900, 650 }, "Start").front(501);
}

// The app past start-up, counting its ticks.
struct App : ClickDesk {
    int ticks = 0;

    explicit App(DesktopBuilder d, double settle = 4)
        : ClickDesk(std::move(d), settle)
    {
        sim->onTick = [this] { ++ticks; };
    }
    // Ticks per second over the next `seconds`.
    double rateOver(double seconds)
    {
        const int before = ticks;
        sim->runFor(seconds);
        return (ticks - before) / seconds;
    }
};

} // namespace

// The tick rate the app runs at: idle, and faster after a click. When the engine asks for full
// speed, and for how long, is checked tick by tick in its own tests.
TEST(TickRate, FollowsInputInBalancedMode)
{
    App app(desktop());
    EXPECT_NEAR(app.rateOver(2), 5, 0.5) << "idle: 5 Hz";

    app.sim->input().postEvent(EventType::LeftMouseDown);
    app.sim->runFor(0.25); // the next idle tick picks the faster rate up
    EXPECT_NEAR(app.rateOver(1), 20, 1) << "20 Hz for 1.5 s after a click";
    app.sim->runFor(1.0);
    EXPECT_NEAR(app.rateOver(2), 5, 0.5);
}

TEST(TickRate, ConservativeIgnoresInputAndAResponsivenessChangeActsAtOnce)
{
    App app(desktop().preference(PrefKey::responsivenessMode, std::string("conservative")));
    EXPECT_NEAR(app.rateOver(1), 30, 1);
    app.sim->input().postEvent(EventType::ScrollWheel);
    EXPECT_NEAR(app.rateOver(1), 30, 1);

    app.sim->preferences().set(PrefKey::responsivenessMode, std::string("performance"));
    static_cast<NotificationCenter&>(app.sim->notifications()).post(NotificationName::responsivenessChanged);
    EXPECT_EQ(app.sim->engine().tickMode.value(), TickModeSpec(TimerMode { 0.1, 0.02 }))
        << "at once, without waiting for a tick, and the scroll still counts as recent input";
    app.sim->runFor(2);
    EXPECT_NEAR(app.rateOver(4), 2, 0.3);
}

TEST(UserInputMonitoring, MaskFollowsTrustAndARefusedMonitorLeavesTheIdleRate)
{
    {
        App untrusted(desktop());
        EXPECT_EQ(untrusted.sim->input().liveGlobalMonitors(), 1);
        EXPECT_EQ(untrusted.sim->input().lastMonitorMask(), 0xC240000Au);
        // Trust granted later does not change the mask, which was chosen once.
        untrusted.sim->accessibility().setTrusted(true);
        untrusted.sim->input().postEvent(EventType::KeyDown);
        EXPECT_EQ(untrusted.sim->engine().scheduling().lastUserInputAt, 0);
        untrusted.sim->input().postEvent(EventType::Swipe);
        EXPECT_NEAR(untrusted.sim->engine().scheduling().lastUserInputAt, untrusted.sim->clock().mediaTime(), 1e-9);
    }
    {
        App trusted(desktop().accessibilityTrusted(), 0.01);
        EXPECT_EQ(trusted.sim->input().lastMonitorMask(), 0xC240140Au);
        trusted.sim->runFor(4);
        trusted.sim->input().postEvent(EventType::KeyDown);
        EXPECT_NEAR(trusted.sim->engine().scheduling().lastUserInputAt, trusted.sim->clock().mediaTime(), 1e-9)
            << "keys count when trusted";
    }
    App refused(desktop(), 0);
    refused.sim->input().setRefusesMonitors(true);
    refused.sim->runFor(4);
    EXPECT_FALSE(refused.sim->engine().isMonitoringUserInput());
    refused.sim->input().postEvent(EventType::LeftMouseDown);
    EXPECT_EQ(refused.sim->engine().scheduling().lastUserInputAt, 0);
    EXPECT_NEAR(refused.rateOver(2), 5, 0.5) << "the idle rate always applies";
    refused.sim->input().setRefusesMonitors(false);
    refused.sim->engine().startUserInputMonitoring();
    EXPECT_TRUE(refused.sim->engine().isMonitoringUserInput()) << "a later call tries again";
}
