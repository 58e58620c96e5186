#include "qt/qt_display_link.h"
#include "qt/qt_repeating_timer.h"
#include "qt/qt_run_loop.h"
#include "qt_event_loop_fixture.h"
#include "vmac/system_clock.h"

#include <QElapsedTimer>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace talvora::qt {
namespace {

using test_support::QtEventLoopTest;

class QtRunLoopTest : public QtEventLoopTest {
protected:
    RunLoop& mainQueue() { return *m_loop; }

    QtDisplayLink& asQt(const DisplayLinkPtr& link) { return dynamic_cast<QtDisplayLink&>(*link); }
    QtRepeatingTimer& asQt(const RepeatingTimerPtr& timer) { return dynamic_cast<QtRepeatingTimer&>(*timer); }

    std::unique_ptr<QtRunLoop> m_loop = std::make_unique<QtRunLoop>();
    const std::thread::id m_mainThread = std::this_thread::get_id();
};

TEST_F(QtRunLoopTest, AsyncWorkRunsInOrderOnTheMainThreadAfterWhatIsQueued)
{
    std::vector<int> order;
    bool allOnMain = true;
    mainQueue().async([&] {
        order.push_back(1);
        // Queued from inside the queue: it goes behind what was queued before.
        mainQueue().async([&] { order.push_back(4); });
    });
    mainQueue().async([&] { order.push_back(2); });
    mainQueue().async([&] {
        order.push_back(3);
        allOnMain = allOnMain && onMainThread() && std::this_thread::get_id() == m_mainThread;
    });
    EXPECT_TRUE(order.empty()); // nothing runs synchronously
    ASSERT_TRUE(runUntil([&] { return order.size() == 4; }));
    EXPECT_EQ(order, (std::vector<int> { 1, 2, 3, 4 }));
    EXPECT_TRUE(allOnMain);
}

TEST_F(QtRunLoopTest, WorkQueuedFromAnotherThreadRunsOnceOnTheMainThread)
{
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

TEST_F(QtRunLoopTest, AfterRunsWorkInTheOrderItIsDue)
{
    std::vector<std::string> order;
    mainQueue().after(0.06, [&] { order.push_back("later"); });
    mainQueue().after(0.005, [&] { order.push_back("sooner"); });
    mainQueue().after(0, [&] { order.push_back("zero"); });
    mainQueue().async([&] { order.push_back("async"); });
    ASSERT_TRUE(runUntil([&] { return order.size() == 4; }));
    // A zero delay keeps its place in the queue, before work queued after it.
    EXPECT_EQ(order, (std::vector<std::string> { "zero", "async", "sooner", "later" }));
}

TEST_F(QtRunLoopTest, AfterNeverFiresOnceTheLoopIsGone)
{
    bool fired = false;
    bool queued = false;
    mainQueue().after(0.005, [&] { fired = true; });
    mainQueue().async([&] { queued = true; });
    m_loop.reset();
    runFor(60);
    EXPECT_FALSE(fired);
    EXPECT_FALSE(queued);
}

TEST_F(QtRunLoopTest, RepeatingTimerFiresUntilCancelled)
{
    int fired = 0;
    bool allOnMain = true;
    RepeatingTimerPtr timer = mainQueue().scheduleRepeating(0.005, 0.001, [&] {
        ++fired;
        allOnMain = allOnMain && std::this_thread::get_id() == m_mainThread;
    });
    ASSERT_TRUE(runUntil([&] { return fired >= 3; }));
    timer->cancel();
    EXPECT_FALSE(asQt(timer).isActive());
    int atCancel = fired;
    runFor(60);
    EXPECT_EQ(fired, atCancel);
    EXPECT_TRUE(allOnMain);
}

TEST_F(QtRunLoopTest, RepeatingTimerCancelledOrDroppedFromItsOwnCallbackFiresNoMore)
{
    for (bool drop : { false, true }) {
        int fired = 0;
        RepeatingTimerPtr timer;
        timer = mainQueue().scheduleRepeating(0.005, 0.001, [&] {
            if (++fired == 2) {
                if (drop)
                    timer.reset(); // destroys the handle while its callback runs
                else
                    timer->cancel();
            }
        });
        ASSERT_TRUE(runUntil([&] { return fired >= 2; }));
        runFor(60);
        EXPECT_EQ(fired, 2) << drop;
    }
}

TEST_F(QtRunLoopTest, RepeatingTimerFirstFiresOneIntervalAfterSetUp)
{
    const double interval = 0.05;
    vmac::SystemClock clock;
    double setUpAt = clock.mediaTime();
    double firstAt = 0;
    bool queuedWorkRan = false;
    bool queuedWorkRanFirst = false;
    RepeatingTimerPtr timer = mainQueue().scheduleRepeating(interval, 0, [&] {
        if (firstAt == 0) {
            firstAt = clock.mediaTime();
            queuedWorkRanFirst = queuedWorkRan;
        }
    });
    mainQueue().async([&] { queuedWorkRan = true; });
    ASSERT_TRUE(runUntil([&] { return firstAt > 0; }));
    EXPECT_TRUE(queuedWorkRanFirst);
    // Not before its interval (a precise timer is never early; the slack is Qt's rounding to
    // whole milliseconds). How late it is depends on the machine and is not asserted.
    EXPECT_GE(firstAt - setUpAt, interval - 0.001);
}

TEST_F(QtRunLoopTest, RepeatingTimerIsCoarseOnlyWhenItsLeewayAllows)
{
    RepeatingTimerPtr relaxed = mainQueue().scheduleRepeating(0.2, 0.04, [] { });
    RepeatingTimerPtr strict = mainQueue().scheduleRepeating(0.2, 0, [] { });
    RepeatingTimerPtr tight = mainQueue().scheduleRepeating(0.2, 0.005, [] { });
    EXPECT_EQ(asQt(relaxed).timerType(), Qt::CoarseTimer);
    EXPECT_EQ(asQt(strict).timerType(), Qt::PreciseTimer);
    EXPECT_EQ(asQt(tight).timerType(), Qt::PreciseTimer);
    EXPECT_EQ(asQt(relaxed).intervalMilliseconds(), 200);
    EXPECT_TRUE(asQt(relaxed).isActive());
}

TEST_F(QtRunLoopTest, DisplayLinkDeliversFramesOnTheMainThreadAtSixtyHertzByDefault)
{
    int frames = 0;
    bool allOnMain = true;
    DisplayLinkPtr link = mainQueue().createDisplayLink(1, [&] {
        ++frames;
        allOnMain = allOnMain && std::this_thread::get_id() == m_mainThread;
    });
    ASSERT_NE(link, nullptr);
    EXPECT_FALSE(link->isPaused());
    EXPECT_DOUBLE_EQ(asQt(link).frameInterval(), 1.0 / 60);
    ASSERT_TRUE(runUntil([&] { return frames >= 3; }));
    EXPECT_TRUE(allOnMain);
}

TEST_F(QtRunLoopTest, PausedDisplayLinkHasNoTimerAndResumesWhenUnpaused)
{
    int frames = 0;
    DisplayLinkPtr link = mainQueue().createDisplayLink(1, [&] { ++frames; });
    link->setPreferredFrameRate(120);
    ASSERT_TRUE(runUntil([&] { return frames >= 2; }));

    link->setPaused(true);
    EXPECT_TRUE(link->isPaused());
    EXPECT_FALSE(asQt(link).isTimerActive());
    int atPause = frames;
    runFor(80);
    EXPECT_EQ(frames, atPause);

    link->setPaused(false);
    EXPECT_FALSE(link->isPaused());
    EXPECT_TRUE(asQt(link).isTimerActive());
    ASSERT_TRUE(runUntil([&] { return frames >= atPause + 2; }));
}

TEST_F(QtRunLoopTest, ReRatedDisplayLinkPacesFramesAtTheNewRate)
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
}

TEST_F(QtRunLoopTest, InvalidatedDisplayLinkStopsForGood)
{
    int frames = 0;
    DisplayLinkPtr link = mainQueue().createDisplayLink(1, [&] { ++frames; });
    link->setPreferredFrameRate(120);
    ASSERT_TRUE(runUntil([&] { return frames >= 1; }));
    link->invalidate();
    int atInvalidation = frames;
    // Nothing brings it back.
    link->setPaused(true);
    link->setPaused(false);
    link->setPreferredFrameRate(60);
    EXPECT_FALSE(asQt(link).isTimerActive());
    runFor(80);
    EXPECT_EQ(frames, atInvalidation);
}

TEST_F(QtRunLoopTest, DisplayLinkPausedInvalidatedOrDroppedFromItsOwnFrameRunsNoMoreFrames)
{
    int pausedFrames = 0;
    int invalidatedFrames = 0;
    int droppedFrames = 0;
    DisplayLinkPtr paused;
    DisplayLinkPtr invalidated;
    DisplayLinkPtr dropped;
    paused = mainQueue().createDisplayLink(1, [&] {
        if (++pausedFrames == 2)
            paused->setPaused(true);
    });
    invalidated = mainQueue().createDisplayLink(1, [&] {
        if (++invalidatedFrames == 2)
            invalidated->invalidate();
    });
    dropped = mainQueue().createDisplayLink(1, [&] {
        if (++droppedFrames == 2)
            dropped.reset();
    });
    for (auto* link : { &paused, &invalidated, &dropped })
        (*link)->setPreferredFrameRate(120);
    ASSERT_TRUE(runUntil([&] { return pausedFrames >= 2 && invalidatedFrames >= 2 && droppedFrames >= 2; }));
    runFor(60);
    EXPECT_EQ(pausedFrames, 2);
    EXPECT_FALSE(asQt(paused).isTimerActive());
    EXPECT_EQ(invalidatedFrames, 2);
    EXPECT_EQ(droppedFrames, 2);
}

TEST_F(QtRunLoopTest, DisplayLinksFollowTheDisplaysRefreshRates)
{
    m_loop->setDisplayRefreshRate([](DisplayID display) -> std::optional<double> {
        if (display == 1)
            return 30;
        return std::nullopt;
    });
    EXPECT_EQ(mainQueue().createDisplayLink(7, [] { }), nullptr);
    DisplayLinkPtr link = mainQueue().createDisplayLink(1, [] { });
    ASSERT_NE(link, nullptr);
    EXPECT_DOUBLE_EQ(asQt(link).frameInterval(), 1.0 / 30);
    link->setPreferredFrameRate(120); // a display cannot refresh faster than it does
    EXPECT_DOUBLE_EQ(asQt(link).frameInterval(), 1.0 / 30);
    link->setPreferredFrameRate(10);
    EXPECT_DOUBLE_EQ(asQt(link).frameInterval(), 1.0 / 10);
}

TEST_F(QtRunLoopTest, HandlesOutlivingTheLoopAreHarmless)
{
    int fired = 0;
    RepeatingTimerPtr timer = mainQueue().scheduleRepeating(0.005, 0.001, [&] { ++fired; });
    DisplayLinkPtr link = mainQueue().createDisplayLink(1, [&] { ++fired; });
    DisplayLinkPtr pausedLink = mainQueue().createDisplayLink(1, [&] { ++fired; });
    pausedLink->setPaused(true);
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
