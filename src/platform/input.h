#pragma once

#include "platform/accessibility.h"
#include "platform/app_windows.h"
#include "platform/notification_center.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace talvora {

// Event types as the platform numbers them (NSEventType), and their mask bits.
enum class EventType : std::uint8_t {
    LeftMouseDown = 1,
    RightMouseDown = 3,
    KeyDown = 10,
    FlagsChanged = 12,
    ScrollWheel = 22,
    OtherMouseDown = 25,
    Magnify = 30,
    Swipe = 31,
};
constexpr std::uint64_t eventMask(EventType type) { return std::uint64_t { 1 } << static_cast<unsigned>(type); }

// An event delivered to this application (NSEvent): its window, if any, and where in that
// window it happened (locationInWindow: points, origin at the window's bottom-left corner).
struct LocalEvent {
    EventType type = EventType::LeftMouseDown;
    AppWindowRef window;
    Point locationInWindow;
};

// What a local monitor's handler answers: the event to deliver, or nothing to swallow it.
using LocalMonitorHandler = std::function<std::optional<LocalEvent>(const LocalEvent&)>;

// Global and local event monitors (NSEvent addGlobalMonitorForEventsMatchingMask:handler:,
// addLocalMonitorForEventsMatchingMask:handler:).
class EventMonitors {
public:
    virtual ~EventMonitors() = default;
    // A monitor of events delivered to other applications; nothing when the platform refuses.
    // The handler runs on the main thread. Dropping the token removes the monitor.
    virtual ObserverTokenPtr addGlobalMonitor(std::uint64_t mask, std::function<void(EventType)> handler) = 0;
    // A monitor of this application's own events, which sees each one before its window does
    // and may swallow it. The handler runs on the main thread. Dropping the token removes it.
    virtual ObserverTokenPtr addLocalMonitor(std::uint64_t mask, LocalMonitorHandler handler) = 0;
};

} // namespace talvora
