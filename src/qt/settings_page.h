#pragma once

#include "settings/settings_controls.h"

#include <QWidget>

#include <functional>
#include <vector>

class QBoxLayout;
class QCheckBox;
class QGroupBox;
class QVBoxLayout;

namespace talvora {
class SettingsWindowModel;
}

namespace talvora::qt {

class ColorSwatch;
class LabeledSlider;

// One tab of the settings window: a form of sections, each control bound to the model. A
// control writes through the model when the person changes it; `refresh` shows the model's
// values again without reporting them as changes.
class SettingsPage : public QWidget {
public:
    SettingsPage(SettingsWindowModel& model, QWidget* parent = nullptr);

    void refresh();

    // A section with an optional header; rows are added to the layout it returns. Other
    // features add their own rows and sections this way.
    QVBoxLayout* addSection(const QString& title = {});
    // A function run on every refresh, for rows with state of their own.
    void onRefresh(std::function<void()> refresher) { m_refreshers.push_back(std::move(refresher)); }

    QCheckBox* addToggle(QBoxLayout* section, const ToggleSpec& toggle);
    LabeledSlider* addSlider(QBoxLayout* section, const SliderSpec& slider);
    ColorSwatch* addColorPicker(QBoxLayout* section, const ColorPickerSpec& picker);

protected:
    SettingsWindowModel& m_model;

private:
    QVBoxLayout* m_sections;
    std::vector<std::function<void()>> m_refreshers;
};

} // namespace talvora::qt
