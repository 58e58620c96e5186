// The debug log on a disk that fills up: a file-size limit of the process stands in for the
// full disk (the kernel refuses the bytes beyond it just as it does on a full file system).

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

TEST(LogOnFullDisk, LinesAreWholeOrAbsentFailureIsReportedOnceAndTheLogCarriesOn)
{
    test_support::TempHome temp;
    vmac::PosixFiles files(temp.home);
    vmac::RecordingSystemLog systemLog;
    FileSizeLimit limit;
    LogManager log(files, LogManager::kDefaultSizeCap, &systemLog);

    const std::string line(39, 'x'); // 40 bytes with its newline
    log.write("first " + line);
    log.waitUntilIdle();
    const auto before = std::filesystem::file_size(temp.debugFile());
    ASSERT_TRUE(limit.set(before + 100)); // room for two more lines and part of a third
    for (int i = 0; i < 6; ++i)
        log.write(line);
    log.waitUntilIdle();
    EXPECT_EQ(std::filesystem::file_size(temp.debugFile()), before + 80) << "the third line is not left half-written";
    EXPECT_EQ(errorsMentioning(systemLog, "could not write " + temp.debugFile()), 1) << "reported once, not once a line";

    ASSERT_TRUE(limit.lift()); // space returns
    log.write("after");
    log.waitUntilIdle();
    const auto text = test_support::readFile(temp.debugFile()).value_or("");
    EXPECT_EQ(text, "first " + line + "\n" + line + "\n" + line + "\nafter\n");
    EXPECT_EQ(errorsMentioning(systemLog, "could not write"), 1);
}

} // namespace
} // namespace talvora
