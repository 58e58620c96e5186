#include "qt/settings_page.h"

#include "qt/color_swatch.h"
#include "qt/labeled_slider.h"
#include "qt/settings_style.h"
#include "settings/settings_window_model.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace talvora::qt {

SettingsPage::SettingsPage(SettingsWindowModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
{
    m_sections = new QVBoxLayout(this);
    m_sections->setContentsMargins(20, 16, 20, 16);
    m_sections->setSpacing(12);
    m_sections->addStretch(1);
}

void SettingsPage::refresh()
{
    for (const auto& refresher : m_refreshers)
        refresher();
}

QVBoxLayout* SettingsPage::addSection(const QString& title)
{
    auto* box = new QGroupBox(QString(title).replace(QLatin1Char('&'), QLatin1String("&&")), this);
    auto* rows = new QVBoxLayout(box);
    rows->setSpacing(8);
    // Sections go above the stretch that keeps the form at the top.
    m_sections->insertWidget(m_sections->count() - 1, box);
    return rows;
}

QCheckBox* SettingsPage::addToggle(QBoxLayout* section, const ToggleSpec& toggle)
{
    auto* box = new QCheckBox(literalButtonText(toggle.label));
    box->setObjectName(QString::fromUtf8(toggle.key));
    if (*toggle.help)
        box->setToolTip(QString::fromUtf8(toggle.help));
    section->addWidget(box);
    // `clicked` comes only from the person, never from a refresh.
    connect(box, &QCheckBox::clicked, this, [this, &toggle](bool on) { m_model.setToggle(toggle, on); });
    onRefresh([this, box, &toggle] {
        const QSignalBlocker quiet(box);
        box->setChecked(m_model.toggleValue(toggle));
        box->setEnabled(m_model.isEnabled(toggle));
    });
    return box;
}

LabeledSlider* SettingsPage::addSlider(QBoxLayout* section, const SliderSpec& slider)
{
    auto* row = new LabeledSlider(QString::fromUtf8(slider.label), slider.minimum, slider.maximum,
        QString::fromUtf8(slider.help));
    row->setObjectName(QString::fromUtf8(slider.key));
    section->addWidget(row);
    row->onChange = [this, &slider](double value) { m_model.setSliderValue(slider, value); };
    onRefresh([this, row, &slider] {
        const double value = m_model.sliderValue(slider);
        row->setValue(value, sliderValueText(slider, value));
    });
    return row;
}

ColorSwatch* SettingsPage::addColorPicker(QBoxLayout* section, const ColorPickerSpec& picker)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QString::fromUtf8(picker.label)));
    layout->addStretch(1);
    auto* swatch = new ColorSwatch;
    swatch->setObjectName(QString::fromUtf8(picker.keys[0]));
    layout->addWidget(swatch);
    if (*picker.help)
        row->setToolTip(QString::fromUtf8(picker.help));
    section->addWidget(row);
    swatch->onPick = [this, &picker](const std::optional<RGBA>& picked) { m_model.setColor(picker, picked); };
    onRefresh([this, row, swatch, &picker] {
        swatch->setColor(m_model.color(picker));
        row->setEnabled(m_model.isEnabled(picker));
    });
    return swatch;
}

} // namespace talvora::qt
