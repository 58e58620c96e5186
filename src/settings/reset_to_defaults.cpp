#include "settings/reset_to_defaults.h"

#include "platform/notification_center.h"
#include "platform/preferences_store.h"
#include "settings/preference_keys.h"

#include <string>

namespace talvora {

void resetToDefaults(PreferencesStore& store, NotificationCenter& notifications)
{
    for (const auto& pref : kResettablePreferences) {
        std::visit(
            [&](auto value) {
                using T = decltype(value);
                if constexpr (std::is_same_v<T, const char*>)
                    store.set(pref.key, std::string(value));
                else
                    store.set(pref.key, value);
            },
            pref.value);
        // The engine must re-evaluate its tick mode as soon as the mode is back to its default,
        // before the remaining keys are written.
        if (std::string_view(pref.key) == PrefKey::responsivenessMode)
            notifications.post(NotificationName::responsivenessChanged);
    }
    notifications.post(NotificationName::buttonBehaviorChanged);
}

} // namespace talvora
