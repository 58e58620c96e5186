#include "diagnostics/debug_log.h"
#include "settings/preference_keys.h"
#include "support/memory_preferences.h"
#include "support/temp_home.h"
#include "vmac/posix_files.h"
#include "vmac/system_logs.h"
#include "vmac/virtual_clock.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace talvora {
namespace {

using test_support::readFile;
using test_support::writeFile;

// 1796572800 is 16:00:00 UTC; the virtual Mac sits one hour east of UTC.
constexpr Date kStart { 1796572800.0 };

class DebugLogTest : public ::testing::Test {
protected:
    std::unique_ptr<DebugLog> start() { return std::make_unique<DebugLog>(clock, systemLog, files, preferences); }
    void setPreference(PreferenceValue v) { preferences.values[PrefKey::debugLogging] = std::move(v); }

    test_support::TempHome temp;
    vmac::PosixFiles files { temp.home };
    vmac::VirtualClock clock { 300.0, kStart, 3600 };
    vmac::RecordingSystemLog systemLog;
    test_support::MemoryPreferences preferences;
};

// Off by default, yet the folder is made; the marker file or the preference switches it on.
TEST_F(DebugLogTest, OffByDefaultAndOnByTheMarkerOrThePreference)
{
    setPreference(std::int64_t { 1 }); // a number is not a Boolean
    auto log = start();
    EXPECT_FALSE(log->isDebugLoggingEnabled());
    log->logBlock("DESKTOP SWITCH");
    log->logStateEvent("spaceChanged", "x");
    log->logManager().waitUntilIdle();
    EXPECT_TRUE(std::filesystem::is_directory(temp.logsFolder()));
    EXPECT_FALSE(std::filesystem::exists(temp.debugFile()));
    EXPECT_TRUE(systemLog.records().empty());

    writeFile(temp.logsFolder() + "/DEBUG_ON", "");
    setPreference(false); // false defers to the marker
    EXPECT_TRUE(start()->isDebugLoggingEnabled());
    std::filesystem::remove(temp.logsFolder() + "/DEBUG_ON");
    EXPECT_FALSE(start()->isDebugLoggingEnabled());
    setPreference(true);
    EXPECT_TRUE(start()->isDebugLoggingEnabled());
}

// A run with the log on replaces the previous run's file at its first line.
TEST_F(DebugLogTest, WritesExactBlockAndStateEventBytesOverThePreviousRunsFile)
{
    writeFile(temp.debugFile(), "earlier run\n");
    start()->logBlock("ignored while off");
    setPreference(true);
    auto log = start();
    log->logManager().waitUntilIdle();
    EXPECT_EQ(readFile(temp.debugFile()), "earlier run\n"); // nothing logged yet
    clock.advance(0.25);
    log->logBlock("DESKTOP SWITCH");
    clock.advance(1.5);
    log->logStateEvent("spaceChanged", "mcWasActive=false (resetting confidence)");
    log->logManager().waitUntilIdle();

    const std::string block = "\n--------------------------------\n"
                              "DESKTOP SWITCH [17:00:00.250]\n"
                              "--------------------------------\n";
    const std::string event = "[17:00:01.750] state event=spaceChanged mcWasActive=false (resetting confidence)";
    EXPECT_EQ(readFile(temp.debugFile()), block + "\n" + event + "\n");
    std::vector<vmac::SystemLogRecord> expected { { LogLevel::Debug, "Overlay", block }, { LogLevel::Debug, "Overlay", event } };
    EXPECT_EQ(systemLog.records(), expected);
}

TEST_F(DebugLogTest, UnwritableFolderDropsLinesButTheSystemLogStillHearsThem)
{
    writeFile(temp.home.library() + "/Logs", "a file where the folder should be");
    setPreference(true);
    auto log = start();
    for (int i = 0; i < 3; ++i)
        log->logStateEvent("tick", std::to_string(i));
    log->logManager().waitUntilIdle();
    EXPECT_FALSE(std::filesystem::exists(temp.logsFolder()));
    // Every record, and one error about the file (not one per dropped line).
    std::vector<std::string> events;
    int fileErrors = 0;
    for (const auto& r : systemLog.records()) {
        if (r.level == LogLevel::Error && r.message.find("could not write " + temp.debugFile()) != std::string::npos)
            ++fileErrors;
        else
            events.push_back(r.message);
    }
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2], "[17:00:00.000] state event=tick 2");
    EXPECT_EQ(fileErrors, 1);
}

TEST(FormatLogTime, LocalTwentyFourHourClockWithTruncatedMilliseconds)
{
    EXPECT_EQ(formatLogTime(kStart, 0), "16:00:00.000");
    EXPECT_EQ(formatLogTime(kStart.addingSeconds(0.9999), 0), "16:00:00.999");
    EXPECT_EQ(formatLogTime(kStart.addingSeconds(3599.5), -5 * 3600 - 1800), "11:29:59.500");
    EXPECT_EQ(formatLogTime(Date { -0.5 }, 0), "23:59:59.500");
}

} // namespace
} // namespace talvora
