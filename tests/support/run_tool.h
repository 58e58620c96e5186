#pragma once

#include "support/temp_home.h"

#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace talvora::test_support {

struct ToolResult {
    int exitCode = -1; // -1 when the tool could not start or did not exit normally
    std::string out;
    std::string err;
};

// Runs one of the project's programs with `args` (the first is the program), its standard
// output and error captured through files in `scratchFolder`.
inline ToolResult runTool(std::vector<std::string> args, const std::string& scratchFolder)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string outPath = scratchFolder + "/tool.out", errPath = scratchFolder + "/tool.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ToolResult result;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = readFile(outPath).value_or("");
    result.err = readFile(errPath).value_or("");
    return result;
}

} // namespace talvora::test_support
