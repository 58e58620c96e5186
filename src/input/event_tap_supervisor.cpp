#include "input/event_tap_supervisor.h"

#include "platform/application.h"

#include <algorithm>
#include <cstdio>

namespace talvora {

namespace {

constexpr const char* kCategory = "App";

} // namespace

EventTapSupervisor::EventTapSupervisor(OverlayViewModel& engine, Platform& platform, std::function<bool()> handleTapMouseDown)
    : m_engine(engine)
    , m_platform(platform)
    , m_handleTapMouseDown(std::move(handleTapMouseDown))
{
}

EventTapSupervisor::~EventTapSupervisor()
{
    m_lifetime.reset();
    m_watchdog.reset();
    m_observers.clear();
    if (m_tap) {
        m_tap->enable(false);
        m_tap->removeFromMainRunLoop();
        m_tap->invalidate();
    }
}

void EventTapSupervisor::log(LogLevel level, const std::string& line) { m_platform.systemLog.log(level, kCategory, line); }

void EventTapSupervisor::start()
{
    if (m_started)
        return;
    m_started = true;
    std::weak_ptr<int> alive = m_lifetime;
    RunLoop& mainQueue = m_platform.mainQueue;
    m_observers.push_back(m_platform.distributedNotifications.addObserver(kAccessibilityAPINotification, [this, alive, &mainQueue] {
        if (alive.expired())
            return;
        // A tap whose privilege is gone goes at once; anything else waits for the change to settle.
        if (m_tap && !checkPrivilege())
            removeForLostPrivilege();
        mainQueue.after(kPrivilegeSettleDelay, [this, alive] {
            if (!alive.expired())
                refreshPrivilege();
        });
    }));
    m_observers.push_back(m_platform.notifications.addObserver(kApplicationDidBecomeActiveNotification, [this, alive] {
        if (!alive.expired())
            refreshPrivilege();
    }));
    m_observers.push_back(m_platform.notifications.addObserver(kApplicationWillTerminateNotification, [this, alive] {
        if (!alive.expired())
            removeTap();
    }));
    m_watchdog = mainQueue.scheduleRepeating(kWatchdogInterval, kWatchdogTolerance, [this, alive, &mainQueue] {
        if (alive.expired())
            return;
        mainQueue.async([this, alive] {
            if (!alive.expired())
                refreshPrivilege();
        });
    });
    refreshPrivilege();
}

bool EventTapSupervisor::probePrivilege()
{
    // A tap that would filter key-downs at the tail of the stream: created only with the
    // privilege, and gone again at once.
    EventTapPortRef probe = m_platform.eventTaps.createTap(EventTapLocation::Session, EventTapPlacement::TailAppend,
        EventTapOptions::Default, cgEventMaskBit(CGEventType::KeyDown), [](CGEventType) { return TapVerdict::Pass; });
    if (!probe)
        return false;
    probe->enable(false);
    probe->invalidate();
    return true;
}

bool EventTapSupervisor::checkPrivilege()
{
    const bool granted = probePrivilege();
    if (m_lastKnownPrivilege != granted) {
        m_lastKnownPrivilege = granted;
        log(LogLevel::Debug, std::string("[tap] accessibility privilege ") + (granted ? "granted" : "absent") + " — close/minimize buttons "
                + (granted ? "available" : "inactive"));
    }
    return granted;
}

void EventTapSupervisor::removeForLostPrivilege()
{
    log(LogLevel::Error, "[tap] Accessibility privilege lost — removing tap before it stalls system input");
    removeTap();
}

void EventTapSupervisor::refreshPrivilege()
{
    const double now = m_platform.clock.mediaTime();
    forgetBackOffIfHealthy(now);
    // While Mission Control is open only a removal may happen: the installation waits for the
    // end of the visit, and without a tap there is nothing to check.
    if (m_engine.isMCActive.value() && !m_tap)
        return;
    const bool granted = checkPrivilege();
    if (!granted) {
        if (m_tap)
            removeForLostPrivilege();
        return;
    }
    if (m_tap || m_engine.isMCActive.value())
        return;
    if (m_reinstallNotBefore && now < *m_reinstallNotBefore)
        return;
    installTap();
}

void EventTapSupervisor::installTap()
{
    if (m_tap)
        return;
    auto context = std::make_shared<EventTapContext>();
    std::weak_ptr<int> alive = m_lifetime;
    std::weak_ptr<EventTapContext> weakContext = context;
    const std::uint64_t mask = cgEventMaskBit(CGEventType::LeftMouseDown) | cgEventMaskBit(CGEventType::LeftMouseUp);
    EventTapPortRef tap = m_platform.eventTaps.createTap(EventTapLocation::Session, EventTapPlacement::HeadInsert, EventTapOptions::Default,
        mask, [this, alive, weakContext](CGEventType type) {
            auto context = weakContext.lock();
            if (alive.expired() || !context)
                return TapVerdict::Pass;
            return callback(context, type);
        });
    if (!tap) {
        log(LogLevel::Error, "[tap] FAILED to create event tap — Accessibility permission likely missing; watchdog will retry");
        return;
    }
    tap->addToMainRunLoop();
    tap->enable(true);
    context->tap = tap;
    m_tap = std::move(tap);
    m_context = std::move(context);
    m_installedAt = m_platform.clock.mediaTime();
    m_reinstallNotBefore.reset();
    log(LogLevel::Debug, "[tap] CGEventTap installed at session/headInsert");
}

void EventTapSupervisor::removeTap()
{
    if (!m_tap)
        return;
    EventTapPortRef tap = std::move(m_tap);
    m_tap.reset();
    tap->enable(false);
    tap->removeFromMainRunLoop();
    tap->invalidate();
    if (m_context)
        m_context->tap.reset();
    m_context.reset();
    log(LogLevel::Debug, "[tap] CGEventTap removed");
}

TapVerdict EventTapSupervisor::callback(const std::shared_ptr<EventTapContext>& context, CGEventType type)
{
    switch (type) {
    case CGEventType::TapDisabledByTimeout:
        onTimeout(context);
        return TapVerdict::Pass;
    case CGEventType::TapDisabledByUserInput:
        if (context->tap) {
            context->tap->enable(true);
            log(LogLevel::Debug, "[tap] re-enabled after tapDisabledByUserInput");
        }
        return TapVerdict::Pass;
    case CGEventType::LeftMouseUp:
        if (context->dropsNextMouseUp) {
            context->dropsNextMouseUp = false;
            return TapVerdict::Drop;
        }
        return TapVerdict::Pass;
    case CGEventType::LeftMouseDown:
        // The engine reads the pointer itself; the event's own position is not needed.
        context->dropsNextMouseUp = m_handleTapMouseDown && m_handleTapMouseDown();
        return context->dropsNextMouseUp ? TapVerdict::Drop : TapVerdict::Pass;
    case CGEventType::KeyDown:
        return TapVerdict::Pass;
    }
    return TapVerdict::Pass;
}

void EventTapSupervisor::onTimeout(const std::shared_ptr<EventTapContext>& context)
{
    const double now = m_platform.clock.mediaTime();
    forgetBackOffIfHealthy(now);
    const std::optional<double> previous = context->lastTimeoutAt;
    context->lastTimeoutAt = now;
    if (previous && now - *previous <= kRepeatedTimeoutWindow) {
        log(LogLevel::Error, "[tap] repeated timeout — removing tap rather than re-arming it");
        // Not from inside the callback: on a later turn of the main queue.
        std::weak_ptr<int> alive = m_lifetime;
        std::weak_ptr<EventTapContext> weakContext = context;
        m_platform.mainQueue.async([this, alive, weakContext] {
            auto context = weakContext.lock();
            if (!alive.expired() && context)
                removeAfterRepeatedTimeouts(context);
        });
        return;
    }
    if (context->tap) {
        context->tap->enable(true);
        log(LogLevel::Debug, "[tap] re-enabled after tapDisabledByTimeout");
    }
}

void EventTapSupervisor::removeAfterRepeatedTimeouts(const std::shared_ptr<EventTapContext>& context)
{
    if (context != m_context)
        return; // that tap is already gone
    removeTap();
    // Each such removal in a row doubles the wait before the next installation.
    m_reinstallWait = m_reinstallWait == 0 ? kWatchdogInterval : std::min(2 * m_reinstallWait, kMaxReinstallWait);
    m_reinstallNotBefore = m_platform.clock.mediaTime() + m_reinstallWait;
    char line[128];
    std::snprintf(line, sizeof line, "[tap] backing off — next installation in %.0f s at the earliest", m_reinstallWait);
    log(LogLevel::Debug, line);
}

void EventTapSupervisor::forgetBackOffIfHealthy(double now)
{
    if (!m_tap || !m_context || m_reinstallWait == 0)
        return;
    const double healthySince = m_context->lastTimeoutAt.value_or(m_installedAt);
    if (now - healthySince >= kHealthyTapLifetime)
        m_reinstallWait = 0;
}

} // namespace talvora
