#include "qt/frame_pacer.h"

#include "qt/timer_policy.h"
#include "vmac/system_clock.h"

#include <QTimerEvent>

namespace talvora::qt {

namespace {

// The same media clock the engine reads, so that frame deadlines and engine times agree.
double mediaTime()
{
    return vmac::SystemClock().mediaTime();
}

} // namespace

FramePacer::FramePacer(QObject* parent, double period, std::function<void()> frame)
    : QObject(parent)
    , m_frame(std::move(frame))
    , m_period(period)
{
    armFromNow();
}

void FramePacer::setPeriod(double period)
{
    if (period == m_period)
        return; // the engine re-states its rate often; the phase must not slip each time
    m_period = period;
    if (!m_paused && !m_invalid)
        armFromNow();
}

void FramePacer::setPaused(bool paused)
{
    if (m_invalid || paused == m_paused)
        return;
    m_paused = paused;
    if (paused)
        m_timer.stop();
    else
        armFromNow();
}

void FramePacer::invalidate()
{
    m_invalid = true;
    m_timer.stop();
    // The callback is kept: this may be running inside it. It goes with the pacer.
}

void FramePacer::armFromNow()
{
    m_deadline = mediaTime() + m_period;
    arm();
}

void FramePacer::arm()
{
    // Precise: frames are asked for at an exact rate, and a coarse timer's 5 % would show.
    m_timer.start(delayMilliseconds(m_deadline - mediaTime()), Qt::PreciseTimer, this);
}

void FramePacer::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    if (m_invalid || m_paused) {
        m_timer.stop();
        return;
    }
    // Armed before the frame runs, so that a frame that pauses, re-rates or invalidates the
    // link has the last word.
    m_deadline = nextFrameDeadline(m_deadline, m_period, mediaTime());
    arm();
    m_frame();
}

} // namespace talvora::qt
