#pragma once

#include "overlay/content_layout.h"

#include <QRectF>

class QPainter;

namespace talvora::qt {

// Vector stand-ins for the two platform symbols: a filled disc with a cross (close) and a
// filled disc with a minus sign (minimize), drawn at the symbol's point size about `center`,
// with the appearance's disc and mark colours, brightness, scale and shadow, then the armed
// ring, which is not scaled. Drawn at the painter's current opacity.
void paintButtonGlyph(QPainter& painter, ButtonHoverKind kind, QPointF center, const ButtonAppearance& appearance);

// Everything the glyph may touch, shadow and ring included.
QRectF buttonGlyphBounds(QPointF center, const ButtonAppearance& appearance);

} // namespace talvora::qt
