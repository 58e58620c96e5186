#include "overlay/content_settings.h"

#include "engine/icon_geometry.h"
#include "platform/preferences_store.h"
#include "settings/preference_keys.h"
#include "settings/setting_number.h"

#include <algorithm>
#include <cmath>

namespace talvora {

namespace {

// `!(v >= bound)` also sends NaN, which compares with nothing, to the fallback.
double atLeastOr(double value, double bound, double fallback)
{
    return value >= bound ? value : fallback;
}

} // namespace

double effectiveIconMaxSize(double points)
{
    return atLeastOr(points, 8, 51);
}

double effectiveNameTextSize(double points)
{
    return atLeastOr(points, 6, 11);
}

double effectiveTitleTextSize(double points)
{
    return atLeastOr(points, 6, 10);
}

double effectiveIconYOffset(double fraction) { return clampedIconYOffset(fraction); }

OverlayContentSettings readOverlayContentSettings(PreferencesStore& store)
{
    OverlayContentSettings s;
    auto number = [&](const char* key, double& field) { field = settingNumber(store, key).value_or(field); };
    auto boolean = [&](const char* key, bool& field) { field = store.boolean(key).value_or(field); };

    number(PrefKey::iconMaxSize, s.iconMaxSize);
    number(PrefKey::iconYOffset, s.iconYOffset);
    number(PrefKey::nameTextSize, s.nameTextSize);
    number(PrefKey::titleTextSize, s.titleTextSize);
    number(PrefKey::labelBgRed, s.labelBgRed);
    number(PrefKey::labelBgGreen, s.labelBgGreen);
    number(PrefKey::labelBgBlue, s.labelBgBlue);
    number(PrefKey::labelBgAlpha, s.labelBgAlpha);
    number(PrefKey::labelCornerRadius, s.labelCornerRadius);
    boolean(PrefKey::fadeEnabled, s.fadeEnabled);
    number(PrefKey::iconMaxOpacity, s.iconMaxOpacity);
    number(PrefKey::haloSizeMultiplier, s.haloSizeMultiplier);
    number(PrefKey::haloIntensity, s.haloIntensity);
    boolean(PrefKey::highlightPreviousWindow, s.highlightPreviousWindow);
    number(PrefKey::previousHaloRed, s.previousHaloRed);
    number(PrefKey::previousHaloGreen, s.previousHaloGreen);
    number(PrefKey::previousHaloBlue, s.previousHaloBlue);
    number(PrefKey::previousHaloAlpha, s.previousHaloAlpha);
    boolean(PrefKey::pinnedHaloEnabled, s.pinnedHaloEnabled);
    number(PrefKey::pinnedHaloRed, s.pinnedHaloRed);
    number(PrefKey::pinnedHaloGreen, s.pinnedHaloGreen);
    number(PrefKey::pinnedHaloBlue, s.pinnedHaloBlue);
    number(PrefKey::pinnedHaloAlpha, s.pinnedHaloAlpha);
    boolean(PrefKey::closeOnHoverEnabled, s.closeOnHoverEnabled);
    boolean(PrefKey::closeMinimizeButtonsOnBottom, s.closeMinimizeButtonsOnBottom);

    s.iconMaxSize = effectiveIconMaxSize(s.iconMaxSize);
    s.iconYOffset = effectiveIconYOffset(s.iconYOffset);
    s.nameTextSize = effectiveNameTextSize(s.nameTextSize);
    s.titleTextSize = effectiveTitleTextSize(s.titleTextSize);
    return s;
}

} // namespace talvora
