#pragma once

#include "platform/application.h" // kApplicationDidBecomeActiveNotification

#include <optional>
#include <string>

namespace talvora {

// The application's own process: starting it again, and quitting.
class ApplicationProcess {
public:
    virtual ~ApplicationProcess() = default;
    // Starts, detached, a program that waits for this process to end and then launches the
    // application again. Nothing once that program runs, else the reason it could not start.
    virtual std::optional<std::string> relaunchAfterExit() = 0;
    // NSApplication terminate:, asked on the main thread; the process ends once the run loop
    // returns.
    virtual void terminate() = 0;
};

} // namespace talvora
