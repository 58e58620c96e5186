#include "qt/qt_display_link.h"

#include "qt/frame_pacer.h"

#include <algorithm>
#include <cmath>

namespace talvora::qt {

namespace {

// The rate of a display whose own rate is not known: what most displays refresh at.
constexpr double kDefaultRate = 60;
// A ceiling for a display of unknown rate, so that a wild request cannot spin the main thread.
constexpr double kFastestRate = 240;
constexpr double kSlowestRate = 1;

} // namespace

QtDisplayLink::QtDisplayLink(QObject* owner, std::optional<double> displayRate, std::function<void()> frame)
    : m_displayRate(displayRate)
    , m_frameInterval(1.0 / displayRate.value_or(kDefaultRate))
{
    m_pacer = new FramePacer(owner, m_frameInterval, std::move(frame));
}

QtDisplayLink::~QtDisplayLink()
{
    invalidate();
}

double QtDisplayLink::frameInterval() const
{
    return m_pacer ? m_pacer->period() : m_frameInterval;
}

bool QtDisplayLink::isTimerActive() const
{
    return m_pacer && m_pacer->isTimerActive();
}

void QtDisplayLink::setPreferredFrameRate(float hz)
{
    double rate = hz;
    // Zero (or nonsense) asks for the display's own rate, as it does of a CADisplayLink.
    if (!std::isfinite(rate) || rate <= 0)
        rate = m_displayRate.value_or(kDefaultRate);
    double ceiling = m_displayRate.value_or(kFastestRate);
    rate = std::clamp(rate, std::min(kSlowestRate, ceiling), ceiling);
    m_frameInterval = 1.0 / rate;
    if (m_pacer)
        m_pacer->setPeriod(m_frameInterval);
}

void QtDisplayLink::setPaused(bool paused)
{
    if (!m_pacer)
        return; // invalidated, or the loop is gone: a dead link stays as it was
    m_paused = paused;
    m_pacer->setPaused(paused);
}

void QtDisplayLink::invalidate()
{
    if (!m_pacer)
        return;
    m_pacer->invalidate();
    // This may run inside the link's own frame callback, which the pacer holds.
    m_pacer->deleteLater();
    m_pacer = nullptr;
}

} // namespace talvora::qt
