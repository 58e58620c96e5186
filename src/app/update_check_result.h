#pragma once

#include "app/app_version.h"
#include "platform/http_client.h"
#include "platform/update_alert.h"

#include <optional>
#include <string>

namespace talvora {

// What one update check found out.
struct UpdateCheckResult {
    enum class Kind {
        UpToDate,
        NewerAvailable,
        NotConfigured, // this build has no update feed
        Offline, // no connection to the feed's server
        TimedOut,
        ServerError, // an answer other than 2xx
        UnreadableFeed, // a 2xx answer that is not a feed with a release in it
    };
    Kind kind = Kind::NotConfigured;
    AppVersion current;
    std::optional<AppVersion> available; // the newest release in the feed
    std::optional<std::string> releaseNotesURL; // only an http or https link
    int status = 0; // ServerError
    std::string detail; // why, for the failures
};

// Decides the result of a check from the feed's answer and the running version.
UpdateCheckResult evaluateUpdateFeed(const HttpResult& answer, const AppVersion& current);

// The window's text for a result.
UpdateAlert updateAlertFor(const UpdateCheckResult& result);

} // namespace talvora
