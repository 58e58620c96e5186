#include "diagnostics/debug_log.h"
#include "diagnostics/log_manager.h"
#include "support/memory_preferences.h"
#include "support/temp_home.h"
#include "vmac/posix_files.h"
#include "vmac/system_logs.h"
#include "vmac/virtual_clock.h"

#include <gtest/gtest.h>

#include <thread>

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

// Files in memory, with scripted failures, remembering which thread touched them.
struct ScriptedFiles final : Files {
    std::optional<std::string> library = "/lib";
    int failOpens = 0;
    int failWrites = 0;
    int createCalls = 0;
    std::string contents;
    std::thread::id diskThread;

    struct Handle final : FileHandle {
        ScriptedFiles& owner;
        explicit Handle(ScriptedFiles& o) : owner(o) { }
        bool write(std::string_view bytes) override
        {
            if (owner.failWrites > 0 && owner.failWrites--)
                return false;
            owner.contents += bytes;
            return true;
        }
    };

    std::optional<std::string> userLibraryDirectory() override { return library; }
    bool createDirectory(const std::string&, bool) override { return true; }
    bool fileExists(const std::string&) override { return false; }
    bool createFile(const std::string&) override
    {
        diskThread = std::this_thread::get_id();
        ++createCalls;
        contents.clear();
        return true;
    }
    std::unique_ptr<FileHandle> openForWriting(const std::string&) override
    {
        if (failOpens > 0 && failOpens--)
            return nullptr;
        return std::make_unique<Handle>(*this);
    }
};

TEST(LogManager, FailuresDropLinesWithoutCountingThem)
{
    ScriptedFiles files;
    files.failOpens = 1;
    files.failWrites = 1;
    {
        LogManager log(files, 20);
        log.write("lost: cannot open");
        log.write("lost: write fails");
        log.write("kept 1234567890"); // 16 bytes: under the cap only if the lost lines don't count
        log.write("crosses");
        log.write("dropped");
        // No waitUntilIdle: the destructor drains the queue.
    }
    EXPECT_EQ(files.createCalls, 2); // the failed open is retried, replacing the file again
    EXPECT_EQ(files.contents, "kept 1234567890\ncrosses\n" + kNotice);
    EXPECT_NE(files.diskThread, std::this_thread::get_id());

    // Without a library folder every line is dropped.
    files.library.reset();
    LogManager nowhere(files);
    EXPECT_FALSE(nowhere.fileURL());
    nowhere.write("nowhere to go");
    nowhere.waitUntilIdle();
    EXPECT_EQ(files.createCalls, 2);
}

} // namespace
} // namespace talvora
