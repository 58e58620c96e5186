#pragma once

#include "platform/application_process.h"
#include "platform/files.h"
#include "platform/login_items.h"
#include "platform/notification_center.h"
#include "platform/permission_probes.h"
#include "platform/preferences_store.h"
#include "platform/run_loop.h"
#include "platform/workspace_actions.h"
#include "settings/pinned_apps_store.h"
#include "settings/settings_controls.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace talvora {

// The application's version as its bundle states it; a missing part shows as an em dash.
struct ApplicationVersion {
    std::optional<std::string> shortVersion; // CFBundleShortVersionString
    std::optional<std::string> build; // CFBundleVersion
};
std::string versionText(const ApplicationVersion& version);

// What the settings window needs from the rest of the application. All outlive the model.
struct SettingsServices {
    PreferencesStore& preferences;
    NotificationCenter& notifications; // the application's default centre
    PinnedAppsStore& pinnedApps;
    Workspace& workspace;
    Files& files;
    LoginItemService& loginItems;
    PermissionProbes& permissions;
    WorkspaceActions& workspaceActions;
    ApplicationProcess& process;
    RunLoop& mainQueue;
    ApplicationVersion version;
};

// One row of the pinned-applications list, as the window shows it.
struct PinnedAppRowModel {
    std::string bundleID;
    std::string name; // the display name, or the bundle identifier when the app is unknown
    ImageRef icon; // empty when unknown
    bool isKnown = false; // false: placeholder symbol and the identifier, in the secondary style
    RGBA color; // the custom colour, or the default pinned-halo colour
    bool hasCustomColor = false;
    std::string colorHelp;
};

// The settings window without its widgets: every value it shows, whether each control is
// enabled, and what each action does. Values are read from the preferences store each time,
// so a change made by another process shows at the next refresh; writes go to the store at
// once. Main thread only.
//
// One model lives for the whole process, whether or not its window is open: it remembers the
// debug-logging value seen when the window first showed it.
class SettingsWindowModel {
public:
    explicit SettingsWindowModel(SettingsServices services);
    SettingsWindowModel(const SettingsWindowModel&) = delete;
    SettingsWindowModel& operator=(const SettingsWindowModel&) = delete;

    // Called after anything the window shows may have changed: a preference (here or in
    // another process), the pinned list, or the system state read on activation.
    void setChangeHandler(std::function<void()> handler) { m_changeHandler = std::move(handler); }

    // While on (the window is shown), the store is looked at twice a second, so a value another
    // process writes shows within about a second.
    void followChanges(bool on);

    bool toggleValue(const ToggleSpec& toggle) const;
    bool isEnabled(const ToggleSpec& toggle) const;
    // The person changed a toggle. Its notification, if it has one, is posted only when the
    // stored value really changes.
    void setToggle(const ToggleSpec& toggle, bool on);

    double sliderValue(const SliderSpec& slider) const;
    void setSliderValue(const SliderSpec& slider, double value); // kept within the range

    RGBA color(const ColorPickerSpec& picker) const;
    bool isEnabled(const ColorPickerSpec& picker) const;
    // The person picked a colour; nothing when it could not be converted to sRGB, which keeps
    // what is stored.
    void setColor(const ColorPickerSpec& picker, const std::optional<RGBA>& picked);

    ResponsivenessMode responsiveness() const;
    // Posts the responsiveness notification when the stored mode changes.
    void setResponsiveness(ResponsivenessMode mode);

    // System state, read when the model is created and on each activation of the application.
    bool isGranted(Permission permission) const;
    // Opens the privacy pane for this permission; the window never asks for a permission itself.
    bool openSystemSettings(Permission permission);
    bool launchAtLogin() const { return m_launchAtLogin; }
    // The person turned launch at login on or off: register or unregister. When that fails the
    // toggle goes back to what the service reports. Refreshes never call this.
    void setLaunchAtLogin(bool on);
    void refreshSystemState();

    // The debug-logging toggle. The first call of `noteDebugSectionShown` remembers the stored
    // value for the rest of the process; while the toggle differs from it, a relaunch is due.
    void noteDebugSectionShown();
    bool isRelaunchRequired() const;
    // Quits only once the relaunch has started; otherwise stays, with the reason to show.
    void relaunchNow();
    const std::optional<std::string>& relaunchError() const { return m_relaunchError; }
    std::optional<std::string> logFilePath() const;
    void showLogFile();

    std::string versionText() const { return talvora::versionText(m_services.version); }

    std::vector<PinnedAppRowModel> pinnedAppRows() const;
    // The chosen application bundles, in order: each one's identifier is pinned unless it is
    // already; a location that is no bundle or has no identifier is skipped. Returns how many
    // were added.
    int pinApplications(const std::vector<std::string>& bundlePaths);
    void removePinnedApp(const std::string& bundleID);
    // A colour picked on a row; nothing (unconvertible) keeps the row's colour.
    void setPinnedAppColor(const std::string& bundleID, const std::optional<RGBA>& picked);
    void useDefaultColor(const std::string& bundleID);

    void resetToDefaults();

private:
    void changed();
    void write(const char* key, PreferenceValue value);

    SettingsServices m_services;
    std::function<void()> m_changeHandler;
    ObserverTokenPtr m_preferencesObserver;
    ObserverTokenPtr m_pinnedObserver;
    ObserverTokenPtr m_activationObserver;
    RepeatingTimerPtr m_followTimer;
    bool m_screenRecordingGranted = false;
    bool m_accessibilityGranted = false;
    bool m_launchAtLogin = false;
    std::optional<bool> m_rememberedDebugLogging;
    std::optional<std::string> m_relaunchError;
};

} // namespace talvora
