#include "vmac/virtual_run_loop.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace talvora;
using vmac::VirtualClock;
using vmac::VirtualRunLoop;

namespace {

struct Loop {
    VirtualClock clock;
    VirtualRunLoop loop { clock };
    RunLoop& api() { return loop; }
    double now() { return static_cast<const Clock&>(clock).mediaTime(); }
};

} // namespace

TEST(VirtualRunLoop, RepeatingTimerFirstFiresOneIntervalAfterSetUpAndNeverDrifts)
{
    Loop l;
    const double start = l.now();
    std::vector<double> firings;
    auto timer = l.api().scheduleRepeating(0.2, 0.04, [&] { firings.push_back(l.now() - start); });
    l.loop.runFor(1.0);
    ASSERT_EQ(firings.size(), 5u);
    for (std::size_t i = 0; i < firings.size(); ++i)
        EXPECT_NEAR(firings[i], 0.2 * (i + 1), 1e-9);
    timer.reset();
    l.loop.runFor(1.0);
    EXPECT_EQ(firings.size(), 5u) << "dropping the handle cancels";
    EXPECT_EQ(l.loop.liveTimers(), 0);
}

TEST(VirtualRunLoop, TimerCancelledFromItsOwnCallbackStops)
{
    Loop l;
    int firings = 0;
    RepeatingTimerPtr timer;
    timer = l.api().scheduleRepeating(0.1, 0.02, [&] {
        if (++firings == 3)
            timer.reset();
    });
    l.loop.runFor(1.0);
    EXPECT_EQ(firings, 3);
}

TEST(VirtualRunLoop, DisplayLinkPausesReratesAndInvalidates)
{
    Loop l;
    int frames = 0;
    auto link = l.api().createDisplayLink(1, [&] { ++frames; });
    ASSERT_TRUE(link);
    link->setPreferredFrameRate(30);
    l.loop.runFor(1.0);
    EXPECT_EQ(frames, 30);
    link->setPaused(true);
    l.loop.runFor(1.0);
    EXPECT_EQ(frames, 30) << "a paused link costs no frames";
    link->setPreferredFrameRate(240);
    link->setPaused(false);
    l.loop.runFor(1.0);
    EXPECT_EQ(frames, 30 + 120) << "a display refreshes at most at its own rate";
    link->invalidate();
    link->setPaused(false);
    l.loop.runFor(1.0);
    EXPECT_EQ(frames, 150);
    EXPECT_EQ(l.loop.liveDisplayLinks(), 0);
}

TEST(VirtualRunLoop, DisplayLinksOnlyOnExistingDisplaysAndHandlesMayOutliveTheLoop)
{
    auto l = std::make_unique<Loop>();
    l->loop.setDisplayRefreshRate([](DisplayID d) -> std::optional<double> { return d == 1 ? std::optional(60.0) : std::nullopt; });
    EXPECT_FALSE(l->api().createDisplayLink(2, [] {}));
    auto link = l->api().createDisplayLink(1, [] {});
    auto timer = l->api().scheduleRepeating(0.5, 0.1, [] {});
    l.reset();
    link->setPaused(true);
    link.reset();
    timer.reset();
    SUCCEED() << "the sanitizer build reports any use of the destroyed loop";
}
