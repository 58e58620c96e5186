#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>

class QPainter;

namespace talvora::qt {

// A soft shadow of everything painted in `source` (any format; only its alpha counts): the
// alpha blurred by about `blurRadius` pixels and tinted with `color`. The result is
// premultiplied ARGB, larger than `source` by `margin(blurRadius)` on every side, so that the
// blur is never cut off.
QImage softShadow(const QImage& source, double blurRadius, const QColor& color);
int shadowMargin(double blurRadius);

// The soft shadow of a disc, drawn directly as a radial gradient: a blurred disc has no
// detail a Gaussian would add, and this costs one fill instead of an offscreen blur.
void paintDiscShadow(QPainter& painter, QPointF center, double discRadius, double blurRadius, const QColor& color);

} // namespace talvora::qt
