#include "app/update_check_result.h"

#include "app/appcast.h"

namespace talvora {

namespace {

bool isWebLink(const std::string& url)
{
    auto starts = [&](const char* prefix) { return url.rfind(prefix, 0) == 0; };
    return (starts("https://") || starts("http://")) && url.find_first_of(" \t\r\n\"<>\\") == std::string::npos;
}

std::string displayVersion(const AppVersion& v)
{
    if (v.shortVersion.empty())
        return "(unknown)";
    if (v.build.empty() || v.build == v.shortVersion)
        return v.shortVersion;
    return v.shortVersion + " (" + v.build + ")";
}

} // namespace

UpdateCheckResult evaluateUpdateFeed(const HttpResult& answer, const AppVersion& current)
{
    UpdateCheckResult result;
    result.current = current;
    switch (answer.outcome) {
    case HttpResult::Outcome::TimedOut:
        result.kind = UpdateCheckResult::Kind::TimedOut;
        result.detail = answer.errorDescription;
        return result;
    case HttpResult::Outcome::TransportError:
        result.kind = UpdateCheckResult::Kind::Offline;
        result.detail = answer.errorDescription;
        return result;
    case HttpResult::Outcome::Response:
        break;
    }
    if (!answer.isSuccess()) {
        result.kind = UpdateCheckResult::Kind::ServerError;
        result.status = answer.status;
        return result;
    }
    auto parsed = parseAppcast(answer.body);
    if (auto* error = std::get_if<AppcastError>(&parsed)) {
        result.kind = UpdateCheckResult::Kind::UnreadableFeed;
        result.detail = error->reason;
        return result;
    }
    auto newest = newestItem(std::get<Appcast>(parsed));
    result.available = newest->version;
    if (compareAppVersions(newest->version, current) > 0) {
        result.kind = UpdateCheckResult::Kind::NewerAvailable;
        if (isWebLink(newest->releaseNotesURL))
            result.releaseNotesURL = newest->releaseNotesURL;
    } else {
        result.kind = UpdateCheckResult::Kind::UpToDate;
    }
    return result;
}

UpdateAlert updateAlertFor(const UpdateCheckResult& result)
{
    using Kind = UpdateCheckResult::Kind;
    const std::string couldNotCheck = "Talvora could not check for updates";
    switch (result.kind) {
    case Kind::UpToDate:
        return { "You\u2019re up to date", "Talvora " + displayVersion(result.current) + " is the newest version available.", {} };
    case Kind::NewerAvailable: {
        std::string message = "Talvora " + displayVersion(*result.available) + " is available; you have "
            + displayVersion(result.current) + ". Talvora does not download or install updates itself.";
        if (result.releaseNotesURL)
            message += " The release notes say what is new and where to get it: " + *result.releaseNotesURL;
        return { "A new version of Talvora is available", message, result.releaseNotesURL };
    }
    case Kind::NotConfigured:
        return { couldNotCheck, "This build of Talvora has no update feed, so it never checks for updates.", {} };
    case Kind::Offline:
        return { couldNotCheck,
            "The update server could not be reached (" + result.detail + "). Check the Internet connection and try again.", {} };
    case Kind::TimedOut:
        return { couldNotCheck, "The update server did not answer in time. Try again later.", {} };
    case Kind::ServerError:
        return { couldNotCheck, "The update server answered with HTTP status " + std::to_string(result.status) + ". Try again later.", {} };
    case Kind::UnreadableFeed:
        return { couldNotCheck, "The update feed could not be read: " + result.detail + ".", {} };
    }
    return { couldNotCheck, {}, {} };
}

} // namespace talvora
