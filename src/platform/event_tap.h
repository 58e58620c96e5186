#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace talvora {

// Event types as a Quartz event tap numbers them (CGEventType), including the two
// pseudo-events by which the system tells a tap it has been switched off.
enum class CGEventType : std::uint32_t {
    LeftMouseDown = 1,
    LeftMouseUp = 2,
    KeyDown = 10,
    TapDisabledByTimeout = 0xFFFFFFFE,
    TapDisabledByUserInput = 0xFFFFFFFF,
};
constexpr std::uint64_t cgEventMaskBit(CGEventType type) { return std::uint64_t { 1 } << static_cast<unsigned>(type); }

enum class EventTapLocation : std::uint32_t { HID = 0, Session = 1, AnnotatedSession = 2 };
enum class EventTapPlacement : std::uint32_t { HeadInsert = 0, TailAppend = 1 };
// Default: an active tap that may drop events; ListenOnly: a passive one.
enum class EventTapOptions : std::uint32_t { Default = 0, ListenOnly = 1 };

// What a tap's callback does with an event: pass it on, or drop it.
enum class TapVerdict { Pass, Drop };
using EventTapCallback = std::function<TapVerdict(CGEventType type)>;

// The mach port of an event tap (CFMachPortRef), with its run-loop source.
class EventTapPort {
public:
    virtual ~EventTapPort() = default;
    // CGEventTapEnable.
    virtual void enable(bool on) = 0;
    virtual bool isEnabled() const = 0;
    // CFMachPortCreateRunLoopSource and CFRunLoopAddSource on the main run loop in the common
    // modes: from then on the callback runs on the main thread. And the reverse.
    virtual void addToMainRunLoop() = 0;
    virtual void removeFromMainRunLoop() = 0;
    // CFMachPortInvalidate: the tap is gone for good.
    virtual void invalidate() = 0;
};
using EventTapPortRef = std::shared_ptr<EventTapPort>;

// CGEventTapCreate.
class EventTaps {
public:
    virtual ~EventTaps() = default;
    // A tap, or nothing when the process may not create it (an active tap needs the
    // Accessibility privilege).
    virtual EventTapPortRef createTap(EventTapLocation location, EventTapPlacement placement, EventTapOptions options,
        std::uint64_t mask, EventTapCallback callback) = 0;
};

// Posted on the distributed notification centre whenever the Accessibility privileges of
// processes change.
inline constexpr const char* kAccessibilityAPINotification = "com.apple.accessibility.api";

} // namespace talvora
