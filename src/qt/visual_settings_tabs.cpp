#include "qt/visual_settings_tabs.h"

#include <QVBoxLayout>

namespace talvora::qt {

IconSettingsTab::IconSettingsTab(SettingsWindowModel& model, QWidget* parent)
    : SettingsPage(model, parent)
{
    auto* size = addSection("Size");
    addSlider(size, Sliders::iconMaxSize);
    addSlider(size, Sliders::windowSizeInfluence);
    auto* placement = addSection("Placement & Opacity");
    addSlider(placement, Sliders::iconYOffset);
    addSlider(placement, Sliders::iconMaxOpacity);
    refresh();
}

LabelSettingsTab::LabelSettingsTab(SettingsWindowModel& model, QWidget* parent)
    : SettingsPage(model, parent)
{
    auto* text = addSection("Text");
    addSlider(text, Sliders::nameTextSize);
    addSlider(text, Sliders::titleTextSize);
    auto* pill = addSection("Background Pill");
    addColorPicker(pill, ColorPickers::labelBackground);
    addSlider(pill, Sliders::labelCornerRadius);
    refresh();
}

} // namespace talvora::qt
