#include "app/content_view.h"

#include "settings/pinned_apps_store.h"

namespace talvora {

ContentView::ContentView(Platform& platform, ShellServices& shell, PinnedAppsStore& pinnedApps)
    : m_platform(platform)
    , m_shell(shell)
    , m_vm(std::make_unique<OverlayViewModel>(platform))
{
    m_overlays = std::make_unique<OverlayWindows>(platform.appWindows, platform.screens, platform.systemLog,
        OverlayContentView::Sources { *m_vm, platform.preferences, pinnedApps, shell.activity });
    m_inputController = std::make_unique<InputController>(*m_vm, platform);

    // The frame driver sits in the view's background, bound to the published tick mode; its
    // host view is in the root window, on the main display.
    m_driver = std::make_unique<DisplayLinkDriver>(platform.mainQueue, m_vm->tickMode.value(), [this] { frame(); });
    m_tickModeSubscription = m_vm->tickMode.subscribe([this](const TickModeSpec& mode) { m_driver->update(mode, [this] { frame(); }); });
    m_driver->hostView().moveToWindow(platform.windowServer.mainDisplayID());

    // Only a change of the button under the pointer re-routes the mouse, not the first
    // appearance: an overlay takes clicks only on a button, so a click anywhere else on a
    // thumbnail still picks it.
    m_hoverSubscription = m_vm->hoveredButton.subscribe([this](const std::optional<WindowButton>& button) {
        m_overlays->routeMouse(button);
    });
    m_observers.push_back(platform.workspaceNotifications.addObserver(kActiveSpaceDidChangeNotification, [this] { m_vm->handleSpaceChange(); }));
    m_observers.push_back(platform.notifications.addObserver(kScreenParametersDidChangeNotification, [this] { handleScreenParametersChange(); }));
    m_observers.push_back(platform.notifications.addObserver(kOpenSettingsNotification, [this] { openSettings(); }));
}

ContentView::~ContentView()
{
    // Nothing may run into a half-destroyed view: the driver goes first, then the overlays,
    // then the engine once its log writer has finished.
    m_driver.reset();
    m_tickModeSubscription.reset();
    m_hoverSubscription.reset();
    m_observers.clear();
    m_inputController.reset();
    m_overlays.reset();
    m_vm->debugLog().logManager().waitUntilIdle();
}

void ContentView::onAppear()
{
    if (m_hasStarted)
        return;
    m_hasStarted = true;
    std::weak_ptr<int> alive = m_lifetime;
    m_platform.mainQueue.async([this, alive] {
        if (!alive.expired())
            startServices();
    });
}

void ContentView::startServices()
{
    ++m_startCount;
    m_overlays->setupPerScreenOverlays();
    checkScreenRecordingPermission();
    m_inputController->installLocalMouseMonitor([this](const AppWindow& window) { return m_overlays->isOverlayWindow(window); });
    m_vm->startUserInputMonitoring();
    if (m_tapSupervisionEnabled)
        m_inputController->startEventTapSupervision();
}

void ContentView::checkScreenRecordingPermission()
{
    const bool granted = m_shell.screenCapture.preflight();
    log(std::string("[permission] screen-recording preflight=") + (granted ? "true" : "false"));
    if (granted)
        return;
    // The answer does not matter: a grant given now counts only after a relaunch.
    m_shell.screenCapture.request();
    log("[permission] screen-recording requested (must relaunch app to take effect)");
}

void ContentView::frame()
{
    if (!m_hasStarted)
        return;
    m_vm->tick();
    ++m_ticks;
    if (onTick)
        onTick();
}

void ContentView::handleScreenParametersChange()
{
    // Rebuilt on the next turn of the main queue, fresh windows for every screen, then the
    // engine re-reads the displays.
    std::weak_ptr<int> alive = m_lifetime;
    m_platform.mainQueue.async([this, alive] {
        if (alive.expired())
            return;
        m_overlays->setupPerScreenOverlays();
        // The frame driver's host view follows the root window to whatever display is now the
        // main one.
        m_driver->hostView().moveToWindow(m_platform.windowServer.mainDisplayID());
        m_vm->handleScreenParametersChange();
    });
}

void ContentView::openSettings()
{
    if (m_shell.settingsScene) {
        m_shell.settingsScene->openSettings();
        return;
    }
    log("[settings] open requested, but this build has no settings window");
}

} // namespace talvora
