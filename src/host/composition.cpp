#include "host/composition.h"

#include "engine/icon_geometry.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace talvora::host {

Composition::Composition(vmac::Scenario scenario, vmac::HomeFolder home, Clock& clock, RunLoop& mainQueue, SystemLog& systemLog)
    : m_scenario(std::move(scenario))
    , m_home(std::move(home))
    , m_clock(clock)
    , m_mainQueue(mainQueue)
    , m_appBundles(m_home.applications())
    , m_mac(m_scenario.desktop, m_scenario.talvoraPID, clock, m_workspaceNotifications)
    , m_accessibility(m_mac)
    , m_input(m_accessibility)
    , m_events(m_mac, m_input, m_accessibility)
    , m_systemLog(systemLog)
    , m_preferences(m_home.preferencesFile(), clock, mainQueue, systemLog)
    , m_files(m_home)
    , m_platform { m_mac, m_mac, m_mac, m_mac, clock, mainQueue, m_preferences, m_notifications, m_workspaceNotifications,
        m_files, systemLog, m_input, m_accessibility, m_input, m_mac, m_events, m_distributedNotifications }
    , m_application(m_mac, m_notifications)
    , m_privacy(m_scenario.desktop.screenRecordingGranted, m_scenario.accessibilityTrusted)
    , m_shell { m_mac.statusBar(), m_application, m_privacy, nullptr, nullptr, {}, nullptr }
{
    m_mac.setApplicationNotifications(&m_notifications);
    // A chosen menu item runs once menu tracking has ended, on the main queue.
    m_mac.statusBar().setActionQueue([this](std::function<void()> action) {
        std::weak_ptr<int> alive = m_lifetime;
        m_mainQueue.async([alive, action = std::move(action)] {
            if (!alive.expired())
                action();
        });
    });
    m_application.setOnTerminate([this] {
        if (onTerminate)
            onTerminate();
    });
    // The scenario's applications are on the disk before anything looks for them.
    for (const auto& app : m_scenario.installedApps)
        m_appBundles.install(app);
    m_mac.setAppBundles(&m_appBundles);
    PreferencesStore& store = m_preferences;
    for (const auto& [key, value] : m_scenario.initialPreferences)
        store.set(key, value);
    if (m_scenario.debugLogging) {
        std::error_code error;
        std::filesystem::create_directories(m_home.library() + "/Logs/Talvora", error);
        std::ofstream(m_home.library() + "/Logs/Talvora/DEBUG_ON");
    }
    m_accessibility.setTrusted(m_privacy.accessibilityAllowed());
    m_privacy.setOnAccessibilityChange([this](bool trusted) { m_accessibility.setTrusted(trusted); });
    m_accessibility.setDistributedNotifications(&m_distributedNotifications);
    // A hung application keeps the caller waiting in real time; a virtual host moves its clock.
    m_accessibility.setWait([](double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); });
    m_pinnedApps = std::make_unique<PinnedAppsStore>(m_preferences, m_mac);
    m_app = std::make_unique<TalvoraApp>(m_platform, m_shell, *m_pinnedApps);
    m_hooks.userInput = [this](EventType type) { m_input.postEvent(type); };
    m_hooks.setAccessibilityTrusted = [this](bool trusted) { m_privacy.setAccessibilityAllowed(trusted); };
    m_hooks.movePointer = [this](Point location) { m_input.movePointer(location); };
    m_hooks.click = [this] { clickAtPointer(); };
    m_hooks.disableEventTaps = [this](bool byTimeout) { m_events.disableTaps(byTimeout); };
    m_hooks.clickIconButton = [this](WindowNumber window, vmac::IconButton button) { clickIconButton(window, button); };
    m_hooks.snapshot = [this](const std::string& caption) {
        if (onSnapshot)
            onSnapshot(caption);
    };
    m_hooks.writePreferenceFromOtherProcess = [this](const std::string& key, const std::optional<PreferenceValue>& value) {
        writePreferenceFromOtherProcess(key, value);
    };
    m_settingsSupport = std::make_unique<SettingsSupport>(*this);
    m_hooks.openSettings = [this](const std::string& tab) {
        if (onOpenSettings)
            onOpenSettings(tab);
    };
}

Composition::~Composition()
{
    // The app goes before the services it was given (the home folder may go away next).
    m_app.reset();
}

OverlayViewModel& Composition::createEngine()
{
    OverlayViewModel& engine = m_app->showRootWindow().vm();
    m_startedAt = m_clock.mediaTime();
    m_app->contentView()->setEventTapSupervisionEnabled(m_tapSupervisionEnabled);
    m_app->contentView()->onTick = [this] {
        if (onTick)
            onTick();
    };
    return engine;
}

void Composition::start(bool playTimeline)
{
    createEngine();
    m_app->launch();
    if (!playTimeline)
        return;
    std::weak_ptr<int> alive = m_lifetime;
    for (const auto& action : m_scenario.timeline) {
        m_mainQueue.after(action.at, [this, alive, &action] {
            if (alive.expired())
                return;
            action.apply(m_mac, m_hooks);
            if (onAction)
                onAction(action);
        });
    }
}

vmac::ClickTarget Composition::clickAtPointer()
{
    return m_events.click(m_input.pointerLocation()).target;
}

std::optional<Point> Composition::iconButtonLocation(WindowNumber window, vmac::IconButton button)
{
    if (!m_app->contentView())
        return std::nullopt;
    OverlayViewModel& engine = m_app->contentView()->vm();
    const auto& windows = engine.activeWindows.value();
    auto w = std::find_if(windows.begin(), windows.end(), [&](const WindowInfo& x) { return x.id == window; });
    if (w == windows.end())
        return std::nullopt;
    const auto& screens = engine.screens().cachedScreenInfos;
    auto screen = std::find_if(screens.begin(), screens.end(), [&](const ScreenInfo& s) { return s.id == w->hostScreenID; });
    if (screen == screens.end())
        return std::nullopt;
    const CachedSettings& settings = engine.settings();
    const IconPlacement icon = iconPlacement(*w, settings.iconMaxSize, settings.iconYOffset);
    const ButtonHoverKind kind = button == vmac::IconButton::Close ? ButtonHoverKind::Close : ButtonHoverKind::Minimize;
    const Point local = buttonCenter(icon, kind, settings.closeMinimizeButtonsOnBottom);
    return m_mac.appKitPoint({ screen->cgRect.minX() + local.x, screen->cgRect.minY() + local.y });
}

void Composition::clickIconButton(WindowNumber window, vmac::IconButton button)
{
    // A person aims at the button as it is drawn now, then clicks a moment later, once the
    // hover has caught up with the pointer.
    auto location = iconButtonLocation(window, button);
    if (!location)
        return;
    m_input.movePointer(*location);
    std::weak_ptr<int> alive = m_lifetime;
    m_mainQueue.after(kAimingTime, [this, alive] {
        if (!alive.expired())
            clickAtPointer();
    });
}

void Composition::writePreferenceFromOtherProcess(const std::string& key, const std::optional<PreferenceValue>& value)
{
    // Another process has its own view of the domain: a store of its own on the same file.
    vmac::FilePreferencesStore other(m_home.preferencesFile(), m_clock, m_mainQueue, m_systemLog);
    PreferencesStore& store = other;
    if (value)
        store.set(key, value.value());
    else
        store.remove(key);
}

} // namespace talvora::host
