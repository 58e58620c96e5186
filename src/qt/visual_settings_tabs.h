#pragma once

#include "qt/settings_page.h"

namespace talvora::qt {

// Icons: size, size by window, vertical position and opacity.
class IconSettingsTab : public SettingsPage {
public:
    IconSettingsTab(SettingsWindowModel& model, QWidget* parent = nullptr);
};

// Labels: the two text sizes and the background pill's colour and corner radius.
class LabelSettingsTab : public SettingsPage {
public:
    LabelSettingsTab(SettingsWindowModel& model, QWidget* parent = nullptr);
};

} // namespace talvora::qt
