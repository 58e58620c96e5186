#include "host/simulation.h"

#include <filesystem>
#include <fstream>
#include <variant>

namespace talvora::host {

Simulation::Simulation(vmac::Scenario scenario, vmac::HomeFolder home, SystemLog& systemLog)
    : m_scenario(std::move(scenario))
    , m_home(std::move(home))
    , m_clock(m_clockImpl)
    , m_runLoop(m_clockImpl)
    , m_mac(m_scenario.desktop, m_scenario.talvoraPID, m_clockImpl, m_workspaceNotifications)
    , m_systemLog(systemLog)
    , m_preferences(m_home.preferencesFile(), m_clockImpl, m_runLoop, systemLog)
    , m_files(m_home)
    , m_platform { m_mac, m_mac, m_mac, m_mac, m_clockImpl, m_runLoop, m_preferences, m_notifications,
        m_workspaceNotifications, m_files, systemLog }
{
    PreferencesStore& store = m_preferences;
    for (const auto& [key, value] : m_scenario.initialPreferences)
        store.set(key, value);
    if (m_scenario.debugLogging) {
        std::error_code error;
        std::filesystem::create_directories(m_home.library() + "/Logs/Talvora", error);
        std::ofstream(m_home.library() + "/Logs/Talvora/DEBUG_ON");
    }
    m_hooks.writePreferenceFromOtherProcess = [this](const std::string& key, const std::optional<PreferenceValue>& value) {
        writePreferenceFromOtherProcess(key, value);
    };
}

Simulation::~Simulation()
{
    // Let the log writer finish before the home folder may go away.
    if (m_engine)
        m_engine->debugLog().logManager().waitUntilIdle();
}

OverlayViewModel& Simulation::createEngine()
{
    m_engine = std::make_unique<OverlayViewModel>(m_platform);
    m_engine->observeSettingsNotifications();
    // The root view subscribes the engine's desktop-switch handler to the workspace's
    // notification.
    m_spaceChangeObserver = static_cast<NotificationCenter&>(m_workspaceNotifications)
                                .addObserver(kActiveSpaceDidChangeNotification, [this] { m_engine->handleSpaceChange(); });
    m_startedAt = m_clock.mediaTime();
    return *m_engine;
}

void Simulation::start()
{
    createEngine();
    std::weak_ptr<int> alive = m_lifetime;
    for (const auto& action : m_scenario.timeline) {
        static_cast<RunLoop&>(m_runLoop).after(action.at, [this, alive, &action] {
            if (alive.expired())
                return;
            action.apply(m_mac, m_hooks);
            if (onAction)
                onAction(action);
        });
    }
    // The first tick runs one main-queue turn after start, as the root view starts the engine.
    scheduleTick(0);
}

void Simulation::scheduleTick(double delay)
{
    std::weak_ptr<int> alive = m_lifetime;
    static_cast<RunLoop&>(m_runLoop).after(delay, [this, alive] {
        if (alive.expired())
            return;
        m_engine->tick();
        ++m_ticks;
        if (onTick)
            onTick();
        // Until the frame driver exists, the next tick follows the published mode: one frame
        // at the display-link rate, or one timer interval.
        scheduleTick(std::visit(
            [](const auto& mode) -> double {
                using T = std::decay_t<decltype(mode)>;
                if constexpr (std::is_same_v<T, DisplayLinkMode>)
                    return 1.0 / mode.hz;
                else
                    return mode.interval;
            },
            m_engine->tickMode.value()));
    });
}

void Simulation::runFor(double seconds)
{
    m_runLoop.runFor(seconds);
}

void Simulation::writePreferenceFromOtherProcess(const std::string& key, const std::optional<PreferenceValue>& value)
{
    // Another process has its own view of the domain: a store of its own on the same file.
    vmac::FilePreferencesStore other(m_home.preferencesFile(), m_clockImpl, m_runLoop, m_systemLog);
    PreferencesStore& store = other;
    if (value)
        store.set(key, *value);
    else
        store.remove(key);
}

} // namespace talvora::host
