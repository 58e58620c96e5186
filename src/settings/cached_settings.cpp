#include "settings/cached_settings.h"

#include "platform/preferences_store.h"
#include "settings/preference_keys.h"
#include "settings/setting_number.h"

namespace talvora {

namespace {

// A Boolean stored as a Boolean is taken as is; anything else (absent, a number, a string)
// gives the default.
bool booleanOr(PreferencesStore& store, const char* key, bool fallback)
{
    return store.boolean(key).value_or(fallback);
}

double clampedInfluence(PreferencesStore& store)
{
    auto v = store.object(PrefKey::windowSizeInfluence);
    if (!v)
        return 1.0;
    double d;
    if (auto* real = std::get_if<double>(&*v))
        d = *real;
    else if (auto* integer = std::get_if<std::int64_t>(&*v))
        d = static_cast<double>(*integer);
    else
        return 1.0;
    // NaN, the infinities and absurd magnitudes are invalid values, read as the default
    // rather than clamped (-1e308 would otherwise become 0).
    if (!isUsableSettingNumber(d) || !(d < 1))
        return 1.0;
    return d >= 0 ? d : 0.0;
}

} // namespace

CachedSettings readCachedSettings(PreferencesStore& store)
{
    CachedSettings s;
    auto mode = store.string(PrefKey::responsivenessMode);
    s.responsiveness = mode ? responsivenessModeFromRaw(*mode).value_or(ResponsivenessMode::Balanced) : ResponsivenessMode::Balanced;
    s.windowSizeInfluence = clampedInfluence(store);
    s.closeOnHoverEnabled = booleanOr(store, PrefKey::closeOnHoverEnabled, true);
    s.closeMinimizeButtonsOnBottom = booleanOr(store, PrefKey::closeMinimizeButtonsOnBottom, false);
    s.closeMinimizeDoubleClickRequired = booleanOr(store, PrefKey::closeMinimizeDoubleClickRequired, false);
    double iconMaxSize = settingNumber(store, PrefKey::iconMaxSize).value_or(0.0);
    s.iconMaxSize = iconMaxSize < 8 ? 51.0 : iconMaxSize;
    s.iconYOffset = settingNumber(store, PrefKey::iconYOffset).value_or(0.0);
    s.fadeEnabled = booleanOr(store, PrefKey::fadeEnabled, true);
    return s;
}

} // namespace talvora
