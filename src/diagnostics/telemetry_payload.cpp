#include "diagnostics/telemetry_payload.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <cstdio>

namespace talvora {

std::string dayString(Date date, int utcOffsetSeconds)
{
    using namespace std::chrono;
    double local = std::floor(date.secondsSince1970) + utcOffsetSeconds;
    auto days = floor<std::chrono::days>(sys_seconds(seconds(static_cast<long long>(local))));
    year_month_day ymd(days);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
        static_cast<unsigned>(ymd.day()));
    return text;
}

bool isLowerCaseUUID(std::string_view text)
{
    if (text.size() != 36)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-')
                return false;
        } else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

std::string lowerCaseASCII(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::optional<std::string> telemetryBody(std::string_view event, std::string_view anonymousID, const TelemetryMetadata& metadata)
{
    nlohmann::ordered_json body;
    body["event_type"] = std::string(event);
    body["anonymous_id"] = std::string(anonymousID);
    body["metadata"]["app_version"] = metadata.appVersion;
    body["metadata"]["os"] = metadata.os;
    body["metadata"]["lang"] = metadata.lang;
    try {
        return body.dump();
    } catch (const nlohmann::json::exception&) {
        // A string that is not valid UTF-8 cannot be written as JSON.
        return std::nullopt;
    }
}

HttpRequest telemetryRequest(const TelemetryEndpoint& endpoint, std::string body)
{
    std::string base = endpoint.baseURL;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    HttpRequest request;
    request.method = "POST";
    request.url = base + kTelemetryPath;
    request.timeoutSeconds = endpoint.timeoutSeconds;
    request.headers = {
        { "Content-Type", "application/json" },
        { "apikey", endpoint.clientKey },
        { "Authorization", "Bearer " + endpoint.clientKey },
        { "Prefer", "return=minimal" },
    };
    request.body = std::move(body);
    return request;
}

} // namespace talvora
