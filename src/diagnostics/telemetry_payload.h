#pragma once

#include "platform/clock.h"
#include "platform/http_client.h"

#include <optional>
#include <string>
#include <string_view>

namespace talvora {

// Where usage events go: the backend's base URL (scheme and host, as "https://host") and its
// public client key. Absent means usage events are off.
struct TelemetryEndpoint {
    std::string baseURL;
    std::string clientKey;
    double timeoutSeconds = 10;
};

inline constexpr const char* kTelemetryPath = "/rest/v1/tv_events";

namespace TelemetryEvent {
inline constexpr const char* firstLaunch = "app_first_launch";
inline constexpr const char* launch = "app_launch";
inline constexpr const char* active = "app_active";
} // namespace TelemetryEvent

// What an event says besides its name and the installation's id.
struct TelemetryMetadata {
    std::string appVersion; // "dev" when the bundle has no short version
    std::string os; // major.minor
    std::string lang; // first preferred language, or empty
};

// The local calendar day of a date as "yyyy-MM-dd" (Gregorian, days roll over at local
// midnight), given local time's offset from UTC at that date in seconds.
std::string dayString(Date date, int utcOffsetSeconds);

// A random UUID's textual form as this system stores it: 36 characters, hyphens at 8, 13, 18
// and 23, lower-case hex digits elsewhere.
bool isLowerCaseUUID(std::string_view text);

std::string lowerCaseASCII(std::string_view text);

// The event's JSON body, compact, members in the order event_type, anonymous_id, metadata
// (app_version, os, lang). Nothing when it cannot be written (a string that is not UTF-8).
std::optional<std::string> telemetryBody(std::string_view event, std::string_view anonymousID, const TelemetryMetadata& metadata);

// The POST that carries one body to the backend.
HttpRequest telemetryRequest(const TelemetryEndpoint& endpoint, std::string body);

} // namespace talvora
