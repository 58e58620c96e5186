#pragma once

#include "settings/responsiveness_mode.h"

namespace talvora {

class PreferencesStore;

// The engine's snapshot of the eight behaviour preferences. Its initial value is the
// defaults, so the engine behaves before its first refresh.
struct CachedSettings {
    double windowSizeInfluence = 1.0; // 0 to 1
    bool closeOnHoverEnabled = true;
    bool closeMinimizeButtonsOnBottom = false;
    bool closeMinimizeDoubleClickRequired = false;
    double iconMaxSize = 51; // points, never below 8
    double iconYOffset = 0; // unclamped here; the overlay clamps it
    bool fadeEnabled = true;
    ResponsivenessMode responsiveness = ResponsivenessMode::Balanced;

    friend bool operator==(const CachedSettings&, const CachedSettings&) = default;
};

// Reads the behaviour keys. Never fails: an absent or ill-typed value reads as its default,
// the influence is clamped to 0…1 and an icon size below 8 points falls back to 51.
CachedSettings readCachedSettings(PreferencesStore& store);

} // namespace talvora
