#include "engine/closed_window_registry.h"
#include "engine/tick_mode.h"
#include "engine/window_entry.h"
#include "settings/preference_keys.h"
#include "support/detector_fixture.h"

#include <gtest/gtest.h>

using namespace talvora;
using test_support::DesktopBuilder;
using test_support::DetectorFixture;
using test_support::twoApps;

namespace {

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
    DetectorFixture f(twoApps());
    f.tick(0); // record: first tick
    f.tick(0.5); // record: a gap too long to smooth over
    f.tick(0.25); // no record: only 0.25 s since the last one
    f.tick(0.25); // record: 0.25 s is still a usable frame delta
    f.tick(0.125);
    f.tick(0.375); // record: 0.375 s is not
    auto scans = scanRecords(f.log);
    ASSERT_EQ(scans.size(), 4u) << "records at most twice a second";
    EXPECT_NE(scans[0].find("frameDeltaMs=8.333"), std::string::npos) << scans[0];
    EXPECT_NE(scans[1].find("frameDeltaMs=8.333"), std::string::npos) << scans[1];
    EXPECT_NE(scans[2].find("frameDeltaMs=250.000"), std::string::npos) << scans[2];
    EXPECT_NE(scans[3].find("frameDeltaMs=8.333"), std::string::npos) << scans[3];
}

TEST(Tick, FirstTickRefreshesSettingsAndLaterOnesAtMostOnceASecond)
{
    DetectorFixture f(twoApps().preference(PrefKey::iconMaxSize, 64.0));
    f.tick(0);
    EXPECT_EQ(f.engine->settings().iconMaxSize, 64);
    f.sim->preferences().set(PrefKey::iconMaxSize, 80.0);
    f.tick(0.5);
    EXPECT_EQ(f.engine->settings().iconMaxSize, 64) << "not yet a second since the last refresh";
    f.tick(0.5);
    EXPECT_EQ(f.engine->settings().iconMaxSize, 80);
}

TEST(Tick, AFailedOrMalformedListEndsTheTickAndTheNextOneRecovers)
{
    for (auto how : { WindowListReply::Status::Null, WindowListReply::Status::Malformed }) {
        DetectorFixture f(twoApps());
        // Failing on the very first tick leaves everything as the engine was created: the tick
        // mode is not even computed.
        f.sim->mac().failNextWindowListQuery(how);
        f.tick(0);
        EXPECT_EQ(f.engine->sampling().lastTickOutcome, TickOutcome::WindowListFailed);
        EXPECT_EQ(f.engine->tickMode.publicationCount(), 0u);
        EXPECT_TRUE(f.engine->screens().cachedScreenInfos.empty()) << "no screen refresh after a failed query";
        EXPECT_FALSE(f.engine->sampling().cachedWindowList);

        f.tick(0.2);
        EXPECT_EQ(f.engine->sampling().lastTickOutcome, TickOutcome::Completed);
        auto list = f.engine->sampling().cachedWindowList;
        ASSERT_TRUE(list);
        EXPECT_EQ(f.engine->screens().cachedScreenCount, 1);

        // A failure later keeps the previous list.
        f.sim->mac().failNextWindowListQuery(how);
        f.tick(0.2);
        EXPECT_EQ(f.engine->sampling().cachedWindowList, list);
    }
}

// Each step skips an entry only for the keys it needs: a window whose number is a string cannot
// be the front window, but its neighbours are unaffected, and an ill-typed layer does not stop
// a window from being on screen.
TEST(IllTypedEntries, AreSkippedOnlyByTheStepsThatNeedTheKey)
{
    using Q = vmac::EntryQuirk;
    DetectorFixture f(DesktopBuilder()
            .display(1, { 0, 0, 1440, 900 })
            .app(501, "Safari")
            .window(1001, 501, { 0, 30, 800, 600 }, "No number").quirks({ Q::NumberAsString })
            .window(1002, 501, { 0, 30, 800, 600 }, "No height").quirks({ Q::NoBoundsHeight })
            .window(1003, 501, { 0, 30, 800, 600 }, "Half layer").quirks({ Q::FractionalLayer })
            .window(1004, 501, { 0, 30, 800, 600 }, "Counted on screen").quirks({ Q::OnScreenAsInteger, Q::AlphaAsString })
            .window(1005, 501, { 0, 30, 800, 600 }, "Fine")
            .front(501));
    f.tick(0);
    EXPECT_EQ(f.engine->sampling().lastTickOutcome, TickOutcome::Completed);
    EXPECT_EQ(f.engine->sampling().currentActiveWindowID, 1005u)
        << "the front window needs a number, bounds, a layer that is 0 and a numeric alpha";

    int appEntriesOnScreen = 0;
    for (const WindowEntry* e : f.engine->sampling().cachedVisibleWindowList)
        appEntriesOnScreen += entryOwnerName(*e) == "Safari";
    EXPECT_EQ(appEntriesOnScreen, 5) << "every window is still on screen, whatever else is wrong with it";

    // The window with a string number is not in the list's set of numbers, so the registry
    // forgets it as a window that is gone; a window still listed is forgotten after 300 s.
    auto& registry = ClosedWindowRegistry::shared();
    registry.removeAll();
    registry.record(1001, f.dateNow());
    registry.record(1002, f.dateNow().addingSeconds(-10));
    registry.record(1003, f.dateNow().addingSeconds(-301));
    f.tick(0.2);
    EXPECT_FALSE(registry.contains(1001));
    EXPECT_TRUE(registry.contains(1002));
    EXPECT_FALSE(registry.contains(1003));
    registry.removeAll();
}

