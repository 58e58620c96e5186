#pragma once

#include "platform/system_log.h"

#include <mutex>
#include <string>
#include <vector>

namespace talvora::vmac {

// The unified log of the virtual Mac: one line per record on standard error,
// "Talvora[<category>] <level>: <message>". Debug records are hidden unless asked for, as
// Console hides them by default; the composition root decides.
class StderrSystemLog final : public SystemLog {
public:
    explicit StderrSystemLog(bool showDebug = false);

private:
    // SystemLog:
    void log(LogLevel level, std::string_view category, std::string_view message) override;

    const bool m_showDebug;
    std::mutex m_mutex; // keeps lines from different threads whole
};

struct SystemLogRecord {
    LogLevel level = LogLevel::Debug;
    std::string category;
    std::string message;

    friend bool operator==(const SystemLogRecord&, const SystemLogRecord&) = default;
};

// Keeps every record, whatever its level, so that tests and the headless demo's timeline can
// read back what the system said.
class RecordingSystemLog final : public SystemLog {
public:
    std::vector<SystemLogRecord> records() const;
    void clear();

private:
    // SystemLog:
    void log(LogLevel level, std::string_view category, std::string_view message) override;

    mutable std::mutex m_mutex;
    std::vector<SystemLogRecord> m_records;
};

const char* logLevelName(LogLevel level);

} // namespace talvora::vmac
