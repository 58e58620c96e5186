#pragma once

#include "engine/overlay_view_model.h"
#include "platform/platform.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace talvora {

// What the tap's callback is given: the tap it belongs to, for re-enabling, and the tap's own
// memory. A new context comes with every installation. Main thread only.
struct EventTapContext {
    EventTapPortRef tap;
    std::optional<double> lastTimeoutAt; // media-clock seconds; nothing: never timed out
    // The mouse-down of this click was dropped, so its mouse-up goes too: Mission Control
    // never receives half a click.
    bool dropsNextMouseUp = false;
};

// The session event tap that catches clicks on the icons' buttons before Mission Control sees
// them, and its supervision: the tap is installed only while the process has the
// Accessibility privilege (a tap kept without it stalls the session's input), removed as soon
// as the privilege goes, re-enabled after the system switches it off, given up when the
// system keeps switching it off for timeouts, and retried by a watchdog, backing off while the
// timeouts repeat. Installation waits while Mission Control is open; removal never does.
class EventTapSupervisor {
public:
    static constexpr double kWatchdogInterval = 5.0; // seconds
    static constexpr double kWatchdogTolerance = 2.0;
    static constexpr double kRepeatedTimeoutWindow = 10.0; // a second timeout this soon removes the tap
    static constexpr double kPrivilegeSettleDelay = 0.5; // after the privilege changed
    static constexpr double kMaxReinstallWait = 300.0;
    static constexpr double kHealthyTapLifetime = 60.0; // without a timeout: the back-off starts over

    // `handleTapMouseDown` answers whether a click hit a button and was acted upon.
    EventTapSupervisor(OverlayViewModel& engine, Platform& platform, std::function<bool()> handleTapMouseDown);
    // Removes the tap and stops the watchdog and the observers.
    ~EventTapSupervisor();
    EventTapSupervisor(const EventTapSupervisor&) = delete;
    EventTapSupervisor& operator=(const EventTapSupervisor&) = delete;

    // Observers, the watchdog and a first refresh; once.
    void start();
    bool isStarted() const { return m_started; }
    void refreshPrivilege();
    // Whether an active tap can be created right now: the only privilege test for the tap.
    bool probePrivilege();
    void installTap();
    void removeTap();

    bool isTapInstalled() const { return m_tap != nullptr; }
    const EventTapContext* context() const { return m_context.get(); }
    std::optional<bool> lastKnownPrivilege() const { return m_lastKnownPrivilege; }
    // How long the watchdog waits before installing again after repeated timeouts; 0 when
    // nothing holds it back.
    double reinstallWait() const { return m_reinstallWait; }

private:
    TapVerdict callback(const std::shared_ptr<EventTapContext>& context, CGEventType type);
    void onTimeout(const std::shared_ptr<EventTapContext>& context);
    void removeAfterRepeatedTimeouts(const std::shared_ptr<EventTapContext>& context);
    // Probes and logs a change; answers the privilege.
    bool checkPrivilege();
    void removeForLostPrivilege();
    void forgetBackOffIfHealthy(double now);
    void log(LogLevel level, const std::string& line);

    OverlayViewModel& m_engine;
    Platform& m_platform;
    std::function<bool()> m_handleTapMouseDown;
    EventTapPortRef m_tap;
    std::shared_ptr<EventTapContext> m_context;
    RepeatingTimerPtr m_watchdog;
    std::vector<ObserverTokenPtr> m_observers;
    bool m_started = false;
    std::optional<bool> m_lastKnownPrivilege;
    double m_installedAt = 0;
    double m_reinstallWait = 0;
    std::optional<double> m_reinstallNotBefore;
    // Callbacks, observers and queued work hold this weakly and do nothing once it is gone.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace talvora
