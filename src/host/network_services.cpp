#include "host/network_services.h"

#include "diagnostics/network_endpoint.h"

#include <deployment_config.h>

namespace talvora::host {

namespace {

constexpr const char* kLogCategory = "App";

bool acceptable(const std::string& url, const char* what, SystemLog& systemLog)
{
    if (auto problem = endpointProblem(url)) {
        systemLog.log(LogLevel::Error, kLogCategory, std::string("[network] ") + what + " off: the endpoint is refused: " + *problem);
        return false;
    }
    return true;
}

} // namespace

std::optional<TelemetryEndpoint> telemetryEndpoint(const std::string& baseURL, const std::string& clientKey, SystemLog& systemLog)
{
    if (baseURL.empty() || clientKey.empty()) {
        systemLog.log(LogLevel::Debug, kLogCategory, "[network] usage events off: no endpoint configured");
        return std::nullopt;
    }
    if (!acceptable(baseURL, "usage events", systemLog))
        return std::nullopt;
    systemLog.log(LogLevel::Debug, kLogCategory, "[network] usage events to " + endpointHost(baseURL));
    return TelemetryEndpoint { baseURL, clientKey };
}

std::optional<UpdateFeed> updateFeed(const std::string& url, SystemLog& systemLog)
{
    if (url.empty()) {
        systemLog.log(LogLevel::Debug, kLogCategory, "[network] update checks off: no feed configured");
        return std::nullopt;
    }
    if (!acceptable(url, "update checks", systemLog))
        return std::nullopt;
    systemLog.log(LogLevel::Debug, kLogCategory, "[network] update feed at " + endpointHost(url));
    return UpdateFeed { url };
}

std::optional<TelemetryEndpoint> deployedTelemetryEndpoint(SystemLog& systemLog)
{
    return telemetryEndpoint(deployment::telemetryURL, deployment::telemetryKey, systemLog);
}

std::optional<UpdateFeed> deployedUpdateFeed(SystemLog& systemLog)
{
    return updateFeed(deployment::updateFeedURL, systemLog);
}

} // namespace talvora::host
