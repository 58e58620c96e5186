#pragma once

#include "platform/run_loop.h"

#include <QPointer>

#include <functional>
#include <optional>

namespace talvora::qt {

class FramePacer;

// A display link on Qt's event loop. A headless session has no vertical sync to follow, so the
// frames are paced by a precise timer at the requested rate. The handle only holds a guarded
// pointer to the pacer, which the run loop's context object owns, so it may outlive the loop.
class QtDisplayLink final : public DisplayLink {
public:
    // `displayRate` is the display's refresh rate when known: the link starts at it and is
    // never faster. Without it the link starts at 60 Hz.
    QtDisplayLink(QObject* owner, std::optional<double> displayRate, std::function<void()> frame);
    ~QtDisplayLink() override;

    // Seconds between the frames the pacer delivers (the last requested rate once the link is
    // dead).
    double frameInterval() const;
    // Whether the pacing timer is armed; a paused or invalidated link has no timer and costs no
    // wake-ups.
    bool isTimerActive() const;

private:
    // DisplayLink:
    void setPreferredFrameRate(float hz) override;
    void setPaused(bool paused) override;
    bool isPaused() const override { return m_paused; }
    void invalidate() override;

    QPointer<FramePacer> m_pacer;
    std::optional<double> m_displayRate;
    double m_frameInterval;
    bool m_paused = false;
};

} // namespace talvora::qt
