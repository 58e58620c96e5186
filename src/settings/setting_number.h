#pragma once

#include "platform/preferences_store.h"

#include <optional>
#include <string>

namespace talvora {

// The largest magnitude a setting's number may have: far beyond any slider's range, far below
// what would overflow the geometry computed from it.
inline constexpr double kLargestSettingMagnitude = 1e6;

inline bool isUsableSettingNumber(double d)
{
    return d >= -kLargestSettingMagnitude && d <= kLargestSettingMagnitude; // false for NaN
}

// A setting read as a number (as the store's number reader does), except that a number no
// setting can mean (NaN, an infinity, beyond a million either way) reads as absent, so that
// every reader falls back to its default as for any other invalid value.
inline std::optional<double> settingNumber(PreferencesStore& store, const std::string& key)
{
    auto v = store.number(key);
    if (v && !isUsableSettingNumber(*v))
        return std::nullopt;
    return v;
}

} // namespace talvora
