#pragma once

#include <QWidget>

#include <functional>
#include <string>

class QLabel;
class QSlider;

namespace talvora::qt {

// A row: the label (130 points), a continuous slider over a range of doubles and the value
// text (64 points, monospaced digits, secondary style). The help text is the row's tooltip.
class LabeledSlider : public QWidget {
public:
    // Positions along the slider; fine enough that it moves without visible steps.
    static constexpr int kPositions = 1000;

    LabeledSlider(const QString& label, double minimum, double maximum, const QString& help, QWidget* parent = nullptr);

    // Shows a value without reporting it as the person's change.
    void setValue(double value, const std::string& valueText);
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }

    QSlider* slider() const { return m_slider; }
    QLabel* valueLabel() const { return m_value; }

    // The person moved the slider to this value.
    std::function<void(double)> onChange;

private:
    double m_minimum;
    double m_maximum;
    QSlider* m_slider;
    QLabel* m_value;
};

} // namespace talvora::qt
