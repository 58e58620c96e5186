#pragma once

#include "qt/settings_page.h"

class QComboBox;
class QPushButton;

namespace talvora::qt {

// General: launch at login and the behaviour toggles, responsiveness, the two permissions,
// reset to defaults, debug logging with its relaunch row, and the version.
class GeneralSettingsTab : public SettingsPage {
public:
    GeneralSettingsTab(SettingsWindowModel& model, QWidget* parent = nullptr);

private:
    void addPermissionRow(QBoxLayout* section, Permission permission);
    void addPowerSection();
    void addDebuggingSection();
};

} // namespace talvora::qt
