#include "support/temp_home.h"
#include "vmac/process_relauncher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

using namespace talvora;

namespace {

bool waitForFile(const std::string& path, std::chrono::seconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (std::filesystem::exists(path))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace

TEST(ProcessRelauncher, StartsTheProgramOnlyAfterTheProcessHasEnded)
{
    test_support::TempHome temp;
    // Stands in for the running application: a child that lives until it is told to stop.
    pid_t app = 0;
    char sleepPath[] = "/bin/sleep";
    char seconds[] = "30";
    char* argv[] = { sleepPath, seconds, nullptr };
    ASSERT_EQ(::posix_spawn(&app, sleepPath, nullptr, nullptr, argv, environ), 0);

    const std::string marker = temp.home.root + "/relaunched";
    ASSERT_EQ(vmac::startRelaunchAfterExit(app, { "/bin/sh", "-c", "touch \"$0\"", marker }), std::nullopt);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(std::filesystem::exists(marker)) << "started while the old process still ran";

    ::kill(app, SIGTERM);
    ::waitpid(app, nullptr, 0);
    EXPECT_TRUE(waitForFile(marker, std::chrono::seconds(10)));
}

TEST(ProcessRelauncher, AStartThatCannotHappenIsReportedAndTheAppIsNotQuit)
{
    // A program that is not there is the settings window's test.
    test_support::TempHome temp;
    EXPECT_TRUE(vmac::startRelaunchAfterExit(::getpid(), { "/bin/true" }, temp.home.root + "/no-shell"));
    EXPECT_TRUE(vmac::startRelaunchAfterExit(::getpid(), {}));

    vmac::HostApplicationProcess process;
    bool quit = false;
    process.onTerminate = [&] { quit = true; };
    EXPECT_TRUE(process.relaunchAfterExit()); // no command in this run
    EXPECT_FALSE(quit);
    process.terminate();
    EXPECT_TRUE(quit);
}
