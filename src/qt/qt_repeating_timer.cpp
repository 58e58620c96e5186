#include "qt/qt_repeating_timer.h"

#include "qt/timer_policy.h"

namespace talvora::qt {

QtRepeatingTimer::QtRepeatingTimer(QObject* owner, double interval, double leeway, std::function<void()> fire)
    : m_intervalMilliseconds(qt::intervalMilliseconds(interval))
    , m_type(timerTypeFor(interval, leeway))
{
    auto* timer = new QTimer(owner);
    timer->setTimerType(m_type);
    timer->setInterval(m_intervalMilliseconds);
    // The callback lives in the connection, which lives as long as the QTimer; the QTimer is
    // deleted only later (see cancel), so a callback that drops its own handle keeps running
    // safely to its end.
    QObject::connect(timer, &QTimer::timeout, timer, [fire = std::move(fire)] { fire(); });
    // Qt schedules each firing from the previous one's due time, so the timer does not drift.
    timer->start();
    m_timer = timer;
}

QtRepeatingTimer::~QtRepeatingTimer()
{
    cancel();
}

void QtRepeatingTimer::cancel()
{
    if (!m_timer)
        return; // cancelled already, or the loop is gone and took the timer with it
    // Stopping takes the timer out of the event dispatcher at once, so no firing follows, even
    // when this runs inside the timer's own callback; deleting it is left to the event loop
    // because that callback may still be on the stack.
    m_timer->stop();
    m_timer->deleteLater();
    m_timer = nullptr;
}

} // namespace talvora::qt
