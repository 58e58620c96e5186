#pragma once

#include <array>
#include <string_view>
#include <variant>

namespace talvora {

// Every preference key of the domain. Readers supply defaults themselves: nothing is
// registered in the store, which holds a key only once something has written it.
namespace PrefKey {
inline constexpr const char* responsivenessMode = "talvora.responsivenessMode";
inline constexpr const char* windowSizeInfluence = "talvora.windowSizeInfluence";
inline constexpr const char* closeOnHoverEnabled = "talvora.closeOnHoverEnabled";
inline constexpr const char* closeMinimizeButtonsOnBottom = "talvora.closeMinimizeButtonsOnBottom";
inline constexpr const char* closeMinimizeDoubleClickRequired = "talvora.closeMinimizeDoubleClickRequired";
inline constexpr const char* iconMaxSize = "talvora.iconMaxSize";
inline constexpr const char* iconYOffset = "talvora.iconYOffset";
inline constexpr const char* fadeEnabled = "talvora.fadeEnabled";

inline constexpr const char* nameTextSize = "talvora.nameTextSize";
inline constexpr const char* titleTextSize = "talvora.titleTextSize";
inline constexpr const char* labelBgRed = "talvora.labelBgRed";
inline constexpr const char* labelBgGreen = "talvora.labelBgGreen";
inline constexpr const char* labelBgBlue = "talvora.labelBgBlue";
inline constexpr const char* labelBgAlpha = "talvora.labelBgAlpha";
inline constexpr const char* labelCornerRadius = "talvora.labelCornerRadius";
inline constexpr const char* iconMaxOpacity = "talvora.iconMaxOpacity";
inline constexpr const char* haloSizeMultiplier = "talvora.haloSizeMultiplier";
inline constexpr const char* haloIntensity = "talvora.haloIntensity";
inline constexpr const char* highlightPreviousWindow = "talvora.highlightPreviousWindow";
inline constexpr const char* previousHaloRed = "talvora.previousHaloRed";
inline constexpr const char* previousHaloGreen = "talvora.previousHaloGreen";
inline constexpr const char* previousHaloBlue = "talvora.previousHaloBlue";
inline constexpr const char* previousHaloAlpha = "talvora.previousHaloAlpha";
inline constexpr const char* pinnedHaloEnabled = "talvora.pinnedHaloEnabled";
inline constexpr const char* pinnedHaloRed = "talvora.pinnedHaloRed";
inline constexpr const char* pinnedHaloGreen = "talvora.pinnedHaloGreen";
inline constexpr const char* pinnedHaloBlue = "talvora.pinnedHaloBlue";
inline constexpr const char* pinnedHaloAlpha = "talvora.pinnedHaloAlpha";

inline constexpr const char* debugLogging = "talvora.debugLogging";
inline constexpr const char* pinnedAppsData = "talvora.pinnedAppsData";
inline constexpr const char* pinnedAppBundleIDs = "talvora.pinnedAppBundleIDs";

inline constexpr const char* telemetryDisabled = "telemetryDisabled";
inline constexpr const char* telemetryDidSendFirstLaunch = "telemetryDidSendFirstLaunch";
inline constexpr const char* telemetryLastLaunchDay = "telemetryLastLaunchDay";
inline constexpr const char* telemetryLastActiveDay = "telemetryLastActiveDay";
inline constexpr const char* telemetryAnonymousID = "telemetryAnonymousID";

// Wall-clock seconds since 1970 of the last update check, automatic or asked for.
inline constexpr const char* lastUpdateCheckTime = "talvora.lastUpdateCheckTime";
} // namespace PrefKey

// Notifications on the application's default centre, with no sender and no payload.
namespace NotificationName {
inline constexpr const char* responsivenessChanged = "TalvoraResponsivenessChanged";
inline constexpr const char* buttonBehaviorChanged = "TalvoraButtonBehaviorChanged";
inline constexpr const char* openSettings = "TalvoraOpenSettings";
} // namespace NotificationName

// A key with the value that "Reset to Defaults" writes for it, in the order it writes them.
struct DefaultPreference {
    const char* key;
    std::variant<bool, double, const char*> value;
};

// The settings a user can change in the settings window and their defaults. The overlay, the
// settings window and the engine share these defaults.
inline constexpr std::array<DefaultPreference, 28> kResettablePreferences { {
    { PrefKey::responsivenessMode, "balanced" },
    { PrefKey::iconMaxSize, 51.0 },
    { PrefKey::iconYOffset, 0.0 },
    { PrefKey::nameTextSize, 11.0 },
    { PrefKey::titleTextSize, 10.0 },
    { PrefKey::labelBgRed, 1.0 },
    { PrefKey::labelBgGreen, 0.0 },
    { PrefKey::labelBgBlue, 0.0 },
    { PrefKey::labelBgAlpha, 0.0 },
    { PrefKey::labelCornerRadius, 4.0 },
    { PrefKey::fadeEnabled, true },
    { PrefKey::iconMaxOpacity, 0.8 },
    { PrefKey::haloSizeMultiplier, 1.6 },
    { PrefKey::haloIntensity, 1.5 },
    { PrefKey::windowSizeInfluence, 1.0 },
    { PrefKey::highlightPreviousWindow, true },
    { PrefKey::previousHaloRed, 1.0 },
    { PrefKey::previousHaloGreen, 1.0 },
    { PrefKey::previousHaloBlue, 0.0 },
    { PrefKey::previousHaloAlpha, 1.0 },
    { PrefKey::pinnedHaloEnabled, true },
    { PrefKey::pinnedHaloRed, 0.2 },
    { PrefKey::pinnedHaloGreen, 0.8 },
    { PrefKey::pinnedHaloBlue, 1.0 },
    { PrefKey::pinnedHaloAlpha, 1.0 },
    { PrefKey::closeOnHoverEnabled, true },
    { PrefKey::closeMinimizeButtonsOnBottom, false },
    { PrefKey::closeMinimizeDoubleClickRequired, false },
} };

} // namespace talvora
