#pragma once

#include "app/talvora_app.h"
#include "host/network_services.h"
#include "host/settings_support.h"
#include "input/input_controller.h"
#include "platform/platform.h"
#include "settings/pinned_apps_store.h"
#include "vmac/app_bundles.h"
#include "vmac/event_stream.h"
#include "vmac/file_preferences_store.h"
#include "vmac/home_folder.h"
#include "vmac/posix_files.h"
#include "vmac/scenario.h"
#include "vmac/event_stream.h"
#include "vmac/virtual_accessibility.h"
#include "vmac/virtual_application.h"
#include "vmac/virtual_input.h"
#include "vmac/virtual_mac.h"
#include "vmac/virtual_notification_center.h"

#include <functional>
#include <memory>
#include <string>

namespace talvora::host {

// The application on a virtual Mac: the composition root. It builds the platform services,
// writes the scenario's preferences (and the debug-log marker) before the engine exists,
// because the engine reads some of them only once, then launches the app (`TalvoraApp`) and
// plays the scenario's timeline on the main queue. The clock and the main queue are given:
// virtual ones for tests, scenarios and benchmarks, real-time ones for the interactive app and
// the idle-cost benchmark.
//
// The settings window, the update checker and telemetry plug in through shellServices()
// before start(); without them the app runs as ShellServices describes.
class Composition {
public:
    Composition(vmac::Scenario scenario, vmac::HomeFolder home, Clock& clock, RunLoop& mainQueue, SystemLog& systemLog);
    ~Composition();
    Composition(const Composition&) = delete;
    Composition& operator=(const Composition&) = delete;

    // How long after aiming at an icon's button a scripted click follows.
    static constexpr double kAimingTime = 0.1;

    // The scenario's click on a button of a window's icon (see ScenarioHooks).
    void clickIconButton(WindowNumber window, vmac::IconButton button);
    // Where that button of a window's icon is drawn now, in AppKit global coordinates;
    // nothing while the window has no icon.
    std::optional<Point> iconButtonLocation(WindowNumber window, vmac::IconButton button);

    // Whether the start sequence starts the event tap's supervision (on unless a benchmark
    // measures the app without it). Set before start().
    void setEventTapSupervisionEnabled(bool enabled) { m_tapSupervisionEnabled = enabled; }

    // Launches the app and, unless told not to, plays the scenario's timeline, whose times
    // count from here.
    void start(bool playTimeline = true);
    // The left button goes down and up where the pointer is, routed as the window server
    // routes it; other applications' monitors hear it unless it lands in an own window.
    vmac::ClickTarget clickAtPointer();
    // Usage events: the launch handler records the launch and the overlays tell it when icons
    // appear. Set before `start`; the telemetry outlives the composition. Without it nothing is
    // reported.
    void setTelemetry(Telemetry* telemetry)
    {
        m_activityReporter = telemetry ? std::make_unique<TelemetryActivityReporter>(*telemetry) : nullptr;
        m_shell.activity = m_activityReporter.get();
        m_shell.sendLaunchEvent = telemetry ? std::function<void()>([telemetry] { telemetry->sendLaunchEvent(); }) : nullptr;
    }
    // Creates the engine without starting it, for callers that tick it themselves.
    OverlayViewModel& createEngine();

    // Called after every tick.
    std::function<void()> onTick;
    // Called once the app has terminated (after its will-terminate notification).
    std::function<void()> onTerminate;
    // Called when the scenario asks for a picture of the displays.
    std::function<void(const std::string& caption)> onSnapshot;
    // Called when a timeline action has been applied.
    std::function<void(const vmac::TimelineAction&)> onAction;
    // Called when the scenario opens the settings window, with the tab to show (may be empty).
    std::function<void(const std::string& tab)> onOpenSettings;

    OverlayViewModel& engine() { return m_app->contentView()->vm(); }
    // Clicks on the icons' buttons and the window actions, from the start of the app.
    InputController* inputController() { return m_app->contentView() ? &m_app->contentView()->inputController() : nullptr; }
    // The overlay windows, from the start of the app.
    OverlayWindows* overlays() { return m_app->contentView() ? &m_app->contentView()->overlays() : nullptr; }
    // The window that hosts the root view; hidden by the first overlay set-up.
    const AppWindowRef& rootWindow() const { return m_app->rootWindow(); }
    DisplayLinkDriver* frameDriver() { return m_app->contentView() ? &m_app->contentView()->frameDriver() : nullptr; }
    TalvoraApp& app() { return *m_app; }
    ShellServices& shellServices() { return m_shell; }
    vmac::VirtualApplication& application() { return m_application; }
    vmac::PrivacySettings& privacy() { return m_privacy; }
    vmac::VirtualMac& mac() { return m_mac; }
    vmac::VirtualInput& input() { return m_input; }
    vmac::VirtualAccessibility& accessibility() { return m_accessibility; }
    vmac::EventStream& events() { return m_events; }
    vmac::VirtualNotificationCenter& notifications() { return m_notifications; }
    vmac::VirtualNotificationCenter& workspaceNotifications() { return m_workspaceNotifications; }
    vmac::VirtualNotificationCenter& distributedNotifications() { return m_distributedNotifications; }
    PreferencesStore& preferences() { return m_preferences; }
    Platform& platform() { return m_platform; }
    PinnedAppsStore& pinnedApps() { return *m_pinnedApps; }
    SettingsSupport& settingsSupport() { return *m_settingsSupport; }
    const vmac::HomeFolder& home() const { return m_home; }
    const vmac::Scenario& scenario() const { return m_scenario; }
    int tickCount() const { return m_app->contentView() ? m_app->contentView()->tickCount() : 0; }
    double startedAt() const { return m_startedAt; }

private:
    void writePreferenceFromOtherProcess(const std::string& key, const std::optional<PreferenceValue>& value);

    vmac::Scenario m_scenario;
    vmac::HomeFolder m_home;
    Clock& m_clock;
    RunLoop& m_mainQueue;
    vmac::VirtualNotificationCenter m_notifications;
    vmac::VirtualNotificationCenter m_workspaceNotifications; // before the Mac, which posts on it
    vmac::AppBundles m_appBundles; // the home's Applications folder; before the Mac, which looks into it
    vmac::VirtualMac m_mac;
    vmac::VirtualNotificationCenter m_distributedNotifications;
    vmac::VirtualAccessibility m_accessibility;
    vmac::VirtualInput m_input;
    vmac::EventStream m_events;
    SystemLog& m_systemLog;
    vmac::FilePreferencesStore m_preferences;
    vmac::PosixFiles m_files;
    Platform m_platform;
    vmac::VirtualApplication m_application;
    vmac::PrivacySettings m_privacy;
    ShellServices m_shell;
    std::unique_ptr<PinnedAppsStore> m_pinnedApps;
    std::unique_ptr<SettingsSupport> m_settingsSupport;
    std::unique_ptr<TelemetryActivityReporter> m_activityReporter; // before the app, which reports to it
    std::unique_ptr<TalvoraApp> m_app;
    vmac::ScenarioHooks m_hooks;
    double m_startedAt = 0;
    bool m_tapSupervisionEnabled = true;
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace talvora::host
