#pragma once

#include <string_view>

namespace talvora {

enum class LogLevel { Debug, Info, Error };

// The platform's unified log: subsystem "Talvora", a category per part of the program.
class SystemLog {
public:
    virtual ~SystemLog() = default;
    virtual void log(LogLevel level, std::string_view category, std::string_view message) = 0;
};

} // namespace talvora
