#pragma once

#include "diagnostics/telemetry_disclosure.h"
#include "qt/settings_page.h"

#include <functional>

class QComboBox;
class QPushButton;

namespace talvora::qt {

// General: launch at login and the behaviour toggles, responsiveness, the two permissions,
// what usage events are sent, reset to defaults, debug logging with its relaunch row, and the version.
class GeneralSettingsTab : public SettingsPage {
public:
    // With `describeUsageEvents`, the tab also tells what usage events are sent.
    GeneralSettingsTab(SettingsWindowModel& model, std::function<TelemetryDisclosure()> describeUsageEvents = {},
        QWidget* parent = nullptr);

private:
    void addPermissionRow(QBoxLayout* section, Permission permission);
    void addPowerSection();
    void addDebuggingSection();
};

} // namespace talvora::qt
