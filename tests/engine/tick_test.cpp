#include "engine/closed_window_registry.h"
#include "settings/preference_keys.h"
#include "support/engine_fixture.h"

#include <gtest/gtest.h>

using namespace talvora;
using test_support::DesktopBuilder;
using test_support::EngineFixture;

namespace {

DesktopBuilder twoApps()
{
    return DesktopBuilder()
        .display(1, { 0, 0, 1440, 900 })
        .app(501, "Safari")
        .app(502, "Notes")
        .window(1001, 501, { 100, 100, 800, 600 }, "Start")
        .window(1002, 502, { 300, 200, 600, 500 }, "List")
        .front(501);
}

// The scan records written to the system log, newest last.
std::vector<std::string> scanRecords(const vmac::RecordingSystemLog& log)
{
    std::vector<std::string> scans;
    for (const auto& record : log.records()) {
        if (record.message.find("state event=scan ") != std::string::npos)
            scans.push_back(record.message);
    }
    return scans;
}

} // namespace

TEST(Tick, FrameDeltaIsOneFrameOnTheFirstTickAndAfterALongGap)
{
    // Steps that are exact in binary, so that 0.25 s is exactly the limit.
    EngineFixture f(twoApps().debugLogging());
    f.tickAfter(0); // record: first tick
    f.tickAfter(0.5); // record: a gap too long to smooth over
    f.tickAfter(0.25); // no record: only 0.25 s since the last one
    f.tickAfter(0.25); // record: 0.25 s is still a usable frame delta
    f.tickAfter(0.125);
    f.tickAfter(0.375); // record: 0.375 s is not
    auto scans = scanRecords(f.log);
    ASSERT_EQ(scans.size(), 4u) << "records at most twice a second";
    EXPECT_NE(scans[0].find("frameDeltaMs=8.333"), std::string::npos) << scans[0];
    EXPECT_NE(scans[1].find("frameDeltaMs=8.333"), std::string::npos) << scans[1];
    EXPECT_NE(scans[2].find("frameDeltaMs=250.000"), std::string::npos) << scans[2];
    EXPECT_NE(scans[3].find("frameDeltaMs=8.333"), std::string::npos) << scans[3];
}

TEST(Tick, FirstTickRefreshesSettingsAndLaterOnesAtMostOnceASecond)
{
    EngineFixture f(twoApps().preference(PrefKey::iconMaxSize, 64.0));
    f.tickAfter(0);
    EXPECT_EQ(f.engine().settings().iconMaxSize, 64);
    f.sim->preferences().set(PrefKey::iconMaxSize, 80.0);
    f.tickAfter(0.5);
    EXPECT_EQ(f.engine().settings().iconMaxSize, 64) << "not yet a second since the last refresh";
    f.tickAfter(0.5);
    EXPECT_EQ(f.engine().settings().iconMaxSize, 80);
}

TEST(Tick, SuppressionEndsTheTickBeforeTheWindowListIsAsked)
{
    EngineFixture f(twoApps());
    f.tickAfter(0);
    int queries = f.mac().windowListQueryCount();
    f.engine().setSuppressOverlayUntil(f.sim->clock().now().addingSeconds(1));
    f.tickAfter(0.5);
    EXPECT_EQ(f.engine().sampling().lastTickOutcome, TickOutcome::Suppressed);
    EXPECT_EQ(f.mac().windowListQueryCount(), queries);
    f.tickAfter(0.6);
    EXPECT_EQ(f.engine().sampling().lastTickOutcome, TickOutcome::Completed);
    EXPECT_EQ(f.mac().windowListQueryCount(), queries + 1);
}

