#pragma once

#include "platform/geometry.h"
#include "platform/window_list.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace talvora {

// The content of a window (an NSView). The platform's renderer knows how to draw the kinds
// it is given; the system only hands them over.
class HostedView {
public:
    virtual ~HostedView() = default;
};

// NSWindow style mask bits the system uses.
namespace WindowStyleMask {
inline constexpr std::uint64_t borderless = 0;
inline constexpr std::uint64_t titled = 1 << 0;
inline constexpr std::uint64_t closable = 1 << 1;
inline constexpr std::uint64_t miniaturizable = 1 << 2;
inline constexpr std::uint64_t resizable = 1 << 3;
} // namespace WindowStyleMask

// NSWindowCollectionBehavior bits.
namespace WindowCollectionBehavior {
inline constexpr std::uint64_t canJoinAllSpaces = 1 << 0;
inline constexpr std::uint64_t stationary = 1 << 4;
inline constexpr std::uint64_t fullScreenAuxiliary = 1 << 8;
} // namespace WindowCollectionBehavior

struct WindowColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 0;
    static constexpr WindowColor clear() { return {}; }
    friend bool operator==(const WindowColor&, const WindowColor&) = default;
};

// What a window class answers for every instance: a subclass that overrides
// canBecomeKeyWindow and canBecomeMainWindow.
struct WindowClassTraits {
    bool canBecomeKeyWindow = true;
    bool canBecomeMainWindow = true;
};

// One window of this application (NSWindow). Frames are in AppKit global coordinates.
// The window stays on the platform's screen list from creation until the last handle goes,
// as an NSWindow does until it is released; ordering out only hides it.
class AppWindow {
public:
    virtual ~AppWindow() = default;
    virtual WindowNumber windowNumber() const = 0;
    virtual Rect frame() const = 0;
    virtual void setFrame(const Rect& frame, bool display) = 0;
    virtual void setStyleMask(std::uint64_t mask) = 0;
    virtual void setBackgroundColor(const WindowColor& color) = 0;
    virtual void setOpaque(bool opaque) = 0;
    virtual void setAlphaValue(double alpha) = 0;
    virtual void setIgnoresMouseEvents(bool ignores) = 0;
    virtual bool ignoresMouseEvents() const = 0;
    virtual void setHasShadow(bool hasShadow) = 0;
    virtual void setLevel(int level) = 0;
    virtual void setCollectionBehavior(std::uint64_t behavior) = 0;
    // The view covers the whole window and follows its size.
    virtual void setContentView(std::shared_ptr<HostedView> view) = 0;
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;
    virtual bool canBecomeKeyWindow() const = 0;
    virtual bool canBecomeMainWindow() const = 0;
};
using AppWindowRef = std::shared_ptr<AppWindow>;

// NSApplication's windows.
class AppWindows {
public:
    virtual ~AppWindows() = default;
    // NSApp.windows, oldest first.
    virtual std::vector<AppWindowRef> windows() = 0;
    // initWithContentRect:styleMask:backing:defer: of a window class with `traits`; buffered
    // backing, not deferred. The window is not shown until it is ordered front.
    virtual AppWindowRef createWindow(const Rect& contentRect, std::uint64_t styleMask, WindowClassTraits traits) = 0;
};

} // namespace talvora
