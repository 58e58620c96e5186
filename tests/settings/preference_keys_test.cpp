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

#include <limits>
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
    // Keys of other components are left as they are.
    MemoryPreferences reset;
    reset.values[PrefKey::debugLogging] = true;
    reset.values[PrefKey::pinnedAppsData] = PreferenceData { '[', ']' };
    reset.values[PrefKey::telemetryAnonymousID] = std::string("abc");
    vmac::VirtualNotificationCenter notifications;
    resetToDefaults(reset, notifications);
    ASSERT_EQ(reset.writes.size(), resettable.size());
    for (std::size_t i = 0; i < resettable.size(); ++i) {
        const auto& [key, value] = resettable[i];
        EXPECT_EQ(reset.writes[i], key) << "write " << i;
        EXPECT_EQ(reset.values.at(key), value) << key;
    }
    EXPECT_EQ(reset.values.size(), resettable.size() + 3);
    EXPECT_EQ(reset.values.at(PrefKey::pinnedAppsData), PreferenceValue(PreferenceData { '[', ']' }))
        << "the pinned list survives";
    EXPECT_EQ(notifications.postedNames(),
        (std::vector<std::string> {
            NotificationName::responsivenessChanged, NotificationName::buttonBehaviorChanged }));
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

TEST(CachedSettings, OutOfRangeAndIllTypedValuesFallBack)
{
    MemoryPreferences store;
    auto read = [&](const char* key, PreferenceValue value) {
        store.values.clear();
        store.values[key] = std::move(value);
        return readCachedSettings(store);
    };
    EXPECT_EQ(read(PrefKey::iconMaxSize, 5.0).iconMaxSize, 51);
    EXPECT_EQ(read(PrefKey::iconMaxSize, 8.0).iconMaxSize, 8);
    EXPECT_EQ(read(PrefKey::iconMaxSize, std::int64_t { 100 }).iconMaxSize, 100) << "an integer is a number too";
    EXPECT_EQ(read(PrefKey::iconMaxSize, std::string("96")).iconMaxSize, 51);
    EXPECT_EQ(read(PrefKey::windowSizeInfluence, 1.7).windowSizeInfluence, 1.0);
    EXPECT_EQ(read(PrefKey::windowSizeInfluence, -0.3).windowSizeInfluence, 0.0);
    EXPECT_EQ(read(PrefKey::windowSizeInfluence, 0.25).windowSizeInfluence, 0.25);
    EXPECT_EQ(read(PrefKey::windowSizeInfluence, std::string("0.5")).windowSizeInfluence, 1.0);
    EXPECT_EQ(read(PrefKey::iconYOffset, -3.5).iconYOffset, -3.5) << "left unclamped for the overlay";
    EXPECT_EQ(read(PrefKey::responsivenessMode, std::string("Performance")).responsiveness, ResponsivenessMode::Balanced);
    EXPECT_EQ(read(PrefKey::responsivenessMode, std::string("performance")).responsiveness, ResponsivenessMode::Performance);
    EXPECT_EQ(read(PrefKey::responsivenessMode, std::int64_t { 0 }).responsiveness, ResponsivenessMode::Balanced);
    EXPECT_TRUE(read(PrefKey::closeOnHoverEnabled, std::string("false")).closeOnHoverEnabled);
    EXPECT_TRUE(read(PrefKey::closeOnHoverEnabled, std::int64_t { 0 }).closeOnHoverEnabled);
    EXPECT_FALSE(read(PrefKey::closeOnHoverEnabled, false).closeOnHoverEnabled);
    EXPECT_FALSE(read(PrefKey::fadeEnabled, false).fadeEnabled);
}

TEST(CachedSettings, NumbersNoSettingCanMeanReadAsTheDefault)
{
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : { std::numeric_limits<double>::quiet_NaN(), inf, -inf, 1e308, -1e308 }) {
        MemoryPreferences store;
        store.values[PrefKey::iconMaxSize] = bad;
        store.values[PrefKey::iconYOffset] = bad;
        store.values[PrefKey::windowSizeInfluence] = bad;
        EXPECT_EQ(readCachedSettings(store), CachedSettings {}) << bad;
        store.values[PrefKey::haloIntensity] = bad;
        store.values[PrefKey::nameTextSize] = bad;
        EXPECT_EQ(readOverlayContentSettings(store).haloIntensity, 1.5) << bad;
        EXPECT_EQ(readOverlayContentSettings(store).nameTextSize, 11) << bad;
    }
    MemoryPreferences store;
    store.values[PrefKey::iconMaxSize] = std::int64_t { 1'000'000'000'000 };
    EXPECT_EQ(readCachedSettings(store).iconMaxSize, 51);
}
