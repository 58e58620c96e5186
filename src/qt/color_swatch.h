#pragma once

#include "settings/rgba.h"

#include <QColor>
#include <QToolButton>

#include <functional>
#include <optional>

namespace talvora::qt {

// A colour picked in a colour dialog as the system's sRGB components; nothing for a colour
// that has none (an invalid colour, which is also what a cancelled dialog returns).
std::optional<RGBA> rgbaFromColor(const QColor& color);

// Asks the person for a colour, with opacity, starting from `initial`; an invalid colour when
// they cancel.
using ColorChooser = std::function<QColor(const QColor& initial, QWidget* parent)>;
// The colour dialog, with its alpha channel shown.
QColor chooseColorWithDialog(const QColor& initial, QWidget* parent);

// A colour well: a swatch of the colour over a checkerboard, so opacity shows. A click asks for
// a new colour with the chooser.
class ColorSwatch : public QToolButton {
public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    void setColor(const RGBA& color);
    const RGBA& color() const { return m_color; }
    void setChooser(ColorChooser chooser) { m_chooser = std::move(chooser); }

    // The person chose a colour; nothing when it could not be converted.
    std::function<void(const std::optional<RGBA>&)> onPick;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void pick();

    RGBA m_color;
    ColorChooser m_chooser = chooseColorWithDialog;
};

} // namespace talvora::qt
