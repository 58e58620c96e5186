#include "qt/color_swatch.h"

#include "qt/color_conversion.h"

#include <QColorDialog>
#include <QPainter>
#include <QPainterPath>

namespace talvora::qt {

std::optional<RGBA> rgbaFromColor(const QColor& color)
{
    if (!color.isValid())
        return std::nullopt;
    const QColor srgb = color.toRgb();
    if (!srgb.isValid())
        return std::nullopt;
    return RGBA { srgb.redF(), srgb.greenF(), srgb.blueF(), srgb.alphaF() };
}

QColor chooseColorWithDialog(const QColor& initial, QWidget* parent)
{
    // Qt's own dialog, so the picker looks and behaves the same on every desktop.
    return QColorDialog::getColor(initial, parent, QString(),
        QColorDialog::ShowAlphaChannel | QColorDialog::DontUseNativeDialog);
}

ColorSwatch::ColorSwatch(QWidget* parent)
    : QToolButton(parent)
{
    setFixedSize(44, 22);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QToolButton::clicked, this, [this] { pick(); });
}

void ColorSwatch::setColor(const RGBA& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void ColorSwatch::pick()
{
    const QColor chosen = m_chooser(toQColor(m_color), window());
    // A cancelled dialog picks nothing; an unconvertible colour is reported so the caller can
    // decide, and the caller keeps what is stored.
    if (!chosen.isValid())
        return;
    if (onPick)
        onPick(rgbaFromColor(chosen));
}

void ColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF well = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    QPainterPath shape;
    shape.addRoundedRect(well, 4, 4);
    painter.save();
    painter.setClipPath(shape);
    const int cell = 5;
    for (int y = 0; y * cell < height(); ++y) {
        for (int x = 0; x * cell < width(); ++x)
            painter.fillRect(x * cell, y * cell, cell, cell, (x + y) % 2 ? QColor(204, 204, 204) : QColor(255, 255, 255));
    }
    painter.fillRect(well, toQColor(m_color));
    painter.restore();
    const bool enabled = isEnabled();
    painter.setPen(QPen(enabled ? QColor(0, 0, 0, 90) : QColor(0, 0, 0, 40), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
    if (!enabled)
        painter.fillPath(shape, QColor(255, 255, 255, 140));
}

} // namespace talvora::qt
