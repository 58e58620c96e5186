#include "diagnostics/telemetry_disclosure.h"

#include "settings/preference_keys.h"

namespace talvora {

TelemetryDisclosure describeTelemetry(Telemetry& telemetry)
{
    TelemetryDisclosure d;
    if (!telemetry.isConfigured()) {
        d.state = TelemetryDisclosure::State::NotConfigured;
        d.summary = "Usage events are off in this build of Talvora: it has nowhere to send them. Nothing is sent and no identifier is made.";
        return d;
    }
    if (telemetry.isDisabled()) {
        d.state = TelemetryDisclosure::State::TurnedOff;
        d.summary = "Usage events are turned off. Nothing is sent.";
        d.optOut = std::string("To turn them on again: talvora-defaults delete ") + PrefKey::telemetryDisabled;
        return d;
    }

    PreferencesStore& prefs = telemetry.preferences();
    d.state = TelemetryDisclosure::State::On;
    d.summary = "Talvora sends a few anonymous usage events: a random identifier made for this installation, the event's "
                "name, the app version, the system version and your preferred language. Nothing else, and nothing about "
                "your windows or applications.";
    d.optOut = std::string("To turn them off: talvora-defaults write ") + PrefKey::telemetryDisabled + " -bool true";
    d.destination = "POST " + telemetryRequest(*telemetry.endpoint(), {}).url;

    bool firstDelivered = prefs.boolean(PrefKey::telemetryDidSendFirstLaunch).value_or(false);
    auto lastLaunch = prefs.string(PrefKey::telemetryLastLaunchDay);
    auto lastActive = prefs.string(PrefKey::telemetryLastActiveDay);
    auto since = [](const std::optional<std::string>& day) { return day ? " (last sent " + *day + ")" : std::string(" (not sent yet)"); };
    if (!firstDelivered)
        d.schedule.push_back(std::string(TelemetryEvent::firstLaunch) + ": at the next start of Talvora, once (not sent yet)");
    d.schedule.push_back(std::string(TelemetryEvent::launch) + ": at the first start of Talvora on a day" + since(lastLaunch));
    d.schedule.push_back(std::string(TelemetryEvent::active) + ": the first time icons appear in Mission Control on a day" + since(lastActive));

    d.nextEvent = firstDelivered ? TelemetryEvent::launch : TelemetryEvent::firstLaunch;
    auto stored = prefs.string(PrefKey::telemetryAnonymousID);
    std::string id = stored && isLowerCaseUUID(*stored) ? *stored : "(a random identifier, made when the first event is sent)";
    d.nextBody = telemetryBody(d.nextEvent, id, telemetry.metadata()).value_or("(this event cannot be written and is not sent)");
    return d;
}

} // namespace talvora
