#pragma once

#include "platform/run_loop.h"

#include <QPointer>
#include <QTimer>

#include <functional>

namespace talvora::qt {

// A repeating main-queue timer on a QTimer owned by the run loop's context object. The handle
// only holds a guarded pointer, so it may outlive the loop: once the loop is gone it does
// nothing.
class QtRepeatingTimer final : public RepeatingTimer {
public:
    QtRepeatingTimer(QObject* owner, double interval, double leeway, std::function<void()> fire);
    ~QtRepeatingTimer() override;

    // Whether the underlying timer is armed.
    bool isActive() const { return m_timer && m_timer->isActive(); }
    int intervalMilliseconds() const { return m_intervalMilliseconds; }
    Qt::TimerType timerType() const { return m_type; }

private:
    // RepeatingTimer:
    void cancel() override;

    QPointer<QTimer> m_timer;
    int m_intervalMilliseconds;
    Qt::TimerType m_type;
};

} // namespace talvora::qt
