#pragma once

#include "app/update_checker.h"
#include "diagnostics/telemetry.h"
#include "overlay/activity_reporter.h"
#include "platform/platform.h"
#include "platform/system_log.h"

#include <optional>
#include <string>

namespace talvora::host {

// The endpoints this build was configured with, each absent when its feature is off. An
// endpoint that is not https (or http on the loopback host) is refused and logged; the client
// key is never logged.
std::optional<TelemetryEndpoint> deployedTelemetryEndpoint(SystemLog& systemLog);
std::optional<UpdateFeed> deployedUpdateFeed(SystemLog& systemLog);

// Explicit endpoints, checked the same way: what a test or another deployment hands in.
std::optional<TelemetryEndpoint> telemetryEndpoint(const std::string& baseURL, const std::string& clientKey, SystemLog& systemLog);
std::optional<UpdateFeed> updateFeed(const std::string& url, SystemLog& systemLog);

// Telemetry as the overlay's activity reporter: icons appearing on a screen.
class TelemetryActivityReporter final : public ActivityReporter {
public:
    explicit TelemetryActivityReporter(Telemetry& telemetry)
        : m_telemetry(telemetry)
    {
    }
    void sendActiveEvent() override { m_telemetry.sendActiveEvent(); }

private:
    Telemetry& m_telemetry;
};

// The app's network features on the endpoints this build was configured with: usage events
// and the update checker, both off when their endpoint is. The composition's overlays report to
// the telemetry once it is handed to `Composition::setTelemetry`; the updater is started by the
// application shell. Everything given outlives this object.
class NetworkServices {
public:
    NetworkServices(Platform& platform, HttpClient& http, SystemInfo& system, UpdateAlertWindow& window)
        : m_telemetry({ platform.preferences, platform.clock, http, system }, deployedTelemetryEndpoint(platform.systemLog))
        , m_updater({ platform.preferences, platform.clock, platform.mainQueue, http, system, window },
              deployedUpdateFeed(platform.systemLog))
    {
    }

    Telemetry& telemetry() { return m_telemetry; }
    UpdateChecker& updater() { return m_updater; }

private:
    Telemetry m_telemetry;
    UpdateChecker m_updater;
};

} // namespace talvora::host
