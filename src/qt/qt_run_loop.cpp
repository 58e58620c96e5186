#include "qt/qt_run_loop.h"

#include "qt/qt_display_link.h"
#include "qt/qt_repeating_timer.h"
#include "qt/timer_policy.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <stdexcept>

namespace talvora::qt {

QtRunLoop::QtRunLoop()
    : m_context(std::make_unique<QObject>())
{
    auto* app = QCoreApplication::instance();
    if (!app)
        throw std::logic_error("QtRunLoop needs a QCoreApplication");
    if (app->thread() != QThread::currentThread())
        throw std::logic_error("QtRunLoop must be made on the thread that owns the QCoreApplication");
}

QtRunLoop::~QtRunLoop() = default;

bool QtRunLoop::onOwnThread() const
{
    return m_context->thread() == QThread::currentThread();
}

void QtRunLoop::async(std::function<void()> work)
{
    // A queued call is a posted event: thread-safe, and delivered after everything posted
    // before it.
    QMetaObject::invokeMethod(m_context.get(), std::move(work), Qt::QueuedConnection);
}

void QtRunLoop::after(double seconds, std::function<void()> work)
{
    if (!onOwnThread()) {
        // A timer can only be started on its own thread.
        async([this, seconds, work = std::move(work)]() mutable { after(seconds, std::move(work)); });
        return;
    }
    // A zero delay is queued like `async`, so it keeps its place behind earlier work.
    QTimer::singleShot(delayMilliseconds(seconds), Qt::PreciseTimer, m_context.get(), std::move(work));
}

RepeatingTimerPtr QtRunLoop::scheduleRepeating(double interval, double leeway, std::function<void()> fire)
{
    return std::make_unique<QtRepeatingTimer>(m_context.get(), interval, leeway, std::move(fire));
}

DisplayLinkPtr QtRunLoop::createDisplayLink(DisplayID display, std::function<void()> frame)
{
    std::optional<double> rate;
    if (m_refreshRate) {
        rate = m_refreshRate(display);
        if (!rate || !(*rate > 0))
            return nullptr;
    }
    return std::make_unique<QtDisplayLink>(m_context.get(), rate, std::move(frame));
}

} // namespace talvora::qt
