#pragma once

#include "engine/overlay_view_model.h"
#include "platform/platform.h"
#include "vmac/file_preferences_store.h"
#include "vmac/home_folder.h"
#include "vmac/posix_files.h"
#include "vmac/scenario.h"
#include "vmac/virtual_clock.h"
#include "vmac/virtual_mac.h"
#include "vmac/virtual_notification_center.h"
#include "vmac/virtual_run_loop.h"

#include <functional>
#include <memory>
#include <string>

namespace talvora::host {

// The application on a virtual Mac in virtual time: the composition root that the headless
// run, the scenario tests and the benchmarks share. It writes the scenario's preferences (and
// the debug-log marker) into the home folder before the engine is created, because the engine
// reads some of them only once, then plays the timeline and ticks the engine at the rate the
// engine publishes.
class Simulation {
public:
    Simulation(vmac::Scenario scenario, vmac::HomeFolder home, SystemLog& systemLog);
    ~Simulation();

    // Creates the engine and starts ticking; the timeline's times count from here.
    void start();
    // Creates the engine without ticking it, for callers that tick it themselves.
    OverlayViewModel& createEngine();
    // Runs virtual time forward, ticking and playing the timeline.
    void runFor(double seconds);
    void runToEnd() { runFor(m_scenario.duration - elapsed() + 0.5); }
    double elapsed() const { return m_clock.mediaTime() - m_startedAt; }

    // Called after every tick.
    std::function<void()> onTick;
    // Called when a timeline action has been applied.
    std::function<void(const vmac::TimelineAction&)> onAction;

    OverlayViewModel& engine() { return *m_engine; }
    vmac::VirtualMac& mac() { return m_mac; }
    vmac::VirtualRunLoop& runLoop() { return m_runLoop; }
    vmac::VirtualClock& virtualClock() { return m_clockImpl; }
    const Clock& clock() const { return m_clock; }
    vmac::VirtualNotificationCenter& notifications() { return m_notifications; }
    vmac::VirtualNotificationCenter& workspaceNotifications() { return m_workspaceNotifications; }
    PreferencesStore& preferences() { return m_preferences; }
    Platform& platform() { return m_platform; }
    const vmac::HomeFolder& home() const { return m_home; }
    int tickCount() const { return m_ticks; }

private:
    void scheduleTick(double delay);
    void writePreferenceFromOtherProcess(const std::string& key, const std::optional<PreferenceValue>& value);

    vmac::Scenario m_scenario;
    vmac::HomeFolder m_home;
    vmac::VirtualClock m_clockImpl;
    const Clock& m_clock;
    vmac::VirtualRunLoop m_runLoop;
    vmac::VirtualNotificationCenter m_notifications;
    vmac::VirtualNotificationCenter m_workspaceNotifications; // before the Mac, which posts on it
    vmac::VirtualMac m_mac;
    SystemLog& m_systemLog;
    vmac::FilePreferencesStore m_preferences;
    vmac::PosixFiles m_files;
    Platform m_platform;
    std::unique_ptr<OverlayViewModel> m_engine;
    ObserverTokenPtr m_spaceChangeObserver;
    vmac::ScenarioHooks m_hooks;
    double m_startedAt = 0;
    int m_ticks = 0;
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace talvora::host
