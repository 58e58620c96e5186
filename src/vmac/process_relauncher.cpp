#include "vmac/process_relauncher.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace talvora::vmac {

std::optional<std::string> startRelaunchAfterExit(pid_t waitFor, const std::vector<std::string>& command,
    const std::string& shell)
{
    if (command.empty())
        return "there is no program to relaunch";
    if (::access(command.front().c_str(), X_OK) != 0)
        return "cannot run " + command.front() + ": " + std::strerror(errno);

    // The shell we start forks the waiter into the background and returns at once, so the
    // waiter is nobody's child here and outlives this process; it runs in a session of its
    // own, away from this one's terminal.
    static constexpr const char* kScript = "pid=$1; shift; "
                                           "( while kill -0 \"$pid\" 2>/dev/null; do sleep 0.1; done; exec \"$@\" ) "
                                           "</dev/null >/dev/null 2>&1 & exit 0";
    std::vector<std::string> arguments { shell, "-c", kScript, "talvora-relaunch", std::to_string(waitFor) };
    arguments.insert(arguments.end(), command.begin(), command.end());
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t child = 0;
    const int error = ::posix_spawn(&child, shell.c_str(), nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        return "cannot start " + shell + ": " + std::strerror(error);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return std::string("lost the relaunch helper: ") + std::strerror(errno);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the relaunch helper could not start";
    return std::nullopt;
}

std::optional<std::string> HostApplicationProcess::relaunchAfterExit()
{
    if (m_command.empty())
        return "relaunching is not available in this run";
    return startRelaunchAfterExit(::getpid(), m_command, m_shell);
}

void HostApplicationProcess::terminate()
{
    m_terminateRequested = true;
    if (onTerminate)
        onTerminate();
}

} // namespace talvora::vmac
