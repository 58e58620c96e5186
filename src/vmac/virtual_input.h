#pragma once

#include "platform/input.h"
#include "platform/pointer.h"

#include <functional>
#include <memory>
#include <vector>

namespace talvora::vmac {

// The user's input as other applications receive it, the pointer, and this process's
// Accessibility trust. Global monitors see events delivered to other applications; key events
// reach them only while the process is trusted for Accessibility, as on a Mac.
class VirtualInput final : public EventMonitors, public Accessibility, public Pointer {
public:
    // AppKit global coordinates, as mouseLocation reports them.
    void movePointer(Point location) { m_pointer = location; }
    Point pointerLocation() const { return m_pointer; }
    CursorKind cursor() const { return m_cursor; }
    int cursorChanges() const { return m_cursorChanges; }
    void setDoubleClickInterval(double seconds) { m_doubleClickInterval = seconds; }

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
    // Pointer:
    Point mouseLocation() override { return m_pointer; }
    double doubleClickInterval() override { return m_doubleClickInterval; }
    void setCursor(CursorKind cursor) override
    {
        m_cursor = cursor;
        ++m_cursorChanges;
    }

    struct Monitor {
        std::uint64_t mask;
        std::function<void(EventType)> handler;
    };
    std::vector<std::weak_ptr<Monitor>> m_monitors;
    bool m_trusted = false;
    bool m_refuses = false;
    std::uint64_t m_lastMask = 0;
    Point m_pointer;
    CursorKind m_cursor = CursorKind::Arrow;
    int m_cursorChanges = 0;
    double m_doubleClickInterval = 0.5; // the system's default
};

} // namespace talvora::vmac
