#pragma once

#include "platform/input.h"
#include "platform/pointer.h"
#include "vmac/virtual_accessibility.h"

#include <functional>
#include <memory>
#include <vector>

namespace talvora::vmac {

// The user's input as other applications receive it, the pointer, and the monitors of this
// process's own events. Global monitors see events delivered to other applications; key events
// reach them only while the process is trusted for Accessibility, as on a Mac. Local monitors
// see the events delivered to this process's own windows, first installed first, and may
// swallow them.
class VirtualInput final : public EventMonitors, public Pointer {
public:
    explicit VirtualInput(const VirtualAccessibility& accessibility)
        : m_accessibility(accessibility)
    {
    }

    // AppKit global coordinates, as mouseLocation reports them.
    void movePointer(Point location) { m_pointer = location; }
    Point pointerLocation() const { return m_pointer; }
    CursorKind cursor() const { return m_cursor; }
    int cursorChanges() const { return m_cursorChanges; }
    void setDoubleClickInterval(double seconds) { m_doubleClickInterval = seconds; }

    // The platform may refuse to install a global monitor.
    void setRefusesMonitors(bool refuses) { m_refuses = refuses; }
    // A user event somewhere on the desktop.
    void postEvent(EventType type);
    int liveGlobalMonitors() const;
    // An event for one of this process's windows, through its local monitors: the event the
    // window receives, or nothing when a monitor swallowed it.
    std::optional<LocalEvent> deliverLocal(const LocalEvent& event);
    int liveLocalMonitors() const;
    std::uint64_t lastMonitorMask() const { return m_lastMask; }

private:
    // EventMonitors:
    ObserverTokenPtr addGlobalMonitor(std::uint64_t mask, std::function<void(EventType)> handler) override;
    ObserverTokenPtr addLocalMonitor(std::uint64_t mask, LocalMonitorHandler handler) override;
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
    struct LocalMonitor {
        std::uint64_t mask;
        LocalMonitorHandler handler;
    };
    const VirtualAccessibility& m_accessibility;
    std::vector<std::weak_ptr<Monitor>> m_monitors;
    std::vector<std::weak_ptr<LocalMonitor>> m_localMonitors;
    bool m_refuses = false;
    std::uint64_t m_lastMask = 0;
    Point m_pointer;
    CursorKind m_cursor = CursorKind::Arrow;
    int m_cursorChanges = 0;
    double m_doubleClickInterval = 0.5; // the system's default
};

} // namespace talvora::vmac
