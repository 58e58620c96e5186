#include "qt/labeled_slider.h"

#include "qt/settings_style.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace talvora::qt {

LabeledSlider::LabeledSlider(const QString& label, double minimum, double maximum, const QString& help, QWidget* parent)
    : QWidget(parent)
    , m_minimum(minimum)
    , m_maximum(maximum)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    auto* name = new QLabel(label, this);
    name->setFixedWidth(130);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(0, kPositions);
    m_slider->setMinimumWidth(140);
    m_value = new QLabel(this);
    m_value->setFixedWidth(64);
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    digits.setPointSizeF(name->font().pointSizeF());
    m_value->setFont(digits);
    makeSecondary(m_value);
    layout->addWidget(name);
    layout->addWidget(m_slider, 1);
    layout->addWidget(m_value);
    if (!help.isEmpty())
        setToolTip(help);

    QObject::connect(m_slider, &QSlider::valueChanged, this, [this](int position) {
        if (onChange)
            onChange(m_minimum + (m_maximum - m_minimum) * position / kPositions);
    });
}

void LabeledSlider::setValue(double value, const std::string& valueText)
{
    const double fraction = m_maximum > m_minimum ? (value - m_minimum) / (m_maximum - m_minimum) : 0;
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * kPositions)));
    m_value->setText(QString::fromStdString(valueText));
}

} // namespace talvora::qt
