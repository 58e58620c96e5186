#pragma once

namespace talvora {

class PreferencesStore;
class NotificationCenter;

// Writes every user-changeable setting's default explicitly (keys are not removed) and posts
// the responsiveness notification after the first write and the button-behaviour one at the
// end. Debug logging, pinned apps, the login item and telemetry keys are left alone.
void resetToDefaults(PreferencesStore& store, NotificationCenter& notifications);

} // namespace talvora
