#include "overlay/content_settings.h"
#include "settings/cached_settings.h"
#include "settings/preference_keys.h"
#include "settings/reset_to_defaults.h"
#include "support/memory_preferences.h"
#include "vmac/virtual_notification_center.h"

#include <gtest/gtest.h>

#include <limits>

using namespace talvora;
using test_support::MemoryPreferences;

TEST(CachedSettings, EmptyStoreGivesTheDefaults)
{
    MemoryPreferences store;
    EXPECT_EQ(readCachedSettings(store), CachedSettings {});
    CachedSettings defaults;
    EXPECT_EQ(defaults.windowSizeInfluence, 1.0);
    EXPECT_TRUE(defaults.closeOnHoverEnabled);
    EXPECT_FALSE(defaults.closeMinimizeButtonsOnBottom);
    EXPECT_FALSE(defaults.closeMinimizeDoubleClickRequired);
    EXPECT_EQ(defaults.iconMaxSize, 51);
    EXPECT_EQ(defaults.iconYOffset, 0);
    EXPECT_TRUE(defaults.fadeEnabled);
    EXPECT_EQ(defaults.responsiveness, ResponsivenessMode::Balanced);
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
    EXPECT_EQ(read(PrefKey::windowSizeInfluence, std::numeric_limits<double>::quiet_NaN()).windowSizeInfluence, 1.0);
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

TEST(ResetToDefaults, WritesEveryDefaultExplicitlyAndPostsResponsivenessFirst)
{
    MemoryPreferences store;
    store.values[PrefKey::debugLogging] = true;
    store.values[PrefKey::pinnedAppsData] = PreferenceData { '[', ']' };
    store.values[PrefKey::telemetryAnonymousID] = std::string("abc");
    store.values[PrefKey::iconMaxSize] = 90.0;
    store.values[PrefKey::closeMinimizeButtonsOnBottom] = true;

    vmac::VirtualNotificationCenter notifications;
    std::vector<std::size_t> writesWhenPosted;
    auto a = static_cast<NotificationCenter&>(notifications).addObserver(NotificationName::responsivenessChanged,
        [&] { writesWhenPosted.push_back(store.writes.size()); });
    auto b = static_cast<NotificationCenter&>(notifications).addObserver(NotificationName::buttonBehaviorChanged,
        [&] { writesWhenPosted.push_back(store.writes.size()); });

    resetToDefaults(store, notifications);

    EXPECT_EQ(notifications.postedNames(),
        (std::vector<std::string> { NotificationName::responsivenessChanged, NotificationName::buttonBehaviorChanged }));
    EXPECT_EQ(writesWhenPosted, (std::vector<std::size_t> { 1, 28 })) << "responsiveness right after its own write";
    EXPECT_EQ(store.writes.front(), PrefKey::responsivenessMode);
    EXPECT_EQ(store.writes.back(), PrefKey::closeMinimizeDoubleClickRequired);

    EXPECT_EQ(store.values.at(PrefKey::responsivenessMode), PreferenceValue(std::string("balanced")));
    EXPECT_EQ(store.values.at(PrefKey::iconMaxSize), PreferenceValue(51.0));
    EXPECT_EQ(store.values.at(PrefKey::labelBgAlpha), PreferenceValue(0.0));
    EXPECT_EQ(store.values.at(PrefKey::pinnedHaloRed), PreferenceValue(0.2));
    EXPECT_EQ(store.values.at(PrefKey::closeMinimizeButtonsOnBottom), PreferenceValue(false));
    EXPECT_EQ(store.values.at(PrefKey::highlightPreviousWindow), PreferenceValue(true));

    EXPECT_EQ(store.values.at(PrefKey::debugLogging), PreferenceValue(true));
    EXPECT_EQ(store.values.at(PrefKey::pinnedAppsData), PreferenceValue(PreferenceData { '[', ']' }));
    EXPECT_EQ(store.values.at(PrefKey::telemetryAnonymousID), PreferenceValue(std::string("abc")));
    EXPECT_EQ(readCachedSettings(store), CachedSettings {});
}
