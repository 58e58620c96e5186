#include "app/update_checker.h"

#include "settings/preference_keys.h"

#include <algorithm>

namespace talvora {

UpdateChecker::UpdateChecker(Services services, std::optional<UpdateFeed> feed)
    : m_services(services)
    , m_feed(std::move(feed))
{
}

AppVersion UpdateChecker::runningVersion()
{
    AppVersion v;
    v.shortVersion = m_services.system.shortVersionString().value_or("");
    v.build = m_services.system.bundleVersion().value_or("");
    return v;
}

void UpdateChecker::start()
{
    if (!m_feed || m_started)
        return;
    m_started = true;
    // Wall-clock time, so that a check a day ago counts across restarts; a last check in the
    // future (the clock was set back) does not hold checks off.
    double now = m_services.clock.now().secondsSince1970;
    auto last = m_services.preferences.number(PrefKey::lastUpdateCheckTime);
    double due = 0;
    if (last && *last <= now)
        due = std::max(0.0, kCheckIntervalSeconds - (now - *last));
    scheduleAutomaticCheck(due);
}

void UpdateChecker::checkForUpdates()
{
    if (!m_feed) {
        UpdateCheckResult result;
        result.current = runningVersion();
        m_services.window.showUpdateAlert(updateAlertFor(result));
        if (onCheckFinished)
            onCheckFinished(result);
        return;
    }
    check(/*userInitiated=*/true);
}

void UpdateChecker::scheduleAutomaticCheck(double afterSeconds)
{
    int generation = ++m_scheduleGeneration;
    std::weak_ptr<int> alive = m_alive;
    m_services.mainQueue.after(afterSeconds, [this, alive, generation] {
        if (alive.expired() || generation != m_scheduleGeneration)
            return;
        check(/*userInitiated=*/false);
    });
}

void UpdateChecker::check(bool userInitiated)
{
    if (userInitiated)
        m_showResult = true;
    // One request at a time: asking while an automatic check is in flight shows its result.
    if (m_checking)
        return;
    m_checking = true;
    m_services.preferences.set(PrefKey::lastUpdateCheckTime, m_services.clock.now().secondsSince1970);

    HttpRequest request;
    request.method = "GET";
    request.url = m_feed->url;
    request.timeoutSeconds = m_feed->timeoutSeconds;
    request.headers = { { "Accept", "application/rss+xml, application/xml;q=0.9, text/xml;q=0.8" } };
    std::weak_ptr<int> alive = m_alive;
    m_services.http.send(std::move(request), [this, alive](HttpResult answer) {
        if (!alive.expired())
            finish(answer);
    });
}

void UpdateChecker::finish(const HttpResult& answer)
{
    bool show = m_showResult;
    m_checking = false;
    m_showResult = false;
    UpdateCheckResult result = evaluateUpdateFeed(answer, runningVersion());
    // On its own schedule the checker speaks only of a newer version; failures wait for the
    // next day's check.
    if (show || result.kind == UpdateCheckResult::Kind::NewerAvailable)
        m_services.window.showUpdateAlert(updateAlertFor(result));
    if (m_started)
        scheduleAutomaticCheck(kCheckIntervalSeconds);
    if (onCheckFinished)
        onCheckFinished(result);
}

} // namespace talvora
