#include "diagnostics/debug_log.h"

#include "settings/preference_keys.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace talvora {

namespace {

constexpr std::string_view kRule = "--------------------------------";

bool markerFileExists(Files& files, const LogManager& logManager)
{
    const auto& folder = logManager.folderPath();
    return folder && files.fileExists(*folder + "/DEBUG_ON");
}

} // namespace

std::string formatLogTime(Date date, int utcOffsetSeconds)
{
    // Whole milliseconds first, as Foundation does (seconds times 1000, floored), so that a
    // date like x.250 that is stored a hair below its decimal value still reads as .250.
    constexpr std::int64_t kMillisPerDay = 86'400'000;
    auto millis = static_cast<std::int64_t>(std::floor(date.secondsSince1970 * 1000.0));
    millis += static_cast<std::int64_t>(utcOffsetSeconds) * 1000;
    std::int64_t ofDay = millis % kMillisPerDay;
    if (ofDay < 0)
        ofDay += kMillisPerDay; // before 1970 or an offset across midnight
    int hours = static_cast<int>(ofDay / 3'600'000);
    int minutes = static_cast<int>(ofDay / 60'000 % 60);
    int seconds = static_cast<int>(ofDay / 1000 % 60);
    int ms = static_cast<int>(ofDay % 1000);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", hours, minutes, seconds, ms);
    return text;
}

DebugLog::DebugLog(Clock& clock, SystemLog& systemLog, Files& files, PreferencesStore& preferences)
    : m_clock(clock)
    , m_systemLog(systemLog)
    , m_logManager(files, LogManager::kDefaultSizeCap, &systemLog)
{
    m_enabled = preferences.boolean(PrefKey::debugLogging).value_or(false) || markerFileExists(files, m_logManager);
}

std::string DebugLog::currentTime() const
{
    Date now = m_clock.now();
    return formatLogTime(now, m_clock.localUtcOffsetSeconds(now));
}

void DebugLog::logBlock(std::string_view title)
{
    if (!m_enabled)
        return;
    std::string time = currentTime();
    std::string text;
    text.reserve(2 * kRule.size() + title.size() + time.size() + 8);
    text += '\n';
    text += kRule;
    text += '\n';
    text += title;
    text += " [";
    text += time;
    text += "]\n";
    text += kRule;
    text += '\n';
    m_systemLog.log(LogLevel::Debug, kCategory, text);
    m_logManager.write(std::move(text));
}

void DebugLog::logStateEvent(std::string_view event, std::string_view detail)
{
    if (!m_enabled)
        return;
    std::string line;
    line.reserve(event.size() + detail.size() + 32);
    line += '[';
    line += currentTime();
    line += "] state event=";
    line += event;
    line += ' ';
    line += detail;
    m_systemLog.log(LogLevel::Debug, kCategory, line);
    m_logManager.write(std::move(line));
}

} // namespace talvora
