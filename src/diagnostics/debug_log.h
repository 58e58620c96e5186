#pragma once

#include "diagnostics/log_manager.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/preferences_store.h"
#include "platform/system_log.h"

#include <string>
#include <string_view>

namespace talvora {

// "HH:mm:ss.SSS" in the local time given by the offset: 24-hour, milliseconds truncated, no
// date.
std::string formatLogTime(Date date, int utcOffsetSeconds);

// The engine's debug records: framed blocks for the big moments (a Space switch, a tick's
// decision) and one-line state events. Each goes both to the system log, at debug level, and
// to the debug log file.
//
// Whether debug logging is on is settled once, at construction: on when the preference
// "talvora.debugLogging" is the Boolean true, otherwise on exactly when the marker file
// <Library>/Logs/Talvora/DEBUG_ON exists, so a user can switch it on without the defaults tool.
class DebugLog {
public:
    static constexpr const char* kCategory = "Overlay";

    DebugLog(Clock& clock, SystemLog& systemLog, Files& files, PreferencesStore& preferences);

    bool isDebugLoggingEnabled() const { return m_enabled; }

    void logBlock(std::string_view title);
    void logStateEvent(std::string_view event, std::string_view detail);

    LogManager& logManager() { return m_logManager; }

private:
    std::string currentTime() const;

    Clock& m_clock;
    SystemLog& m_systemLog;
    LogManager m_logManager;
    bool m_enabled = false;
};

} // namespace talvora
