#pragma once

#include <QBasicTimer>
#include <QObject>

#include <functional>

namespace talvora::qt {

// Delivers a frame callback every `period` seconds of the media clock on the thread that owns
// it. Each frame is due at a fixed phase (a whole number of periods after the pacer started or
// was re-rated), and the timer is armed for one frame at a time, so the average rate is the
// requested one although Qt counts in whole milliseconds.
class FramePacer final : public QObject {
public:
    FramePacer(QObject* parent, double period, std::function<void()> frame);

    // Re-phases to one new period from now when running.
    void setPeriod(double period);
    // Stops or restarts the timer; a paused pacer arms no timer at all.
    void setPaused(bool paused);
    // Stops for good: no frame runs after this, even one already due.
    void invalidate();
    bool isTimerActive() const { return m_timer.isActive(); }
    double period() const { return m_period; }

private:
    void timerEvent(QTimerEvent* event) override;
    void armFromNow();
    void arm();

    QBasicTimer m_timer;
    std::function<void()> m_frame;
    double m_period;
    double m_deadline = 0; // media time of the next frame
    bool m_paused = false;
    bool m_invalid = false;
};

} // namespace talvora::qt