TEST(Tick, AFailedOrMalformedListEndsTheTickAndTheNextOneRecovers)
{
    for (auto how : { WindowListReply::Status::Null, WindowListReply::Status::Malformed }) {
        EngineFixture f(twoApps());
        // Failing on the very first tick leaves everything as the engine was created: the tick
        // mode is not even computed.
        f.mac().failNextWindowListQuery(how);
        f.tickAfter(0);
        EXPECT_EQ(f.engine().sampling().lastTickOutcome, TickOutcome::WindowListFailed);
        EXPECT_EQ(f.engine().tickMode.publicationCount(), 0u);
        EXPECT_TRUE(f.engine().screens().cachedScreenInfos.empty()) << "no screen refresh after a failed query";
        EXPECT_FALSE(f.engine().sampling().cachedWindowList);

        f.tickAfter(0.2);
        EXPECT_EQ(f.engine().sampling().lastTickOutcome, TickOutcome::Completed);
        auto list = f.engine().sampling().cachedWindowList;
        ASSERT_TRUE(list);
        EXPECT_EQ(f.engine().screens().cachedScreenCount, 1);

        // A failure later keeps the previous list.
        f.mac().failNextWindowListQuery(how);
        f.tickAfter(0.2);
        EXPECT_EQ(f.engine().sampling().cachedWindowList, list);
    }
}

TEST(ScreenCache, FlipsAppKitFramesIntoWindowServerSpace)
{
    EngineFixture f(DesktopBuilder()
            .displayWithAppKitFrame(1, { 0, 0, 1920, 1080 })
            .displayWithAppKitFrame(2, { 0, 1080, 1440, 900 }) // directly above the primary
            .displayWithAppKitFrame(std::nullopt, { -1728, 0, 1728, 1117 }));
    f.tickAfter(0);
    const auto& screens = f.engine().screens();
    ASSERT_EQ(screens.cachedScreenCount, 3);
    EXPECT_EQ(screens.cachedPrimaryCGHeight, 1080);
    EXPECT_EQ(screens.cachedScreenInfos[0], (ScreenInfo { 1, { 0, 0, 1920, 1080 } }));
    EXPECT_EQ(screens.cachedScreenInfos[1], (ScreenInfo { 2, { 0, -900, 1440, 900 } }));
    EXPECT_EQ(screens.cachedScreenInfos[2], (ScreenInfo { 0, { -1728, -37, 1728, 1117 } })) << "no number reads as 0";
    EXPECT_EQ(screens.cachedScreenCGRects[1], screens.cachedScreenInfos[1].cgRect);
}

TEST(ScreenCache, NoDisplaysLeavesEmptyCachesAndTheTickCompletes)
{
    EngineFixture f(DesktopBuilder().app(501, "Safari").window(1001, 501, { 0, 0, 800, 600 }).front(501));
    f.tickAfter(0);
    EXPECT_EQ(f.engine().sampling().lastTickOutcome, TickOutcome::Completed);
    EXPECT_EQ(f.engine().screens().cachedScreenCount, 0);
    EXPECT_TRUE(f.engine().screens().cachedScreenCGRects.empty());
}

TEST(ActiveWindowTracking, PreviousWindowFollowsChangesOfTheFrontWindow)
{
    EngineFixture f(twoApps());
    int publications = 0;
    auto subscription = f.engine().previousActiveWindowID.subscribe([&](const auto&) { ++publications; });
    f.tickAfter(0);
    EXPECT_EQ(f.engine().sampling().currentActiveWindowID, 1001u);
    EXPECT_FALSE(f.engine().previousActiveWindowID.value());
    EXPECT_EQ(publications, 1) << "the first front window publishes an absent previous one";

    f.tickAfter(0.2);
    EXPECT_EQ(publications, 1) << "an unchanged front window publishes nothing";

    f.mac().activateApp(502);
    f.tickAfter(0.2);
    EXPECT_EQ(f.engine().sampling().currentActiveWindowID, 1002u);
    EXPECT_EQ(f.engine().previousActiveWindowID.value(), 1001u);
}

