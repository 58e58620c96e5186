#pragma once

#include "host/composition.h"
#include "vmac/virtual_clock.h"
#include "vmac/virtual_run_loop.h"

namespace talvora::host {

// The application on a virtual Mac in virtual time, for the headless run, the scenario tests
// and the benchmarks: a composition on a virtual clock and a deterministic main queue.
class Simulation {
public:
    Simulation(vmac::Scenario scenario, vmac::HomeFolder home, SystemLog& systemLog);

    void start() { m_app.start(); }
    OverlayViewModel& createEngine() { return m_app.createEngine(); }
    // Runs virtual time forward: frames, timers and the timeline.
    void runFor(double seconds) { m_runLoop.runFor(seconds); }
    double elapsed() const { return m_clock.mediaTime() - m_app.startedAt(); }

    // Called after every tick, and when a timeline action has been applied.
    std::function<void()>& onTick = m_app.onTick;
    std::function<void(const vmac::TimelineAction&)>& onAction = m_app.onAction;
    std::function<void(const std::string&)>& onSnapshot = m_app.onSnapshot;

    Composition& app() { return m_app; }
    OverlayViewModel& engine() { return m_app.engine(); }
    vmac::VirtualMac& mac() { return m_app.mac(); }
    vmac::VirtualInput& input() { return m_app.input(); }
    vmac::VirtualAccessibility& accessibility() { return m_app.accessibility(); }
    vmac::EventStream& events() { return m_app.events(); }
    InputController& inputController() { return *m_app.inputController(); }
    vmac::VirtualRunLoop& runLoop() { return m_runLoop; }
    vmac::VirtualClock& virtualClock() { return m_clockImpl; }
    const Clock& clock() const { return m_clock; }
    vmac::VirtualNotificationCenter& notifications() { return m_app.notifications(); }
    vmac::VirtualNotificationCenter& workspaceNotifications() { return m_app.workspaceNotifications(); }
    vmac::VirtualNotificationCenter& distributedNotifications() { return m_app.distributedNotifications(); }
    PreferencesStore& preferences() { return m_app.preferences(); }
    Platform& platform() { return m_app.platform(); }
    const vmac::HomeFolder& home() const { return m_app.home(); }
    int tickCount() const { return m_app.tickCount(); }

private:
    vmac::VirtualClock m_clockImpl;
    const Clock& m_clock = m_clockImpl;
    vmac::VirtualRunLoop m_runLoop { m_clockImpl };
    Composition m_app;
};

} // namespace talvora::host
