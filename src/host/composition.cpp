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
    , m_events(m_mac, m_input)
    , m_systemLog(systemLog)
    , m_preferences(m_home.preferencesFile(), clock, mainQueue, systemLog)
    , m_files(m_home)
    , m_platform { m_mac, m_mac, m_mac, m_mac, clock, mainQueue, m_preferences, m_notifications, m_workspaceNotifications,
        m_files, systemLog, m_input, m_accessibility, m_input, m_mac }
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
    m_accessibility.setTrusted(m_scenario.accessibilityTrusted);
    // A hung application keeps the caller waiting in real time; a virtual host moves its clock.
    m_accessibility.setWait([](double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); });
    m_pinnedApps = std::make_unique<PinnedAppsStore>(m_preferences, m_mac);
    m_hooks.userInput = [this](EventType type) { m_input.postEvent(type); };
    m_hooks.setAccessibilityTrusted = [this](bool trusted) { m_accessibility.setTrusted(trusted); };
    m_hooks.movePointer = [this](Point location) { m_input.movePointer(location); };
    m_hooks.click = [this] { click(); };
    m_hooks.clickIconButton = [this](WindowNumber window, vmac::IconButton button) { clickIconButton(window, button); };
    m_hooks.snapshot = [this](const std::string& caption) {
        if (onSnapshot)
            onSnapshot(caption);
    };
    m_hooks.writePreferenceFromOtherProcess = [this](const std::string& key, const std::optional<PreferenceValue>& value) {
        writePreferenceFromOtherProcess(key, value);
    };
}

Composition::~Composition()
{
    // Nothing may run into a half-destroyed app: the driver goes first, then the engine after
    // its log writer has finished (the home folder may go away next).
    m_driver.reset();
    m_tickModeSubscription.reset();
    m_hoverSubscription.reset();
    m_inputController.reset();
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
        OverlayContentView::Sources { *m_engine, m_preferences, *m_pinnedApps, m_activityReporter.get() });
    m_inputController = std::make_unique<InputController>(*m_engine, m_platform);
    // Only a change of the button under the pointer re-routes the mouse, not the first
    // appearance: an overlay takes clicks only on a button, so a click anywhere else on a
    // thumbnail still picks it.
    m_hoverSubscription = m_engine->hoveredButton.subscribe([this](const std::optional<WindowButton>& button) {
        m_overlays->routeMouse(button);
    });

    // One main-queue turn after the root view appears, its start sequence runs: the overlays
    // first, then the monitors.
    m_mainQueue.async([this, alive] {
        if (alive.expired())
            return;
        m_started = true;
        m_overlays->setupPerScreenOverlays();
        m_inputController->installLocalMouseMonitor([this](const AppWindow& window) { return m_overlays->isOverlayWindow(window); });
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

void Composition::click() { m_events.click(m_input.pointerLocation()); }

void Composition::clickIconButton(WindowNumber window, vmac::IconButton button)
{
    // A person aims at the button as it is drawn now, then clicks a moment later, once the
    // hover has caught up with the pointer.
    if (!m_engine)
        return;
    const auto& windows = m_engine->activeWindows.value();
    auto w = std::find_if(windows.begin(), windows.end(), [&](const WindowInfo& x) { return x.id == window; });
    if (w == windows.end())
        return;
    const auto& screens = m_engine->screens().cachedScreenInfos;
    auto screen = std::find_if(screens.begin(), screens.end(), [&](const ScreenInfo& s) { return s.id == w->hostScreenID; });
    if (screen == screens.end())
        return;
    const CachedSettings& settings = m_engine->settings();
    const IconPlacement icon = iconPlacement(*w, settings.iconMaxSize, settings.iconYOffset);
    const ButtonHoverKind kind = button == vmac::IconButton::Close ? ButtonHoverKind::Close : ButtonHoverKind::Minimize;
    const Point local = buttonCenter(icon, kind, settings.closeMinimizeButtonsOnBottom);
    m_input.movePointer(m_mac.appKitPoint({ screen->cgRect.minX() + local.x, screen->cgRect.minY() + local.y }));
    std::weak_ptr<int> alive = m_lifetime;
    m_mainQueue.after(kAimingTime, [this, alive] {
        if (!alive.expired())
            click();
    });
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
