// The preference keys and their defaults are a contract with other processes (anything that
// writes the domain) and with the settings window: they are written out here as literals, not
// taken from the code's own table.

#include "overlay/content_settings.h"
#include "settings/cached_settings.h"
#include "settings/preference_keys.h"
#include "settings/reset_to_defaults.h"
#include "support/memory_preferences.h"
#include "vmac/virtual_notification_center.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace talvora;
using test_support::MemoryPreferences;

TEST(PreferenceKeys, EveryKeyAndDefaultAsOtherProcessesSeeThem)
{
    // What "Reset to Defaults" writes, in this order, and what every reader assumes when the key
    // is absent.
    const std::vector<std::pair<std::string, PreferenceValue>> resettable {
        { "talvora.responsivenessMode", std::string("balanced") },
        { "talvora.iconMaxSize", 51.0 },
        { "talvora.iconYOffset", 0.0 },
        { "talvora.nameTextSize", 11.0 },
        { "talvora.titleTextSize", 10.0 },
        { "talvora.labelBgRed", 1.0 },
        { "talvora.labelBgGreen", 0.0 },
        { "talvora.labelBgBlue", 0.0 },
        { "talvora.labelBgAlpha", 0.0 },
        { "talvora.labelCornerRadius", 4.0 },
        { "talvora.fadeEnabled", true },
        { "talvora.iconMaxOpacity", 0.8 },
        { "talvora.haloSizeMultiplier", 1.6 },
        { "talvora.haloIntensity", 1.5 },
        { "talvora.windowSizeInfluence", 1.0 },
        { "talvora.highlightPreviousWindow", true },
        { "talvora.previousHaloRed", 1.0 },
        { "talvora.previousHaloGreen", 1.0 },
        { "talvora.previousHaloBlue", 0.0 },
        { "talvora.previousHaloAlpha", 1.0 },
        { "talvora.pinnedHaloEnabled", true },
        { "talvora.pinnedHaloRed", 0.2 },
        { "talvora.pinnedHaloGreen", 0.8 },
        { "talvora.pinnedHaloBlue", 1.0 },
        { "talvora.pinnedHaloAlpha", 1.0 },
        { "talvora.closeOnHoverEnabled", true },
        { "talvora.closeMinimizeButtonsOnBottom", false },
        { "talvora.closeMinimizeDoubleClickRequired", false },
    };
    MemoryPreferences reset;
    vmac::VirtualNotificationCenter notifications;
    resetToDefaults(reset, notifications);
    ASSERT_EQ(reset.writes.size(), resettable.size());
    for (std::size_t i = 0; i < resettable.size(); ++i) {
        const auto& [key, value] = resettable[i];
        EXPECT_EQ(reset.writes[i], key) << "write " << i;
        EXPECT_EQ(reset.values.at(key), value) << key;
    }
    MemoryPreferences empty;
    EXPECT_EQ(readCachedSettings(empty), readCachedSettings(reset));
    EXPECT_EQ(readOverlayContentSettings(empty), readOverlayContentSettings(reset));

    // Keys with no place in the reset, read by their own components.
    EXPECT_STREQ(PrefKey::debugLogging, "talvora.debugLogging");
    EXPECT_STREQ(PrefKey::pinnedAppsData, "talvora.pinnedAppsData");
    EXPECT_STREQ(PrefKey::pinnedAppBundleIDs, "talvora.pinnedAppBundleIDs");
    EXPECT_STREQ(PrefKey::telemetryDisabled, "telemetryDisabled");
    EXPECT_STREQ(PrefKey::telemetryDidSendFirstLaunch, "telemetryDidSendFirstLaunch");
    EXPECT_STREQ(PrefKey::telemetryLastLaunchDay, "telemetryLastLaunchDay");
    EXPECT_STREQ(PrefKey::telemetryLastActiveDay, "telemetryLastActiveDay");
    EXPECT_STREQ(PrefKey::telemetryAnonymousID, "telemetryAnonymousID");
    EXPECT_STREQ(NotificationName::responsivenessChanged, "TalvoraResponsivenessChanged");
    EXPECT_STREQ(NotificationName::buttonBehaviorChanged, "TalvoraButtonBehaviorChanged");
    EXPECT_STREQ(NotificationName::openSettings, "TalvoraOpenSettings");
}
