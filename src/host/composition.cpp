#include "host/composition.h"

#include <filesystem>
#include <fstream>

namespace talvora::host {

Composition::Composition(vmac::Scenario scenario, vmac::HomeFolder home, Clock& clock, RunLoop& mainQueue, SystemLog& systemLog)
    : m_scenario(std::move(scenario))
    , m_home(std::move(home))
    , m_clock(clock)
    , m_mainQueue(mainQueue)
    , m_appBundles(m_home.applications())
    , m_mac(m_scenario.desktop, m_scenario.talvoraPID, clock, m_workspaceNotifications)
    , m_systemLog(systemLog)
    , m_preferences(m_home.preferencesFile(), clock, mainQueue, systemLog)
    , m_files(m_home)
    , m_platform { m_mac, m_mac, m_mac, m_mac, clock, mainQueue, m_preferences, m_notifications, m_workspaceNotifications,
        m_files, systemLog, m_input, m_input, m_input, m_mac }
{
    m_mac.setApplicationNotifications(&m_notifications);
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
    m_input.setTrusted(m_scenario.accessibilityTrusted);
    m_pinnedApps = std::make_unique<PinnedAppsStore>(m_preferences, m_mac);
    m_hooks.userInput = [this](EventType type) { m_input.postEvent(type); };
    m_hooks.setAccessibilityTrusted = [this](bool trusted) { m_input.setTrusted(trusted); };
    m_hooks.movePointer = [this](Point location) { m_input.movePointer(location); };
    m_hooks.click = [this] { click(); };
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
    // Nothing may run into a half-destroyed app: the driver goes first, then the engine after
    // its log writer has finished (the home folder may go away next).
    m_driver.reset();
    m_tickModeSubscription.reset();
    m_hoverSubscription.reset();
    m_overlays.reset();
    m_observers.clear();
    if (m_engine)
        m_engine->debugLog().logManager().waitUntilIdle();
}

OverlayViewModel& Composition::createEngine()
{
    m_engine = std::make_unique<OverlayViewModel>(m_platform);
    m_startedAt = m_clock.mediaTime();
    NotificationCenter& workspace = m_workspaceNotifications;
    m_observers.push_back(workspace.addObserver(kActiveSpaceDidChangeNotification, [this] { m_engine->handleSpaceChange(); }));
    NotificationCenter& app = m_notifications;
    m_observers.push_back(app.addObserver(kScreenParametersDidChangeNotification, [this] { handleScreenParametersChange(); }));
    return *m_engine;
}

void Composition::start()
{
    createEngine();
    std::weak_ptr<int> alive = m_lifetime;

    // The frame driver exists from the root view's creation, with the engine's initial mode;
    // its host view is in the root window, on the main display.
    m_driver = std::make_unique<DisplayLinkDriver>(m_mainQueue, m_engine->tickMode.value(), [this] { frame(); });
    m_tickModeSubscription = m_engine->tickMode.subscribe([this](const TickModeSpec& mode) { m_driver->update(mode, [this] { frame(); }); });
    m_driver->hostView().moveToWindow(static_cast<WindowServer&>(m_mac).mainDisplayID());

    // The root view lives in an ordinary window until the overlay set-up hides it.
    AppWindows& windows = m_mac;
    m_rootWindow = windows.createWindow(rootWindowFrame(), WindowStyleMask::titled | WindowStyleMask::closable
            | WindowStyleMask::miniaturizable | WindowStyleMask::resizable, {});
    m_rootWindow->orderFront();
    m_overlays = std::make_unique<OverlayWindows>(m_mac, m_mac, m_systemLog,
        OverlayContentView::Sources { *m_engine, m_preferences, *m_pinnedApps, nullptr });
    // Only a change of the hovered window re-routes the mouse, not the first appearance.
    m_hoverSubscription = m_engine->hoveredWindowID.subscribe([this](const std::optional<WindowNumber>& hovered) {
        m_overlays->routeMouse(hovered);
    });

    // One main-queue turn after the root view appears, its start sequence runs: the overlays
    // first, then the monitors.
    m_mainQueue.async([this, alive] {
        if (alive.expired())
            return;
        m_started = true;
        m_overlays->setupPerScreenOverlays();
        m_engine->startUserInputMonitoring();
    });

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

void Composition::frame()
{
    if (!m_started || !m_engine)
        return;
    m_engine->tick();
    ++m_ticks;
    if (onTick)
        onTick();
}

void Composition::handleScreenParametersChange()
{
    // Rebuilt on the next turn of the main queue, fresh windows for every screen, then the
    // engine re-reads the displays.
    std::weak_ptr<int> alive = m_lifetime;
    m_mainQueue.async([this, alive] {
        if (alive.expired() || !m_engine)
            return;
        if (m_overlays)
            m_overlays->setupPerScreenOverlays();
        // The frame driver's host view moves to whatever display is now the main one.
        if (m_driver)
            m_driver->hostView().moveToWindow(static_cast<WindowServer&>(m_mac).mainDisplayID());
        m_engine->handleScreenParametersChange();
    });
}

void Composition::click()
{
    // Other applications' global monitors hear every click that does not land in one of this
    // program's own windows.
    auto target = m_mac.mouseDown(m_input.pointerLocation());
    if (target.kind != vmac::ClickTarget::Kind::OwnWindow)
        m_input.postEvent(EventType::LeftMouseDown);
}

Rect Composition::rootWindowFrame()
{
    Screens& screens = m_mac;
    auto main = screens.mainScreen();
    if (!main)
        return { 0, 0, 480, 320 };
    return { main->frame.x + (main->frame.width - 480) / 2, main->frame.y + (main->frame.height - 320) / 2, 480, 320 };
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
