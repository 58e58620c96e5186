#pragma once

#include "diagnostics/telemetry.h"

#include <string>
#include <vector>

namespace talvora {

// What the settings window shows next to the opt-out, so a person can see that usage events
// are anonymous: whether they are sent at all, where to, which events go when, and the exact
// body of the next one. Reading it sends nothing, stores nothing and makes no identifier.
struct TelemetryDisclosure {
    enum class State {
        NotConfigured, // this build has no endpoint: nothing is ever sent
        TurnedOff, // "telemetryDisabled" is set
        On,
    };
    State state = State::NotConfigured;
    std::string summary; // one or two sentences
    // How to turn usage events off (or on again). Nothing in the app writes the opt-out, so
    // it is changed with the preferences tool; the open settings window follows such a write.
    std::string optOut;
    std::string destination; // "POST https://host/rest/v1/tv_events", when on
    std::vector<std::string> schedule; // one line per event: when it goes, when it last went
    std::string nextEvent; // the event whose body is shown
    std::string nextBody; // exactly what is sent, the identifier included when it exists
};

TelemetryDisclosure describeTelemetry(Telemetry& telemetry);

} // namespace talvora
