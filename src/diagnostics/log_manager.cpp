#include "diagnostics/log_manager.h"

#include <utility>

namespace talvora {

namespace {

// Written once when the cap is reached. Its own bytes are not counted: it is the last thing
// the file ever receives in this run.
constexpr std::string_view kCapNotice = "\xE2\x80\xA6 size cap reached; further logging suppressed \xE2\x80\xA6\n";

} // namespace

LogManager::LogManager(Files& files, std::uint64_t sizeCap, SystemLog* systemLog)
    : m_files(files)
    , m_sizeCap(sizeCap)
    , m_systemLog(systemLog)
{
    if (auto library = m_files.userLibraryDirectory()) {
        m_folderPath = *library + "/Logs/Talvora";
        m_fileURL = *m_folderPath + "/debug.txt";
        // Created at every start, logging on or off, so that the folder is there for the user
        // to drop the DEBUG_ON marker into. A failure shows up later as lines that cannot be
        // written, which are dropped anyway.
        m_files.createDirectory(*m_folderPath, true);
    }
    m_worker = std::thread([this] { run(); });
}

LogManager::~LogManager()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void LogManager::write(std::string line)
{
    if (!m_fileURL)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(line));
        ++m_pending;
    }
    m_wake.notify_one();
}

void LogManager::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_pending == 0; });
}

void LogManager::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            return; // stopping, and everything has been written
        std::string line = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        writeLine(std::move(line));
        lock.lock();
        if (--m_pending == 0)
            m_idle.notify_all();
    }
}

void LogManager::writeLine(std::string line)
{
    if (m_bytesWritten >= m_sizeCap)
        return;
    line += '\n';
    if (!m_handle) {
        // The first line of a run replaces whatever an earlier run left. When the file cannot
        // be opened, the next line tries again from scratch.
        m_files.createFile(*m_fileURL);
        m_handle = m_files.openForWriting(*m_fileURL);
        m_bytesWritten = 0;
        if (!m_handle) {
            noteOutcome(false);
            return;
        }
    }
    const bool written = m_handle->write(line);
    noteOutcome(written);
    if (!written)
        return;
    m_bytesWritten += line.size();
    if (m_bytesWritten >= m_sizeCap)
        m_handle->write(kCapNotice);
}

void LogManager::noteOutcome(bool written)
{
    if (written == !m_failing)
        return;
    m_failing = !written;
    if (!m_systemLog)
        return;
    if (m_failing)
        m_systemLog->log(LogLevel::Error, "Overlay",
                         "[log] could not write " + *m_fileURL + "; lines are dropped until it can be written again");
    else
        m_systemLog->log(LogLevel::Info, "Overlay", "[log] writing " + *m_fileURL + " again");
}

} // namespace talvora
