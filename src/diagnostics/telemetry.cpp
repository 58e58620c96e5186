#include "diagnostics/telemetry.h"

#include "settings/preference_keys.h"

#include <cstdlib>
#include <strings.h>

namespace talvora {

bool telemetryDisabled(PreferencesStore& preferences)
{
    auto value = preferences.object(PrefKey::telemetryDisabled);
    if (!value)
        return false;
    if (auto* b = std::get_if<bool>(&*value))
        return *b;
    if (auto* i = std::get_if<std::int64_t>(&*value))
        return *i != 0;
    if (auto* d = std::get_if<double>(&*value))
        return *d != 0;
    if (auto* s = std::get_if<std::string>(&*value)) {
        if (::strcasecmp(s->c_str(), "yes") == 0 || ::strcasecmp(s->c_str(), "true") == 0)
            return true;
        return std::atoi(s->c_str()) != 0;
    }
    return false;
}

Telemetry::Telemetry(Services services, std::optional<TelemetryEndpoint> endpoint)
    : m_services(services)
    , m_endpoint(std::move(endpoint))
{
}

bool Telemetry::isDisabled()
{
    return telemetryDisabled(m_services.preferences);
}

std::string Telemetry::currentDayString() const
{
    Date now = m_services.clock.now();
    return dayString(now, m_services.clock.localUtcOffsetSeconds(now));
}

std::string Telemetry::anonymousID()
{
    // Any process can write the domain, so a stored value is used only when it has exactly the
    // form this system writes; anything else is replaced by a fresh identifier.
    auto stored = m_services.preferences.string(PrefKey::telemetryAnonymousID);
    if (stored && isLowerCaseUUID(*stored))
        return *stored;
    std::string id = lowerCaseASCII(m_services.system.makeUUID());
    m_services.preferences.set(PrefKey::telemetryAnonymousID, id);
    return id;
}

TelemetryMetadata Telemetry::metadata()
{
    TelemetryMetadata m;
    m.appVersion = m_services.system.shortVersionString().value_or("dev");
    OperatingSystemVersion os = m_services.system.operatingSystemVersion();
    m.os = std::to_string(os.majorVersion) + "." + std::to_string(os.minorVersion);
    auto languages = m_services.system.preferredLanguages();
    m.lang = languages.empty() ? std::string() : languages.front();
    return m;
}

void Telemetry::sendLaunchEvent()
{
    if (isOff())
        return;
    PreferencesStore& prefs = m_services.preferences;
    bool firstDelivered = prefs.boolean(PrefKey::telemetryDidSendFirstLaunch).value_or(false);
    std::string today = currentDayString();
    if (firstDelivered && prefs.string(PrefKey::telemetryLastLaunchDay) == today)
        return;
    const char* event = firstDelivered ? TelemetryEvent::launch : TelemetryEvent::firstLaunch;

    std::weak_ptr<int> alive = m_alive;
    sendEvent(event, [this, alive, firstDelivered, today](bool success) {
        if (alive.expired() || !success)
            return;
        if (!firstDelivered)
            m_services.preferences.set(PrefKey::telemetryDidSendFirstLaunch, true);
        m_services.preferences.set(PrefKey::telemetryLastLaunchDay, today);
    });
}

void Telemetry::sendActiveEvent()
{
    if (isOff())
        return;
    std::string today = currentDayString();
    if (m_lastActiveDaySent == today)
        return;
    if (m_services.preferences.string(PrefKey::telemetryLastActiveDay) == today) {
        m_lastActiveDaySent = today;
        return;
    }
    // Set before sending, so that every screen reporting the same appearance makes one request.
    m_lastActiveDaySent = today;
    std::weak_ptr<int> alive = m_alive;
    sendEvent(TelemetryEvent::active, [this, alive, today](bool success) {
        if (alive.expired())
            return;
        if (success)
            m_services.preferences.set(PrefKey::telemetryLastActiveDay, today);
        else if (m_lastActiveDaySent == today)
            m_lastActiveDaySent.reset(); // the next appearance of icons tries again
    });
}

void Telemetry::sendEvent(const std::string& event, std::function<void(bool)> completion)
{
    if (!m_endpoint) {
        completion(false);
        return;
    }
    auto body = telemetryBody(event, anonymousID(), metadata());
    if (!body) {
        // Nothing can be sent, but the caller still learns it failed, so that it tries again.
        completion(false);
        return;
    }
    m_services.http.send(telemetryRequest(*m_endpoint, std::move(*body)),
        [completion = std::move(completion)](HttpResult result) { completion(result.isSuccess()); });
}

} // namespace talvora
