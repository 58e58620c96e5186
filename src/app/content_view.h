#pragma once

#include "app/shell_services.h"
#include "engine/frame_driver.h"
#include "engine/overlay_view_model.h"
#include "input/input_controller.h"
#include "overlay/overlay_windows.h"
#include "platform/platform.h"

#include <functional>
#include <memory>
#include <vector>

namespace talvora {

class PinnedAppsStore;

// The root view: it owns the engine and the frame driver for the life of the process, forwards
// the system's notifications to them, and starts everything once, on its first appearance.
// Main thread only.
class ContentView {
public:
    ContentView(Platform& platform, ShellServices& shell, PinnedAppsStore& pinnedApps);
    ~ContentView();
    ContentView(const ContentView&) = delete;
    ContentView& operator=(const ContentView&) = delete;

    // The view is shown. The first time, it sets its start flag (from then on every frame
    // ticks the engine) and runs the start sequence one main-queue turn later; later
    // appearances do nothing.
    void onAppear();
    bool hasStarted() const { return m_hasStarted; }
    // Whether the start sequence supervises the event tap (on unless a benchmark measures the
    // app without it). Set before the start.
    void setEventTapSupervisionEnabled(bool enabled) { m_tapSupervisionEnabled = enabled; }

    OverlayViewModel& vm() { return *m_vm; }
    // The overlay windows; built by the start sequence.
    OverlayWindows& overlays() { return *m_overlays; }
    DisplayLinkDriver& frameDriver() { return *m_driver; }
    // Clicks on the icons' buttons and the window actions.
    InputController& inputController() { return *m_inputController; }
    // How many times the start sequence ran (once at most).
    int startCount() const { return m_startCount; }
    int tickCount() const { return m_ticks; }

    // Called after every tick.
    std::function<void()> onTick;

private:
    void startServices();
    void checkScreenRecordingPermission();
    void frame();
    void handleScreenParametersChange();
    void openSettings();
    void log(const std::string& message) { m_platform.systemLog.log(LogLevel::Debug, "App", message); }

    Platform& m_platform;
    ShellServices& m_shell;
    std::unique_ptr<OverlayViewModel> m_vm;
    std::unique_ptr<OverlayWindows> m_overlays;
    std::unique_ptr<InputController> m_inputController;
    std::unique_ptr<DisplayLinkDriver> m_driver;
    Published<TickModeSpec>::Subscription m_tickModeSubscription;
    Published<std::optional<WindowButton>>::Subscription m_hoverSubscription;
    std::vector<ObserverTokenPtr> m_observers;
    bool m_hasStarted = false;
    bool m_tapSupervisionEnabled = true;
    int m_startCount = 0;
    int m_ticks = 0;
    // Work queued on the main queue holds this weakly and does nothing once the view is gone.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace talvora