TEST(ActiveWindowTracking, IgnoresItsOwnProcessAndWindowsOfNoSize)
{
    EngineFixture f(twoApps().window(1003, 503, { 0, 0, 79, 600 }).app(503, "Tiny"));
    f.tickAfter(0);
    f.mac().activateApp(f.mac().ownPID());
    f.tickAfter(0.2);
    EXPECT_EQ(f.engine().sampling().currentActiveWindowID, 1001u) << "Talvora in front changes nothing";
    f.mac().activateApp(503);
    f.tickAfter(0.2);
    EXPECT_EQ(f.engine().sampling().currentActiveWindowID, 1001u) << "a window narrower than 80 points is not a front window";
}

TEST(ActiveWindowTracking, FrozenWhileSuppressed)
{
    EngineFixture f(twoApps());
    f.tickAfter(0);
    f.engine().setSuppressOverlayUntil(f.sim->clock().now().addingSeconds(10));
    f.mac().activateApp(502);
    f.engine().updateActiveWindowTracking(f.engine().sampling().cachedVisibleWindowList);
    EXPECT_EQ(f.engine().sampling().currentActiveWindowID, 1001u);
}

TEST(ClosedWindowRegistry, TickForgetsOldEntriesAndWindowsThatLeftTheList)
{
    EngineFixture f(twoApps());
    auto& registry = ClosedWindowRegistry::shared();
    registry.removeAll();
    Date now = f.sim->clock().now();
    registry.record(1001, now.addingSeconds(-301)); // too old
    registry.record(1002, now.addingSeconds(-10)); // recent, window still listed
    registry.record(4242, now); // recent, but no such window
    f.tickAfter(0);
    EXPECT_FALSE(registry.contains(1001));
    EXPECT_TRUE(registry.contains(1002));
    EXPECT_FALSE(registry.contains(4242));
    registry.removeAll();
}

TEST(Settings, ResponsivenessNotificationRefreshesAndRepublishesAtOnce)
{
    EngineFixture f(twoApps());
    f.tickAfter(0);
    ASSERT_EQ(f.engine().tickMode.value(), TickModeSpec(TimerMode { 0.2, 0.04 }));
    auto published = f.engine().tickMode.publicationCount();
    f.sim->preferences().set(PrefKey::responsivenessMode, std::string("conservative"));
    static_cast<NotificationCenter&>(f.sim->notifications()).post(NotificationName::responsivenessChanged);
    EXPECT_EQ(f.engine().tickMode.value(), TickModeSpec(DisplayLinkMode { 30 }));
    EXPECT_EQ(f.engine().tickMode.publicationCount(), published + 1);
    static_cast<NotificationCenter&>(f.sim->notifications()).post(NotificationName::responsivenessChanged);
    EXPECT_EQ(f.engine().tickMode.publicationCount(), published + 1) << "an unchanged mode is not published again";
}

TEST(Settings, ButtonBehaviourNotificationRefreshesWithoutWaitingForTheTick)
{
    EngineFixture f(twoApps());
    f.tickAfter(0);
    f.sim->preferences().set(PrefKey::closeMinimizeButtonsOnBottom, true);
    EXPECT_FALSE(f.engine().settings().closeMinimizeButtonsOnBottom);
    static_cast<NotificationCenter&>(f.sim->notifications()).post(NotificationName::buttonBehaviorChanged);
    EXPECT_TRUE(f.engine().settings().closeMinimizeButtonsOnBottom);
}

TEST(Settings, ObserversOfADestroyedEngineAreGone)
{
    EngineFixture f(twoApps());
    auto other = std::make_unique<OverlayViewModel>(f.sim->platform());
    other->startUserInputMonitoring();
    other.reset();
    // Under the sanitizer build a call into the destroyed engine would be reported here.
    f.sim->preferences().set(PrefKey::closeMinimizeButtonsOnBottom, true);
    static_cast<NotificationCenter&>(f.sim->notifications()).post(NotificationName::buttonBehaviorChanged);
    EXPECT_TRUE(f.engine().settings().closeMinimizeButtonsOnBottom) << "the live engine still hears it";
}
