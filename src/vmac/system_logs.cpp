#include "vmac/system_logs.h"

#include <cstdio>

namespace talvora::vmac {

const char* logLevelName(LogLevel level)
{
    switch (level) {
    case LogLevel::Debug:
        return "debug";
    case LogLevel::Info:
        return "info";
    case LogLevel::Error:
        return "error";
    }
    return "unknown";
}

StderrSystemLog::StderrSystemLog(bool showDebug)
    : m_showDebug(showDebug)
{
}

void StderrSystemLog::log(LogLevel level, std::string_view category, std::string_view message)
{
    if (level == LogLevel::Debug && !m_showDebug)
        return;
    std::string line;
    line.reserve(category.size() + message.size() + 24);
    line += "Talvora[";
    line += category;
    line += "] ";
    line += logLevelName(level);
    line += ": ";
    line += message;
    line += '\n';
    // One fwrite per record under the lock: stderr is unbuffered, so piecemeal writes from
    // two threads would interleave mid-line.
    std::lock_guard lock(m_mutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void RecordingSystemLog::log(LogLevel level, std::string_view category, std::string_view message)
{
    std::lock_guard lock(m_mutex);
    m_records.push_back({ level, std::string(category), std::string(message) });
}

std::vector<SystemLogRecord> RecordingSystemLog::records() const
{
    std::lock_guard lock(m_mutex);
    return m_records;
}

void RecordingSystemLog::clear()
{
    std::lock_guard lock(m_mutex);
    m_records.clear();
}

} // namespace talvora::vmac
