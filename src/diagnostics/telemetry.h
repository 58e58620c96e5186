#pragma once

#include "diagnostics/telemetry_payload.h"
#include "platform/clock.h"
#include "platform/http_client.h"
#include "platform/preferences_store.h"
#include "platform/system_info.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace talvora {

// Anonymous usage events: one when the application is first launched, at most one launch a
// day after that, and at most one "active" a day when icons are actually shown. Delivery is
// best effort and silent: a failed event is tried again at the next opportunity. Without an
// endpoint, or with "telemetryDisabled" set, nothing is built, sent or stored, and no
// identifier is made. Main thread only; every call returns at once.
class Telemetry {
public:
    struct Services {
        PreferencesStore& preferences;
        Clock& clock;
        HttpClient& http;
        SystemInfo& system;
    };
    Telemetry(Services services, std::optional<TelemetryEndpoint> endpoint);
    Telemetry(const Telemetry&) = delete;
    Telemetry& operator=(const Telemetry&) = delete;

    // First thing once the application has finished launching.
    void sendLaunchEvent();
    // Each time icons appear on a screen; several screens may call it in the same moment.
    void sendActiveEvent();

    // Builds and sends one event; the completion runs later on the main thread with whether
    // the backend took it. Every path completes, a body that cannot be written included.
    void sendEvent(const std::string& event, std::function<void(bool)> completion);

    // The stored installation identifier, made (and stored) first if it is absent or not a
    // lower-case UUID.
    std::string anonymousID();
    // Today in local time, "yyyy-MM-dd".
    std::string currentDayString() const;
    // What every event says besides its name and id.
    TelemetryMetadata metadata();

    bool isConfigured() const { return m_endpoint.has_value(); }
    const std::optional<TelemetryEndpoint>& endpoint() const { return m_endpoint; }
    PreferencesStore& preferences() { return m_services.preferences; }
    // The user's opt-out, read as the preferences store's Boolean reader does.
    bool isDisabled();

private:
    bool isOff() { return !m_endpoint || isDisabled(); }

    Services m_services;
    std::optional<TelemetryEndpoint> m_endpoint;
    std::optional<std::string> m_lastActiveDaySent; // in memory for the life of the process
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

// "telemetryDisabled" as NSUserDefaults' boolForKey reads it: true, a non-zero number, or a
// string "YES", "true" or a non-zero number.
bool telemetryDisabled(PreferencesStore& preferences);

} // namespace talvora
