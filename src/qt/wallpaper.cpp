#include "qt/wallpaper.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>

namespace talvora::qt {

namespace {

struct Glow {
    double x; // centre, as fractions of the area
    double y;
    double radius; // fraction of the area's larger side
    QRgb color;
    double alpha;
};

struct Palette {
    std::array<QRgb, 3> diagonal; // top-left, middle, bottom-right
    std::array<Glow, 2> glows;
    QRgb tint;
};

constexpr std::array<Palette, 4> kPalettes { {
    // Dusk: indigo to coral.
    { { 0x18245Fu, 0x5A3D9Au, 0xE27F6Eu }, { { { 0.80, 0.22, 0.55, 0xF6B98Cu, 0.55 }, { 0.18, 0.88, 0.60, 0x2E9CC4u, 0.45 } } },
        0x4A3A8Au },
    // Lagoon: deep teal to sand.
    { { 0x0C3347u, 0x1F7A8Cu, 0xC9DDB2u }, { { { 0.22, 0.18, 0.55, 0xF1E6C2u, 0.38 }, { 0.86, 0.92, 0.60, 0x0A2A5Eu, 0.50 } } },
        0x1F6A7Au },
    // Orchid: aubergine to pink.
    { { 0x24124Cu, 0x8A3DA6u, 0xF2A5B8u }, { { { 0.72, 0.78, 0.55, 0xFFD0A8u, 0.40 }, { 0.12, 0.15, 0.50, 0x3B5BD9u, 0.42 } } },
        0x6E3290u },
    // Amber: plum to gold.
    { { 0x37193Cu, 0xB9514Cu, 0xF4C27Au }, { { { 0.30, 0.75, 0.60, 0xFF9E5Eu, 0.40 }, { 0.85, 0.12, 0.50, 0x5B2C83u, 0.45 } } },
        0x9A4646u },
} };

const Palette& paletteFor(std::size_t index) { return kPalettes[index % kPalettes.size()]; }

QColor withAlpha(QRgb rgb, double alpha)
{
    QColor c = QColor::fromRgb(rgb);
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

} // namespace

void paintWallpaper(QPainter& painter, const QRectF& area, std::size_t picture)
{
    if (area.isEmpty())
        return;
    const Palette& p = paletteFor(picture);
    const double w = area.width();
    const double h = area.height();
    const double side = std::max(w, h);
    auto at = [&](double fx, double fy) { return QPointF(area.x() + fx * w, area.y() + fy * h); };

    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setRenderHint(QPainter::Antialiasing, true);

    QLinearGradient diagonal(at(0, 0), at(1, 1));
    diagonal.setColorAt(0, QColor::fromRgb(p.diagonal[0]));
    diagonal.setColorAt(0.55, QColor::fromRgb(p.diagonal[1]));
    diagonal.setColorAt(1, QColor::fromRgb(p.diagonal[2]));
    painter.fillRect(area, diagonal);

    for (const Glow& g : p.glows) {
        QRadialGradient glow(at(g.x, g.y), g.radius * side);
        glow.setColorAt(0, withAlpha(g.color, g.alpha));
        glow.setColorAt(0.5, withAlpha(g.color, g.alpha * 0.45));
        glow.setColorAt(1, withAlpha(g.color, 0));
        painter.fillRect(area, glow);
    }

    // Two waves across the lower half: a light one and, below it, a darker one. Each runs from
    // the left edge to the right along a curve and fills everything under it.
    auto wave = [&](double left, QPointF c1, QPointF c2, double right, double fadeFrom, QColor top, QColor bottom) {
        QPainterPath path;
        path.moveTo(at(0, left));
        path.cubicTo(at(c1.x(), c1.y()), at(c2.x(), c2.y()), at(1, right));
        path.lineTo(at(1, 1));
        path.lineTo(at(0, 1));
        path.closeSubpath();
        QLinearGradient fill(at(0, fadeFrom), at(0, 1));
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        painter.fillPath(path, fill);
    };
    wave(0.58, { 0.30, 0.40 }, { 0.62, 0.86 }, 0.50, 0.45, withAlpha(0xFFFFFF, 0.16), withAlpha(0xFFFFFF, 0.02));
    wave(0.80, { 0.35, 0.66 }, { 0.70, 1.02 }, 0.74, 0.7, withAlpha(0x000000, 0.10), withAlpha(0x000000, 0.24));

    painter.restore();
}

QImage wallpaperImage(QSize pixelSize, std::size_t picture)
{
    QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromRgb(paletteFor(picture).tint));
    QPainter painter(&image);
    paintWallpaper(painter, QRectF(QPointF(0, 0), QSizeF(pixelSize)), picture);
    return image;
}

QColor wallpaperTint(std::size_t picture) { return QColor::fromRgb(paletteFor(picture).tint); }

} // namespace talvora::qt
