#pragma once

#include "platform/clock.h"

namespace talvora::vmac {

// Virtual time: it moves only when told to. The media clock starts at a boot time of a few
// hundred seconds (a fresh Mac is never at 0) and the wall clock at a fixed date, so runs are
// reproducible.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(double bootMediaTime = 300.0, Date startDate = Date { 1796572800.0 }, int utcOffsetSeconds = 0)
        : m_media(bootMediaTime)
        , m_wallAtBoot(startDate)
        , m_mediaAtBoot(bootMediaTime)
        , m_utcOffset(utcOffsetSeconds)
    {
    }

    // Moves both clocks forward by the same number of seconds (never backwards).
    void advance(double seconds)
    {
        if (seconds > 0)
            m_media += seconds;
    }
    void advanceTo(double mediaTime)
    {
        if (mediaTime > m_media)
            m_media = mediaTime;
    }
    // A jump of the wall clock alone, as when the user changes the date.
    void shiftWallClock(double seconds) { m_wallAtBoot = m_wallAtBoot.addingSeconds(seconds); }

private:
    // Clock:
    double mediaTime() const override { return m_media; }
    Date now() const override { return m_wallAtBoot.addingSeconds(m_media - m_mediaAtBoot); }
    int localUtcOffsetSeconds(Date) const override { return m_utcOffset; }

    double m_media;
    Date m_wallAtBoot;
    double m_mediaAtBoot;
    int m_utcOffset;
};

} // namespace talvora::vmac
