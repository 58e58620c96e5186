#pragma once

#include "platform/files.h"
#include "platform/system_log.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace talvora {

// Writes the debug log file, <Library>/Logs/Talvora/debug.txt, on a serial worker thread of its
// own so that the main thread never waits for the disk. Each run starts the file afresh with
// its first line, and the file stops growing at a size cap: a debug log left switched on must
// not fill the user's disk.
//
// `files` must outlive the manager and be usable from the worker thread.
class LogManager {
public:
    static constexpr std::uint64_t kDefaultSizeCap = 20 * 1024 * 1024;

    // `systemLog`, when given, hears once of a file that cannot be written (and once that it
    // can again); it must be usable from the worker thread.
    explicit LogManager(Files& files, std::uint64_t sizeCap = kDefaultSizeCap, SystemLog* systemLog = nullptr);
    // Writes whatever is still queued, then stops the worker.
    ~LogManager();
    LogManager(const LogManager&) = delete;
    LogManager& operator=(const LogManager&) = delete;

    // Queues one line (a newline is added) and returns at once. Lines are written in the
    // order they were queued; a line that cannot be written is dropped whole, and the next
    // one tries again, so the log carries on once the disk has room.
    void write(std::string line);
    // Blocks until every line queued so far has been written or dropped.
    void waitUntilIdle();

    // <Library>/Logs/Talvora, or nothing when there is no Library folder.
    const std::optional<std::string>& folderPath() const { return m_folderPath; }
    // <Library>/Logs/Talvora/debug.txt, or nothing when there is no Library folder.
    const std::optional<std::string>& fileURL() const { return m_fileURL; }
    std::uint64_t sizeCap() const { return m_sizeCap; }

private:
    void run();
    void writeLine(std::string line);
    // Tells the system log when writing starts or stops failing, not for every line.
    void noteOutcome(bool written);

    Files& m_files;
    const std::uint64_t m_sizeCap;
    std::optional<std::string> m_folderPath;
    std::optional<std::string> m_fileURL;

    // Touched only by the worker.
    std::unique_ptr<FileHandle> m_handle;
    std::uint64_t m_bytesWritten = 0;
    bool m_failing = false;
    SystemLog* m_systemLog;

    std::mutex m_mutex;
    std::condition_variable m_wake; // work queued, or stopping
    std::condition_variable m_idle; // m_pending dropped to 0
    std::deque<std::string> m_queue;
    std::size_t m_pending = 0; // queued plus the one being written
    bool m_stopping = false;
    std::thread m_worker; // last: started once everything above exists
};

} // namespace talvora
