#pragma once

#include "diagnostics/telemetry_disclosure.h"

#include <functional>

namespace talvora::qt {

class SettingsPage;

// A section that tells the person what usage events are sent, where to, when, and the exact
// body of the next one, with how to turn them off. Described afresh on every refresh of the
// page, so an event sent or the opt-out written by another process shows while it is open.
void addUsageEventsSection(SettingsPage& page, std::function<TelemetryDisclosure()> describe);

} // namespace talvora::qt
