#pragma once

#include "platform/notification_center.h"

#include <cstdint>
#include <functional>

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

// Global and local event monitors (NSEvent addGlobalMonitorForEventsMatchingMask:handler:).
class EventMonitors {
public:
    virtual ~EventMonitors() = default;
    // A monitor of events delivered to other applications; nothing when the platform refuses.
    // The handler runs on the main thread. Dropping the token removes the monitor.
    virtual ObserverTokenPtr addGlobalMonitor(std::uint64_t mask, std::function<void(EventType)> handler) = 0;
};

// The Accessibility permission of this process.
class Accessibility {
public:
    virtual ~Accessibility() = default;
    virtual bool isProcessTrusted() = 0;
};

} // namespace talvora
