#pragma once

#include "platform/application_process.h"

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace talvora::vmac {

// Starts, detached from this process and its session, a waiter that polls until process
// `waitFor` has ended and then runs `command` (the program first). Nothing once the waiter is
// running; else the reason: no command, a program that cannot be run, or a shell that cannot
// be started. `shell` runs the waiter.
std::optional<std::string> startRelaunchAfterExit(pid_t waitFor, const std::vector<std::string>& command,
    const std::string& shell = "/bin/sh");

// The application's process on this machine: relaunching is real, quitting is the host's
// business (its event loop ends, or a headless run stops).
class HostApplicationProcess final : public ApplicationProcess {
public:
    // Without a command, relaunching reports that it is not possible.
    void setRelaunchCommand(std::vector<std::string> command) { m_command = std::move(command); }
    const std::vector<std::string>& relaunchCommand() const { return m_command; }
    void setShell(std::string shell) { m_shell = std::move(shell); }

    std::function<void()> onTerminate;
    bool terminateRequested() const { return m_terminateRequested; }

    // ApplicationProcess:
    std::optional<std::string> relaunchAfterExit() override;
    void terminate() override;

private:
    std::vector<std::string> m_command;
    std::string m_shell = "/bin/sh";
    bool m_terminateRequested = false;
};

} // namespace talvora::vmac
