#pragma once

namespace talvora {

// The settings scene of the application: the environment's open-settings action. Opening it
// shows the settings window, or brings the open one forward; it never makes a second window.
class SettingsScene {
public:
    virtual ~SettingsScene() = default;
    virtual void openSettings() = 0;
};

} // namespace talvora
