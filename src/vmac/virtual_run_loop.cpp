#include "vmac/virtual_run_loop.h"

#include <algorithm>

namespace talvora::vmac {

namespace {

constexpr double kDefaultRefreshRate = 120;

} // namespace

class VirtualTimer final : public RepeatingTimer {
public:
    VirtualTimer(VirtualRunLoop& loop, double interval, std::function<void()> fire)
        : m_loop(&loop)
        , m_loopAlive(loop.m_lifetime)
        , m_state(std::make_shared<State>(State { interval, std::move(fire), false }))
    {
        ++loop.m_liveTimers;
        m_state->start = loop.now();
        rearm(&loop, m_state, 1);
    }
    ~VirtualTimer() override { cancel(); }

    void cancel() override
    {
        if (m_state->cancelled)
            return;
        m_state->cancelled = true;
        if (!m_loopAlive.expired())
            --m_loop->m_liveTimers;
    }

private:
    struct State {
        double interval;
        std::function<void()> fire;
        bool cancelled;
        double start = 0; // firing n is due at start + n × interval: no drift, no rounding build-up
    };

    static void rearm(VirtualRunLoop* loop, std::weak_ptr<State> weak, std::uint64_t n)
    {
        auto state = weak.lock();
        loop->at(state->start + static_cast<double>(n) * state->interval, [weak, loop, n] {
            auto state = weak.lock();
            if (!state || state->cancelled)
                return;
            auto fire = state->fire; // the callback may cancel and drop this timer
            fire();
            if (!state->cancelled)
                rearm(loop, weak, n + 1);
        });
    }

    VirtualRunLoop* m_loop;
    std::weak_ptr<int> m_loopAlive;
    std::shared_ptr<State> m_state;
};

class VirtualDisplayLink final : public DisplayLink {
public:
    VirtualDisplayLink(VirtualRunLoop& loop, double displayRate, std::function<void()> frame)
        : m_loop(&loop)
        , m_loopAlive(loop.m_lifetime)
        , m_state(std::make_shared<State>())
    {
        m_state->displayRate = displayRate;
        m_state->rate = displayRate;
        m_state->frame = std::move(frame);
        ++loop.m_liveLinks;
        schedule();
    }
    ~VirtualDisplayLink() override { invalidate(); }

private:
    struct State {
        double displayRate = kDefaultRefreshRate;
        double rate = kDefaultRefreshRate;
        bool paused = false;
        bool invalid = false;
        std::uint64_t generation = 0; // a frame scheduled before a pause or re-rate is dropped
        double phaseStart = 0; // frame n of this generation is due at phaseStart + n / rate
        std::function<void()> frame;
    };

    // DisplayLink:
    void setPreferredFrameRate(float hz) override
    {
        if (m_state->invalid)
            return;
        // A display cannot refresh faster than it does.
        m_state->rate = std::clamp(static_cast<double>(hz), 1.0, m_state->displayRate);
        schedule();
    }
    void setPaused(bool paused) override
    {
        if (m_state->invalid || m_state->paused == paused)
            return;
        m_state->paused = paused;
        schedule();
    }
    bool isPaused() const override { return m_state->paused; }
    void invalidate() override
    {
        if (m_state->invalid)
            return;
        m_state->invalid = true;
        ++m_state->generation;
        if (!m_loopAlive.expired())
            --m_loop->m_liveLinks;
    }

    void schedule()
    {
        ++m_state->generation;
        if (m_state->paused || m_state->invalid || m_loopAlive.expired())
            return;
        m_state->phaseStart = m_loop->now();
        scheduleFrame(m_loop, m_state, 1);
    }
    static void scheduleFrame(VirtualRunLoop* loop, const std::shared_ptr<State>& state, std::uint64_t n)
    {
        std::weak_ptr<State> weak = state;
        const std::uint64_t generation = state->generation;
        loop->at(state->phaseStart + static_cast<double>(n) / state->rate, [weak, loop, generation, n] {
            auto s = weak.lock();
            if (!s || s->generation != generation || s->paused || s->invalid)
                return;
            scheduleFrame(loop, s, n + 1);
            auto frame = s->frame;
            frame();
        });
    }

    VirtualRunLoop* m_loop;
    std::weak_ptr<int> m_loopAlive;
    std::shared_ptr<State> m_state;
};

void VirtualRunLoop::async(std::function<void()> work)
{
    after(0, std::move(work));
}

void VirtualRunLoop::after(double seconds, std::function<void()> work)
{
    at(now() + (seconds > 0 ? seconds : 0), std::move(work));
}

void VirtualRunLoop::at(double mediaTime, std::function<void()> work)
{
    m_queue.emplace(Key { std::max(mediaTime, now()), m_sequence++ }, std::move(work));
}

RepeatingTimerPtr VirtualRunLoop::scheduleRepeating(double interval, double, std::function<void()> fire)
{
    // A non-positive interval would fire forever at one instant; one millisecond is the floor.
    return std::make_unique<VirtualTimer>(*this, std::max(interval, 0.001), std::move(fire));
}

DisplayLinkPtr VirtualRunLoop::createDisplayLink(DisplayID display, std::function<void()> frame)
{
    std::optional<double> rate = kDefaultRefreshRate;
    if (m_refreshRate)
        rate = m_refreshRate(display);
    if (!rate || !(*rate > 0))
        return nullptr;
    return std::make_unique<VirtualDisplayLink>(*this, *rate, std::move(frame));
}

void VirtualRunLoop::runUntil(double mediaTime)
{
    while (!m_queue.empty() && m_queue.begin()->first.first <= mediaTime) {
        auto node = m_queue.extract(m_queue.begin());
        m_clock.advanceTo(node.key().first);
        node.mapped()();
    }
    m_clock.advanceTo(mediaTime);
}

} // namespace talvora::vmac
