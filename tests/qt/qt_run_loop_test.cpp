#include "qt/qt_display_link.h"
#include "qt/qt_repeating_timer.h"
#include "qt/qt_run_loop.h"
#include "qt/gui_test.h"

#include <QElapsedTimer>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace talvora::qt {
namespace {

using test_support::GuiTest;

class QtRunLoopTest : public GuiTest {
protected:
    RunLoop& mainQueue() { return *m_loop; }

    QtDisplayLink& asQt(const DisplayLinkPtr& link) { return dynamic_cast<QtDisplayLink&>(*link); }
    QtRepeatingTimer& asQt(const RepeatingTimerPtr& timer) { return dynamic_cast<QtRepeatingTimer&>(*timer); }

    std::unique_ptr<QtRunLoop> m_loop = std::make_unique<QtRunLoop>();
    const std::thread::id m_mainThread = std::this_thread::get_id();
};

TEST_F(QtRunLoopTest, WorkRunsOnTheMainThreadInTheOrderItIsQueuedAndDue)
{
    std::vector<std::string> order;
    bool allOnMain = true;
    mainQueue().after(0.06, [&] { order.push_back("later"); });
    mainQueue().after(0.02, [&] { order.push_back("sooner"); });
    mainQueue().async([&] {
        order.push_back("async");
        // Queued from inside the queue: it goes behind what was queued before.
        mainQueue().async([&] { order.push_back("from inside"); });
    });
    mainQueue().after(0, [&] { order.push_back("zero"); });
    mainQueue().async([&] {
        order.push_back("async 2");
        allOnMain = onMainThread() && std::this_thread::get_id() == m_mainThread;
    });
    EXPECT_TRUE(order.empty()); // nothing runs synchronously
    ASSERT_TRUE(runUntil([&] { return order.size() == 6; }));
    // A zero delay keeps its place in the queue, before work queued after it.
    const std::vector<std::string> expected {
        "async", "zero", "async 2", "from inside", "sooner", "later",
    };
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(allOnMain);

    // Work queued from another thread runs once, on the main thread.
    std::atomic<int> ran = 0;
    std::thread::id asyncOn, afterOn;
    std::thread worker([&] {
        mainQueue().async([&] {
            asyncOn = std::this_thread::get_id();
            ++ran;
        });
        mainQueue().after(0.005, [&] {
            afterOn = std::this_thread::get_id();
            ++ran;
        });
    });
    worker.join();
    ASSERT_TRUE(runUntil([&] { return ran.load() == 2; }));
    runFor(60);
    EXPECT_EQ(ran.load(), 2);
    EXPECT_EQ(asyncOn, m_mainThread);
    EXPECT_EQ(afterOn, m_mainThread);
}

// Cancelled from outside, or cancelled, paused, invalidated or dropped from its own callback, a
// timer or a display link fires no more; until then it fires on the main thread.
TEST_F(QtRunLoopTest, TimersAndDisplayLinksStoppedFromOutsideOrFromTheirOwnCallbackFireNoMore)
{
    enum class Stop {
        CancelTimer, CancelTimerInside, DropTimerInside, PauseLink, InvalidateLink, DropLink
    };
    for (Stop stop : { Stop::CancelTimer, Stop::CancelTimerInside, Stop::DropTimerInside,
             Stop::PauseLink, Stop::InvalidateLink, Stop::DropLink }) {
        SCOPED_TRACE(static_cast<int>(stop));
        int fired = 0;
        bool allOnMain = true;
        RepeatingTimerPtr timer;
        DisplayLinkPtr link;
        auto callback = [&] {
            allOnMain = allOnMain && std::this_thread::get_id() == m_mainThread;
            if (++fired != 2)
                return;
            switch (stop) {
            case Stop::CancelTimer:
                break;
            case Stop::CancelTimerInside:
                timer->cancel();
                break;
            case Stop::DropTimerInside:
                timer.reset(); // destroys the handle while its callback runs
                break;
            case Stop::PauseLink:
                link->setPaused(true);
                break;
            case Stop::InvalidateLink:
                link->invalidate();
                break;
            case Stop::DropLink:
                link.reset();
                break;
            }
        };
        if (stop <= Stop::DropTimerInside) {
            timer = mainQueue().scheduleRepeating(0.005, 0.001, callback);
        } else {
            link = mainQueue().createDisplayLink(1, callback);
            link->setPreferredFrameRate(120);
        }
        ASSERT_TRUE(runUntil([&] { return fired >= 2; }));
        if (stop == Stop::CancelTimer)
            timer->cancel();
        runFor(60);
        EXPECT_EQ(fired, 2);
        EXPECT_TRUE(allOnMain);
        if (timer) {
            EXPECT_FALSE(asQt(timer).isActive());
        }
        if (link) {
            EXPECT_FALSE(asQt(link).isTimerActive());
        }
    }
    // When a repeating timer fires is Qt's; ours is that only a leeway that covers a coarse
    // timer's error lets it be coarse.
    EXPECT_EQ(asQt(mainQueue().scheduleRepeating(0.05, 0, [] { })).timerType(), Qt::PreciseTimer);
    EXPECT_EQ(asQt(mainQueue().scheduleRepeating(0.2, 0.04, [] { })).timerType(), Qt::CoarseTimer);
}

TEST_F(QtRunLoopTest, DisplayLinkRunsAtSixtyHertzPausesResumesAndStopsForGoodWhenInvalidated)
{
    int frames = 0;
    DisplayLinkPtr link = mainQueue().createDisplayLink(1, [&] { ++frames; });
    ASSERT_NE(link, nullptr);
    EXPECT_FALSE(link->isPaused());
    EXPECT_DOUBLE_EQ(asQt(link).frameInterval(), 1.0 / 60);
    ASSERT_TRUE(runUntil([&] { return frames >= 2; }));

    link->setPaused(true);
    EXPECT_TRUE(link->isPaused());
    EXPECT_FALSE(asQt(link).isTimerActive());
    int atPause = frames;
    runFor(80);
    EXPECT_EQ(frames, atPause);
    link->setPaused(false);
    EXPECT_TRUE(asQt(link).isTimerActive());
    ASSERT_TRUE(runUntil([&] { return frames >= atPause + 2; }));

    link->invalidate();
    int atInvalidation = frames;
    // Nothing brings it back.
    link->setPaused(true);
    link->setPaused(false);
    link->setPreferredFrameRate(120);
    EXPECT_FALSE(asQt(link).isTimerActive());
    runFor(80);
    EXPECT_EQ(frames, atInvalidation);
}

TEST_F(QtRunLoopTest, ReRatedDisplayLinkPacesFramesAtTheNewRateUpToTheDisplays)
{
    int frames = 0;
    DisplayLinkPtr link = mainQueue().createDisplayLink(1, [&] { ++frames; });
    link->setPreferredFrameRate(30);
    EXPECT_DOUBLE_EQ(asQt(link).frameInterval(), 1.0 / 30);
    ASSERT_TRUE(runUntil([&] { return frames >= 1; }));
    link->setPreferredFrameRate(120);
    EXPECT_DOUBLE_EQ(asQt(link).frameInterval(), 1.0 / 120);
    EXPECT_TRUE(asQt(link).isTimerActive());
    int atReRate = frames;
    ASSERT_TRUE(runUntil([&] { return frames >= atReRate + 3; }));
    // Zero asks for the display's own rate again; wild rates are bounded.
    link->setPreferredFrameRate(0);
    EXPECT_DOUBLE_EQ(asQt(link).frameInterval(), 1.0 / 60);
    link->setPreferredFrameRate(100000);
    EXPECT_GT(asQt(link).frameInterval(), 0.001);

    // A display that refreshes 30 times a second; none for an unknown display.
    m_loop->setDisplayRefreshRate([](DisplayID display) -> std::optional<double> {
        if (display == 1)
            return 30;
        return std::nullopt;
    });
    EXPECT_EQ(mainQueue().createDisplayLink(7, [] { }), nullptr);
    DisplayLinkPtr slow = mainQueue().createDisplayLink(1, [] { });
    ASSERT_NE(slow, nullptr);
    EXPECT_DOUBLE_EQ(asQt(slow).frameInterval(), 1.0 / 30);
    slow->setPreferredFrameRate(120); // a display cannot refresh faster than it does
    EXPECT_DOUBLE_EQ(asQt(slow).frameInterval(), 1.0 / 30);
    slow->setPreferredFrameRate(10);
    EXPECT_DOUBLE_EQ(asQt(slow).frameInterval(), 1.0 / 10);
}

TEST_F(QtRunLoopTest, NothingQueuedRunsOnceTheLoopIsGoneAndItsHandlesAreHarmless)
{
    int fired = 0;
    RepeatingTimerPtr timer = mainQueue().scheduleRepeating(0.005, 0.001, [&] { ++fired; });
    DisplayLinkPtr link = mainQueue().createDisplayLink(1, [&] { ++fired; });
    DisplayLinkPtr pausedLink = mainQueue().createDisplayLink(1, [&] { ++fired; });
    pausedLink->setPaused(true);
    mainQueue().after(0.005, [&] { ++fired; });
    mainQueue().async([&] { ++fired; });
    m_loop.reset();
    runFor(60);
    EXPECT_EQ(fired, 0);
    EXPECT_FALSE(asQt(timer).isActive());
    EXPECT_FALSE(asQt(link).isTimerActive());
    // Every handle call on a dead loop does nothing (the sanitizer build checks for dangling
    // access here).
    link->setPreferredFrameRate(120);
    link->setPaused(true);
    link->setPaused(false);
    EXPECT_TRUE(pausedLink->isPaused());
    timer->cancel();
    link->invalidate();
    timer.reset();
    link.reset();
    pausedLink.reset();
    runFor(20);
    EXPECT_EQ(fired, 0);
}

TEST_F(QtRunLoopTest, TimersAndFramesRunOnTheEnginesMediaClock)
{
    // Qt's timers count on the monotonic clock; the engine's media time must be that clock,
    // read here between two readings of Qt's.
    QElapsedTimer before;
    before.start();
    const double media = m_loop->clock().mediaTime();
    QElapsedTimer after;
    after.start();
    const qint64 qtBefore = before.msecsSinceReference();
    const qint64 qtAfter = after.msecsSinceReference();
    ASSERT_EQ(QElapsedTimer::clockType(), QElapsedTimer::MonotonicClock);
    EXPECT_GE(media * 1000, static_cast<double>(qtBefore) - 1);
    EXPECT_LE(media * 1000, static_cast<double>(qtAfter) + 1);
}

} // namespace
} // namespace talvora::qt