TEST(SelectTickMode, TableAtItsBoundaries)
{
    using M = ResponsivenessMode;
    for (auto mode : kAllResponsivenessModes)
        EXPECT_EQ(selectTickMode(mode, /*highRate=*/true, 100), TickModeSpec(DisplayLinkMode { 120 }));
    EXPECT_EQ(selectTickMode(M::Performance, false, 1.5), TickModeSpec(TimerMode { 0.1, 0.02 })) << "1.5 s is recent";
    EXPECT_EQ(selectTickMode(M::Performance, false, 1.5001), TickModeSpec(TimerMode { 0.5, 0.1 }));
    EXPECT_EQ(selectTickMode(M::Balanced, false, 0), TickModeSpec(TimerMode { 0.05, 0.01 }));
    EXPECT_EQ(selectTickMode(M::Balanced, false, 300), TickModeSpec(TimerMode { 0.2, 0.04 }));
    EXPECT_EQ(selectTickMode(M::Conservative, false, 0), TickModeSpec(DisplayLinkMode { 30 }));
    EXPECT_EQ(selectTickMode(M::Conservative, false, 300), TickModeSpec(DisplayLinkMode { 30 }));
}

// The front window is what the halo marks later: Talvora itself in front, a window too narrow
// to be a document, or a tick while the overlay is suppressed must not move it.
TEST(ActiveWindowTracking, FollowsTheFrontWindowButNotOurselvesTinyWindowsOrSuppressedTicks)
{
    DetectorFixture f(twoApps().window(1003, 503, { 0, 0, 79, 600 }).app(503, "Tiny"));
    f.tick(0);
    EXPECT_EQ(f.engine->sampling().currentActiveWindowID, 1001u);
    EXPECT_FALSE(f.engine->previousActiveWindowID.value());

    f.sim->mac().activateApp(f.sim->mac().ownPID());
    f.tick(0.2);
    EXPECT_EQ(f.engine->sampling().currentActiveWindowID, 1001u) << "Talvora in front changes nothing";
    f.sim->mac().activateApp(503);
    f.tick(0.2);
    EXPECT_EQ(f.engine->sampling().currentActiveWindowID, 1001u) << "narrower than 80 points";

    f.engine->setSuppressOverlayUntil(f.dateNow().addingSeconds(10));
    f.sim->mac().activateApp(502);
    f.engine->updateActiveWindowTracking(f.engine->sampling().cachedVisibleWindowList);
    EXPECT_EQ(f.engine->sampling().currentActiveWindowID, 1001u) << "suppressed";
    f.engine->setSuppressOverlayUntil(f.dateNow());
    f.tick(0.2);
    EXPECT_EQ(f.engine->sampling().currentActiveWindowID, 1002u);
    EXPECT_EQ(f.engine->previousActiveWindowID.value(), 1001u);
}

// The button placement is read again as soon as the settings window says so; an engine that
// is gone no longer hears it (the sanitizer build would report a call into it).
TEST(Settings, ButtonBehaviourNotificationRefreshesAtOnceAndOnlyLiveEngines)
{
    DetectorFixture f(twoApps());
    f.engine->startUserInputMonitoring();
    f.tick(0);
    auto other = std::make_unique<OverlayViewModel>(*f.platform);
    other->startUserInputMonitoring();
    other.reset();
    f.sim->preferences().set(PrefKey::closeMinimizeButtonsOnBottom, true);
    EXPECT_FALSE(f.engine->settings().closeMinimizeButtonsOnBottom);
    static_cast<NotificationCenter&>(f.sim->notifications()).post(NotificationName::buttonBehaviorChanged);
    EXPECT_TRUE(f.engine->settings().closeMinimizeButtonsOnBottom);
}
