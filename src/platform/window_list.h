#pragma once

#include "platform/geometry.h"
#include "platform/value.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace talvora {

using WindowNumber = std::uint32_t; // kCGWindowNumber; 0 is never a real window
using ProcessID = std::int32_t;
using DisplayID = std::uint32_t; // "NSScreenNumber"; 0 when a display has none

// The kCGWindowBounds value: a dictionary of "X", "Y", "Width" and "Height" in global
// window-server points, or absent, or some other type altogether.
struct BoundsValue {
    enum class Kind : std::uint8_t { Absent, Dictionary, NotADictionary };
    Kind kind = Kind::Absent;
    Value x;
    Value y;
    Value width;
    Value height;

    static BoundsValue dictionary(const Rect& r)
    {
        return { Kind::Dictionary, Value::real(r.x), Value::real(r.y), Value::real(r.width), Value::real(r.height) };
    }

    // One member as a finite double, or nothing: a bound that is not a number or is infinite
    // leaves the window without bounds, so every step that needs them skips it.
    std::optional<double> member(const Value& v) const
    {
        if (kind != Kind::Dictionary)
            return std::nullopt;
        auto d = v.asDouble();
        if (!d || !std::isfinite(*d))
            return std::nullopt;
        return d;
    }

    // All four members read as finite doubles, or nothing.
    std::optional<Rect> asRect() const
    {
        auto ox = member(x), oy = member(y), ow = member(width), oh = member(height);
        if (!ox || !oy || !ow || !oh)
            return std::nullopt;
        return Rect { *ox, *oy, *ow, *oh };
    }

    friend bool operator==(const BoundsValue&, const BoundsValue&) = default;
};

// One dictionary of CGWindowListCopyWindowInfo. The keys the system reads each have a fixed
// slot rather than a string-keyed map: the list is read up to 120 times a second.
struct WindowEntry {
    Value number; // kCGWindowNumber
    Value ownerName; // kCGWindowOwnerName (localized)
    Value ownerPID; // kCGWindowOwnerPID
    BoundsValue bounds; // kCGWindowBounds
    Value layer; // kCGWindowLayer
    Value alpha; // kCGWindowAlpha
    Value isOnscreen; // kCGWindowIsOnscreen: absent, never false, for windows off screen
    Value name; // kCGWindowName: absent for other processes' windows without screen recording
    Value sharingState; // kCGWindowSharingState
    Value storeType; // kCGWindowStoreType
    Value memoryUsage; // kCGWindowMemoryUsage

    friend bool operator==(const WindowEntry&, const WindowEntry&) = default;
};

using WindowList = std::vector<WindowEntry>;

// What one window-list query returned. A query can fail outright (the call returns nothing)
// or return something that is not an array of string-keyed dictionaries.
struct WindowListReply {
    enum class Status : std::uint8_t { Ok, Null, Malformed };
    Status status = Status::Null;
    std::shared_ptr<const WindowList> entries; // set only when status is Ok

    bool ok() const { return status == Status::Ok && entries; }
};

// kCGWindowListOption values.
enum class WindowListOption : std::uint32_t {
    All = 0,
    OnScreenOnly = 1 << 0,
};

// The window server as CoreGraphics shows it.
class WindowServer {
public:
    virtual ~WindowServer() = default;

    // CGWindowListCopyWindowInfo(option, relativeToWindow): front to back, highest layer first.
    virtual WindowListReply copyWindowList(WindowListOption option, WindowNumber relativeToWindow) = 0;
    // CGDisplayBounds in global window-server coordinates; an empty rectangle for an unknown id.
    virtual Rect displayBounds(DisplayID display) = 0;
    virtual DisplayID mainDisplayID() = 0;
};

} // namespace talvora
