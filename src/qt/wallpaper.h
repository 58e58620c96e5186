#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSize>

#include <cstddef>

class QPainter;

namespace talvora::qt {

// The desktop pictures of the virtual Mac's displays: a soft gradient with two glows and two
// translucent waves, in one of a few palettes chosen by `picture` (any number: consecutive
// numbers differ). Drawn as vectors relative to `area`, so a small preview (the Spaces bar)
// looks like the full picture. Deterministic.
void paintWallpaper(QPainter& painter, const QRectF& area, std::size_t picture);

// The same picture as an opaque image of `pixelSize`.
QImage wallpaperImage(QSize pixelSize, std::size_t picture);

// The picture's dominant colour, for things drawn over it that want to match it.
QColor wallpaperTint(std::size_t picture);

} // namespace talvora::qt
