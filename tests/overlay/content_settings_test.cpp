#include "overlay/content_settings.h"
#include "settings/preference_keys.h"
#include "support/memory_preferences.h"

#include <gtest/gtest.h>

#include <limits>

using namespace talvora;
using test_support::MemoryPreferences;

TEST(OverlayContentSettings, EveryFieldReadsItsOwnKey)
{
    // Distinct values everywhere catch a field bound to a neighbour's key.
    MemoryPreferences store;
    const char* numbers[] = { PrefKey::iconMaxSize, PrefKey::nameTextSize, PrefKey::titleTextSize,
        PrefKey::labelBgRed, PrefKey::labelBgGreen, PrefKey::labelBgBlue, PrefKey::labelBgAlpha,
        PrefKey::labelCornerRadius, PrefKey::iconMaxOpacity, PrefKey::haloSizeMultiplier, PrefKey::haloIntensity,
        PrefKey::previousHaloRed, PrefKey::previousHaloGreen, PrefKey::previousHaloBlue, PrefKey::previousHaloAlpha,
        PrefKey::pinnedHaloRed, PrefKey::pinnedHaloGreen, PrefKey::pinnedHaloBlue, PrefKey::pinnedHaloAlpha };
    for (int i = 0; auto* key : numbers)
        store.values[key] = 20.0 + i++;
    store.values[PrefKey::iconYOffset] = -0.5;
    for (auto* key : { PrefKey::fadeEnabled, PrefKey::highlightPreviousWindow, PrefKey::pinnedHaloEnabled,
             PrefKey::closeOnHoverEnabled })
        store.values[key] = false;
    store.values[PrefKey::closeMinimizeButtonsOnBottom] = true;

    auto s = readOverlayContentSettings(store);
    EXPECT_EQ((std::vector<double> { s.iconMaxSize, s.nameTextSize, s.titleTextSize, s.labelBgRed, s.labelBgGreen,
                  s.labelBgBlue, s.labelBgAlpha, s.labelCornerRadius, s.iconMaxOpacity, s.haloSizeMultiplier,
                  s.haloIntensity, s.previousHaloRed, s.previousHaloGreen, s.previousHaloBlue, s.previousHaloAlpha,
                  s.pinnedHaloRed, s.pinnedHaloGreen, s.pinnedHaloBlue, s.pinnedHaloAlpha }),
        (std::vector<double> { 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38 }));
    EXPECT_EQ(s.iconYOffset, -0.5);
    EXPECT_FALSE(s.fadeEnabled || s.highlightPreviousWindow || s.pinnedHaloEnabled || s.closeOnHoverEnabled);
    EXPECT_TRUE(s.closeMinimizeButtonsOnBottom);
}

TEST(OverlayContentSettings, LowerBoundsClampsAndIllTypedValues)
{
    using S = OverlayContentSettings;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* key;
        PreferenceValue stored;
        double S::*field;
        double expected;
    } cases[] = {
        { PrefKey::iconMaxSize, 7.99, &S::iconMaxSize, 51 }, { PrefKey::iconMaxSize, 8.0, &S::iconMaxSize, 8 },
        { PrefKey::iconMaxSize, nan, &S::iconMaxSize, 51 }, { PrefKey::nameTextSize, 5.9, &S::nameTextSize, 11 },
        { PrefKey::nameTextSize, 6.0, &S::nameTextSize, 6 }, { PrefKey::titleTextSize, 5.9, &S::titleTextSize, 10 },
        { PrefKey::titleTextSize, 6.0, &S::titleTextSize, 6 }, { PrefKey::iconYOffset, 3.0, &S::iconYOffset, 1 },
        { PrefKey::iconYOffset, -3.0, &S::iconYOffset, -1 }, { PrefKey::haloIntensity, std::int64_t { 2 }, &S::haloIntensity, 2 },
        { PrefKey::haloIntensity, std::string("2"), &S::haloIntensity, 1.5 },
    };
    for (const auto& c : cases) {
        MemoryPreferences store;
        store.values[c.key] = c.stored;
        EXPECT_EQ(readOverlayContentSettings(store).*c.field, c.expected) << c.key;
    }
    MemoryPreferences store;
    store.values[PrefKey::closeOnHoverEnabled] = std::int64_t { 0 };
    EXPECT_TRUE(readOverlayContentSettings(store).closeOnHoverEnabled) << "only a Boolean is a Boolean";
}
