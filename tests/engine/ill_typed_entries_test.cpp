#include "engine/closed_window_registry.h"
#include "engine/window_entry.h"
#include "support/detector_fixture.h"

#include <gtest/gtest.h>

using namespace talvora;
using test_support::DesktopBuilder;
using test_support::DetectorFixture;
using Q = vmac::EntryQuirk;

// Each step skips an entry only for the keys it needs: a window whose number is a string cannot
// be the front window, but its neighbours are unaffected, and an ill-typed layer does not stop
// a window from being on screen.
TEST(IllTypedEntries, AreSkippedOnlyByTheStepsThatNeedTheKey)
{
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
    // forgets it as a window that is gone.
    auto& registry = ClosedWindowRegistry::shared();
    registry.removeAll();
    registry.record(1001, f.dateNow());
    registry.record(1002, f.dateNow());
    f.tick(0.2);
    EXPECT_FALSE(registry.contains(1001));
    EXPECT_TRUE(registry.contains(1002));
    registry.removeAll();
}
