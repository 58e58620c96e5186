#pragma once

#include "platform/application.h"
#include "platform/settings_scene.h"
#include "platform/status_bar.h"
#include "platform/updater.h"

#include <functional>

namespace talvora {

class ActivityReporter;

// What the application shell needs besides the engine's platform: the status bar, the
// application object, screen-capture access, and the parts a build may leave out. Without a
// settings scene a request to open the settings is logged and goes no further; without an
// updater the menu's update entry is shown disabled; without telemetry nothing is sent.
struct ShellServices {
    StatusBar& statusBar;
    Application& application;
    ScreenCaptureAccess& screenCapture;
    SettingsScene* settingsScene = nullptr;
    Updater* updater = nullptr;
    std::function<void()> sendLaunchEvent;
    ActivityReporter* activity = nullptr;
};

// Notification posted by the status menu and observed by the root view.
inline constexpr const char* kOpenSettingsNotification = "TalvoraOpenSettings";

} // namespace talvora
