#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace talvora {

// How eagerly the engine looks for Mission Control while it is closed. `performance` saves
// the most power, `conservative` checks continuously.
enum class ResponsivenessMode { Performance, Balanced, Conservative };

inline constexpr std::array<ResponsivenessMode, 3> kAllResponsivenessModes {
    ResponsivenessMode::Performance, ResponsivenessMode::Balanced, ResponsivenessMode::Conservative
};

constexpr std::string_view rawValue(ResponsivenessMode mode)
{
    switch (mode) {
    case ResponsivenessMode::Performance:
        return "performance";
    case ResponsivenessMode::Balanced:
        return "balanced";
    case ResponsivenessMode::Conservative:
        return "conservative";
    }
    return "balanced";
}

// Exact, case-sensitive; any other string yields nothing.
constexpr std::optional<ResponsivenessMode> responsivenessModeFromRaw(std::string_view raw)
{
    for (auto mode : kAllResponsivenessModes) {
        if (rawValue(mode) == raw)
            return mode;
    }
    return std::nullopt;
}

} // namespace talvora
