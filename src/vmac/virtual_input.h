#pragma once

#include "platform/input.h"

#include <functional>
#include <memory>
#include <vector>

namespace talvora::vmac {

// The user's input as other applications receive it, and this process's Accessibility trust.
// Global monitors see events delivered to other applications; key events reach them only
// while the process is trusted for Accessibility, as on a Mac.
class VirtualInput final : public EventMonitors, public Accessibility {
public:
    void setTrusted(bool trusted) { m_trusted = trusted; }
    // The platform may refuse to install a global monitor.
    void setRefusesMonitors(bool refuses) { m_refuses = refuses; }
    // A user event somewhere on the desktop.
    void postEvent(EventType type);
    int liveGlobalMonitors() const;
    std::uint64_t lastMonitorMask() const { return m_lastMask; }

private:
    // EventMonitors:
    ObserverTokenPtr addGlobalMonitor(std::uint64_t mask, std::function<void(EventType)> handler) override;
    // Accessibility:
    bool isProcessTrusted() override { return m_trusted; }

    struct Monitor {
        std::uint64_t mask;
        std::function<void(EventType)> handler;
    };
    std::vector<std::weak_ptr<Monitor>> m_monitors;
    bool m_trusted = false;
    bool m_refuses = false;
    std::uint64_t m_lastMask = 0;
};

} // namespace talvora::vmac
