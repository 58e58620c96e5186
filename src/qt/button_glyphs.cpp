#include "qt/button_glyphs.h"

#include "qt/color_conversion.h"
#include "qt/soft_shadow.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace talvora::qt {

namespace {

// The filled-circle symbols fill almost their whole em square.
constexpr double kDiscPerPointSize = 0.96;
// The mark's half extent and stroke, as fractions of the disc radius; the bold weight.
constexpr double kCrossHalfExtent = 0.36;
constexpr double kMinusHalfExtent = 0.45;
constexpr double kMarkStroke = 0.19;

} // namespace

QRectF buttonGlyphBounds(QPointF center, const ButtonAppearance& a)
{
    const double discRadius = a.symbolPointSize * kDiscPerPointSize * 0.5 * a.symbolScale;
    const Shadow& s = a.symbolShadow;
    const double shadowReach = discRadius + s.radius + std::max(std::abs(s.offset.x), std::abs(s.offset.y));
    const double ringReach = (a.armedRingDiameter + a.armedRingLineWidth) * 0.5;
    const double reach = std::max({ shadowReach, ringReach, a.frameSide * 0.5 }) + 1;
    return { center.x() - reach, center.y() - reach, 2 * reach, 2 * reach };
}

void paintButtonGlyph(QPainter& painter, ButtonHoverKind kind, QPointF center, const ButtonAppearance& a)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double radius = a.symbolPointSize * kDiscPerPointSize * 0.5 * a.symbolScale;

    const Shadow& s = a.symbolShadow;
    paintDiscShadow(painter, center + QPointF(s.offset.x, s.offset.y), radius, s.radius, toQColor(s.color));

    // The palette glyph: the mark is cut out of the disc and filled in its own colour, so a
    // translucent disc does not darken the mark.
    QPainterPath disc;
    disc.addEllipse(center, radius, radius);
    QPainterPath mark;
    const double stroke = radius * kMarkStroke;
    if (kind == ButtonHoverKind::Close) {
        const double h = radius * kCrossHalfExtent;
        QPainterPathStroker stroker;
        stroker.setWidth(stroke);
        stroker.setCapStyle(Qt::RoundCap);
        QPainterPath cross;
        cross.moveTo(center + QPointF(-h, -h));
        cross.lineTo(center + QPointF(h, h));
        cross.moveTo(center + QPointF(h, -h));
        cross.lineTo(center + QPointF(-h, h));
        mark = stroker.createStroke(cross).simplified();
    } else {
        const double h = radius * kMinusHalfExtent;
        mark.addRoundedRect(QRectF(center.x() - h, center.y() - stroke * 0.5, 2 * h, stroke), stroke * 0.5, stroke * 0.5);
    }
    painter.setPen(Qt::NoPen);
    painter.fillPath(disc.subtracted(mark), toQColor(a.discColor, a.brightness));
    painter.fillPath(mark, toQColor(a.markColor, a.brightness));

    if (a.armedRingColor.alpha > 0 && a.armedRingLineWidth > 0) {
        QPen ring(toQColor(a.armedRingColor), a.armedRingLineWidth);
        painter.setPen(ring);
        painter.setBrush(Qt::NoBrush);
        const double r = a.armedRingDiameter * 0.5;
        painter.drawEllipse(center, r, r);
    }
    painter.restore();
}

} // namespace talvora::qt
