#pragma once

#include "platform/workspace.h"

#include <string>

namespace talvora {

// Posted on the application's default notification centre.
inline constexpr const char* kApplicationDidBecomeActiveNotification = "NSApplicationDidBecomeActiveNotification";
inline constexpr const char* kApplicationWillTerminateNotification = "NSApplicationWillTerminateNotification";

// NSApplication: this process as an application, and its bundle's resources.
class Application {
public:
    virtual ~Application() = default;
    // activateIgnoringOtherApps: this application comes to the front.
    virtual void activateIgnoringOtherApps(bool ignoringOtherApps) = 0;
    // terminate: posts the will-terminate notification, then the application's run ends.
    virtual void terminate() = 0;
    // NSImage imageNamed: an image of the application's resources; nothing when it has none.
    virtual ImageRef imageNamed(const std::string& name) = 0;
};

// Screen-capture access of this process (CGPreflightScreenCaptureAccess and
// CGRequestScreenCaptureAccess). A grant given while the process runs takes effect only when
// it is launched again.
class ScreenCaptureAccess {
public:
    virtual ~ScreenCaptureAccess() = default;
    virtual bool preflight() = 0;
    // Shows the system's prompt when access is not granted; answers whether it is granted.
    virtual bool request() = 0;
};

} // namespace talvora
