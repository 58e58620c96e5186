#include "diagnostics/debug_log.h"
#include "diagnostics/log_manager.h"
#include "support/memory_preferences.h"
#include "support/temp_home.h"
#include "vmac/posix_files.h"
#include "vmac/system_logs.h"
#include "vmac/virtual_clock.h"

#include <gtest/gtest.h>

namespace talvora {
namespace {

const std::string kNotice = "\xE2\x80\xA6 size cap reached; further logging suppressed \xE2\x80\xA6\n";

// The line that crosses the cap is written whole, then the notice, then nothing. The engine's
// debug log stops at 20 MiB: the line that reaches 20,971,520 bytes is the last.
TEST(LogManager, LineCrossingTheCapIsWrittenWholeAndTheDebugLogsCapIsTwentyMebibytes)
{
    test_support::TempHome temp;
    vmac::PosixFiles files(temp.home);
    {
        LogManager log(files, 20);
        EXPECT_EQ(log.fileURL(), temp.debugFile());
        log.write("0123456789"); // 11 bytes
        log.write("abcdefghijklmno"); // 16 more: crosses 20
        log.write("dropped");
        log.waitUntilIdle();
        EXPECT_EQ(test_support::readFile(temp.debugFile()),
            "0123456789\nabcdefghijklmno\n" + kNotice);
    }
    vmac::VirtualClock clock;
    vmac::RecordingSystemLog systemLog;
    test_support::MemoryPreferences preferences;
    DebugLog debugLog(clock, systemLog, files, preferences);
    LogManager& log = debugLog.logManager();
    log.write(std::string(20'971'518, 'x')); // with its line break, one byte under the cap
    log.write(""); // reaches it
    log.write("dropped");
    log.waitUntilIdle();
    const auto text = test_support::readFile(temp.debugFile());
    ASSERT_TRUE(text);
    EXPECT_EQ(text->size(), 20'971'520u + kNotice.size());
    EXPECT_EQ(text->substr(20'971'518), "\n\n" + kNotice);
}

} // namespace
} // namespace talvora
