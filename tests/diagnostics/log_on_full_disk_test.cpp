// The debug log on a disk that refuses it: a file that cannot be opened, then a file-size limit of
// the process standing in for the full disk (the kernel refuses the bytes beyond it just as it
// does on a full file system).

#include "diagnostics/log_manager.h"
#include "support/temp_home.h"
#include "vmac/posix_files.h"
#include "vmac/system_logs.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <sys/resource.h>

namespace talvora {
namespace {

// Lowers the process's file-size limit for the life of the object. Writing past it fails with
// EFBIG instead of raising SIGXFSZ, which is ignored meanwhile.
class FileSizeLimit {
public:
    FileSizeLimit()
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    bool set(rlim_t bytes)
    {
        rlimit limit = m_saved;
        limit.rlim_cur = std::min<rlim_t>(bytes, m_saved.rlim_max);
        return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    bool lift() { return ::setrlimit(RLIMIT_FSIZE, &m_saved) == 0; }

private:
    rlimit m_saved {};
    void (*m_previousHandler)(int) = nullptr;
};

int errorsMentioning(const vmac::RecordingSystemLog& log, const std::string& fragment)
{
    int n = 0;
    for (const auto& r : log.records())
        n += r.level == LogLevel::Error && r.message.find(fragment) != std::string::npos;
    return n;
}

// The file cannot be opened at first (a folder stands where it belongs): the next line tries
// again. Then the disk fills up: lines are whole or absent, and the lost ones do not count
// towards the size cap, so the log carries on once there is room again.
TEST(LogOnFullDisk, LinesAreWholeOrAbsentFailureIsReportedOnceAndTheLogCarriesOn)
{
    test_support::TempHome temp;
    vmac::PosixFiles files(temp.home);
    vmac::RecordingSystemLog systemLog;
    FileSizeLimit limit;
    const std::string line(39, 'x'); // 40 bytes with its newline
    {
        // 46 + 2 * 40 + 6 bytes are written; counting the four lost lines would pass the cap.
        LogManager log(files, 200, &systemLog);
        std::filesystem::create_directories(temp.debugFile());
        log.write("lost: cannot open");
        log.waitUntilIdle();
        EXPECT_EQ(errorsMentioning(systemLog, "could not write " + temp.debugFile()), 1);
        std::filesystem::remove(temp.debugFile());
        log.write("first " + line);
        log.waitUntilIdle();
        const auto before = std::filesystem::file_size(temp.debugFile());
        ASSERT_TRUE(limit.set(before + 100)); // room for two more lines and part of a third
        for (int i = 0; i < 6; ++i)
            log.write(line);
        log.waitUntilIdle();
        EXPECT_EQ(std::filesystem::file_size(temp.debugFile()), before + 80) << "the third line is not left half-written";
        EXPECT_EQ(errorsMentioning(systemLog, "could not write"), 2) << "reported once, not once a line";

        ASSERT_TRUE(limit.lift()); // space returns
        log.write("after");
        // No waitUntilIdle: ending the log writes what is still queued.
    }
    const auto text = test_support::readFile(temp.debugFile()).value_or("");
    EXPECT_EQ(text, "first " + line + "\n" + line + "\n" + line + "\nafter\n");
    EXPECT_EQ(errorsMentioning(systemLog, "could not write"), 2);
}

} // namespace
} // namespace talvora
