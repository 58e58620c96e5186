#include "engine/closed_window_registry.h"
#include "engine/window_entry.h"
#include "support/engine_fixture.h"

#include <gtest/gtest.h>

#include <random>

using namespace talvora;
using test_support::DesktopBuilder;
using test_support::EngineFixture;
using Q = vmac::EntryQuirk;

// Each step skips an entry only for the keys it needs: a window whose number is a string cannot
// be the front window, but its neighbours are unaffected, and an ill-typed layer does not stop
// a window from being on screen.
TEST(IllTypedEntries, AreSkippedOnlyByTheStepsThatNeedTheKey)
{
    EngineFixture f(DesktopBuilder()
            .display(1, { 0, 0, 1440, 900 })
            .app(501, "Safari")
            .window(1001, 501, { 0, 30, 800, 600 }, "No number").quirks({ Q::NumberAsString })
            .window(1002, 501, { 0, 30, 800, 600 }, "No height").quirks({ Q::NoBoundsHeight })
            .window(1003, 501, { 0, 30, 800, 600 }, "Half layer").quirks({ Q::FractionalLayer })
            .window(1004, 501, { 0, 30, 800, 600 }, "Counted on screen").quirks({ Q::OnScreenAsInteger, Q::AlphaAsString })
            .window(1005, 501, { 0, 30, 800, 600 }, "Fine")
            .front(501));
    f.tickAfter(0);
    EXPECT_EQ(f.engine().sampling().lastTickOutcome, TickOutcome::Completed);
    EXPECT_EQ(f.engine().sampling().currentActiveWindowID, 1005u)
        << "the front window needs a number, bounds, a layer that is 0 and a numeric alpha";

    int appEntriesOnScreen = 0;
    for (const WindowEntry* e : f.engine().sampling().cachedVisibleWindowList)
        appEntriesOnScreen += entryOwnerName(*e) == "Safari";
    EXPECT_EQ(appEntriesOnScreen, 5) << "every window is still on screen, whatever else is wrong with it";

    // The window with a string number is not in the list's set of numbers, so the registry
    // forgets it as a window that is gone.
    auto& registry = ClosedWindowRegistry::shared();
    registry.removeAll();
    registry.record(1001, f.sim->clock().now());
    registry.record(1002, f.sim->clock().now());
    f.tickAfter(0.2);
    EXPECT_FALSE(registry.contains(1001));
    EXPECT_TRUE(registry.contains(1002));
    registry.removeAll();
}

// Random damage, random desktop changes: every tick ends in one of its defined ways and the
// caches keep their invariants. Run under the sanitizer build, this is the fuzz of the tick.
TEST(IllTypedEntries, RandomlyDamagedListsNeverBreakTheTick)
{
    std::mt19937 random(20261206);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    DesktopBuilder desktop;
    desktop.display(1, { 0, 0, 1440, 900 }).display(std::nullopt, { 1440, 0, 1920, 1080 });
    for (int a = 0; a < 4; ++a)
        desktop.app(501 + a, "App" + std::to_string(a), a == 3 ? ActivationPolicy::Accessory : ActivationPolicy::Regular);
    for (int w = 0; w < 40; ++w) {
        desktop.window(1000 + w, 501 + pick(4), { pick(3000) - 500.0, pick(1200) - 100.0, pick(900) * 1.0, pick(700) * 1.0 },
            "W" + std::to_string(w), pick(10) / 9.0);
        std::vector<Q> quirks;
        for (int q = pick(3); q > 0; --q)
            quirks.push_back(static_cast<Q>(pick(15)));
        desktop.quirks(quirks);
    }
    desktop.front(501);
    EngineFixture f(desktop);

    for (int step = 0; step < 300; ++step) {
        switch (pick(8)) {
        case 0:
            f.mac().activateApp(501 + pick(4));
            break;
        case 1:
            f.mac().failNextWindowListQuery(pick(2) ? WindowListReply::Status::Null : WindowListReply::Status::Malformed);
            break;
        case 2:
            f.mac().setWindowBounds(1000 + pick(40), { pick(3000) - 1000.0, pick(2000) - 1000.0, pick(2) * 1.0, pick(900) * 1.0 });
            break;
        case 3:
            f.mac().setAppHidden(501 + pick(4), pick(2));
            break;
        case 4:
            if (pick(2))
                f.mac().removeDisplay(std::nullopt);
            else
                f.mac().addDisplay({ std::nullopt, { 1440, 0, 1920, 1080 }, 24 });
            break;
        default:
            break;
        }
        f.tickAfter(pick(4) * 0.1);
        const auto& sampling = f.engine().sampling();
        ASSERT_NE(sampling.lastTickOutcome, TickOutcome::NotRun);
        if (sampling.lastTickOutcome != TickOutcome::Completed)
            continue;
        for (const WindowEntry* e : sampling.cachedVisibleWindowList) {
            ASSERT_TRUE(isOnScreenEntry(*e));
            ASSERT_GE(e, sampling.cachedWindowList->data());
            ASSERT_LT(e, sampling.cachedWindowList->data() + sampling.cachedWindowList->size());
        }
        ASSERT_EQ(f.engine().screens().cachedScreenCount, static_cast<int>(f.engine().screens().cachedScreenInfos.size()));
        if (auto active = sampling.currentActiveWindowID) {
            ASSERT_GE(*active, 1000u);
        }
    }
}
