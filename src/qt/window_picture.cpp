#include "qt/window_picture.h"

#include "qt/interface_font.h"
#include "qt/soft_shadow.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <map>

namespace talvora::qt {

namespace {

QColor mixed(const QColor& a, const QColor& b, double t)
{
    auto m = [t](double x, double y) { return static_cast<float>(x + (y - x) * t); };
    return QColor::fromRgbF(m(a.redF(), b.redF()), m(a.greenF(), b.greenF()), m(a.blueF(), b.blueF()), m(a.alphaF(), b.alphaF()));
}

QColor withAlpha(QColor c, double alpha)
{
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

double luma(const QColor& c) { return 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF(); }

double deviceScale(const QPainter& painter)
{
    const double s = std::sqrt(std::abs(painter.deviceTransform().determinant()));
    return s > 0 ? s : 1;
}

// A little deterministic generator for the lengths of the content marks.
struct Marks {
    std::uint32_t state;
    double next() // 0 … 1
    {
        state = state * 1664525u + 1013904223u;
        return ((state >> 8) & 0xFFFF) / 65535.0;
    }
};

QPainterPath topRoundedRect(const QRectF& r, double radius)
{
    QPainterPath p;
    p.moveTo(r.left(), r.bottom());
    p.lineTo(r.left(), r.top() + radius);
    p.arcTo(QRectF(r.left(), r.top(), 2 * radius, 2 * radius), 180, -90);
    p.lineTo(r.right() - radius, r.top());
    p.arcTo(QRectF(r.right() - 2 * radius, r.top(), 2 * radius, 2 * radius), 90, -90);
    p.lineTo(r.right(), r.bottom());
    p.closeSubpath();
    return p;
}

QPainterPath bottomRoundedRect(const QRectF& r, double radius, bool roundLeft = true, bool roundRight = true)
{
    QPainterPath p;
    p.moveTo(r.left(), r.top());
    p.lineTo(r.right(), r.top());
    if (roundRight) {
        p.lineTo(r.right(), r.bottom() - radius);
        p.arcTo(QRectF(r.right() - 2 * radius, r.bottom() - 2 * radius, 2 * radius, 2 * radius), 0, -90);
    } else {
        p.lineTo(r.right(), r.bottom());
    }
    if (roundLeft) {
        p.lineTo(r.left() + radius, r.bottom());
        p.arcTo(QRectF(r.left(), r.bottom() - 2 * radius, 2 * radius, 2 * radius), 270, -90);
    } else {
        p.lineTo(r.left(), r.bottom());
    }
    p.closeSubpath();
    return p;
}

void paintTrafficLights(QPainter& painter, bool key, const QColor& titleBar)
{
    static const QColor kLit[3] = { QColor(0xFF, 0x5F, 0x57), QColor(0xFE, 0xBC, 0x2E), QColor(0x28, 0xC8, 0x40) };
    const QColor unlit = mixed(titleBar, QColor(0, 0, 0), 0.16);
    constexpr double kRadius = 6;
    for (int i = 0; i < 3; ++i) {
        const QColor fill = key ? kLit[i] : unlit;
        painter.setBrush(fill);
        painter.setPen(QPen(mixed(fill, QColor(0, 0, 0), 0.18), 0.5));
        painter.drawEllipse(QPointF(20 + 20 * i, kWindowTitleBarHeight / 2), kRadius - 0.25, kRadius - 0.25);
    }
}

// Stand-ins for text: rounded bars, a heading first, filling a band of the body.
void paintTextMarks(QPainter& painter, const QRectF& band, const QColor& ink, Marks& marks, bool heading)
{
    double y = band.top();
    if (heading && y + 12 <= band.bottom()) {
        painter.setBrush(withAlpha(ink, 0.55));
        painter.drawRoundedRect(QRectF(band.left(), y, band.width() * (0.30 + 0.15 * marks.next()), 12), 3, 3);
        y += 26;
    }
    painter.setBrush(withAlpha(ink, 0.28));
    while (y + 7 <= band.bottom()) {
        const double length = band.width() * (0.55 + 0.40 * marks.next());
        painter.drawRoundedRect(QRectF(band.left(), y, length, 7), 3.5, 3.5);
        y += 15;
    }
}

void paintCards(QPainter& painter, const QRectF& band, const AppColors& colors)
{
    if (band.height() < 24 || band.width() < 120)
        return;
    constexpr int kCards = 3;
    constexpr double kGap = 14;
    const double width = (band.width() - kGap * (kCards - 1)) / kCards;
    for (int i = 0; i < kCards; ++i) {
        const QRectF card(band.left() + i * (width + kGap), band.top(), width, band.height());
        painter.setBrush(mixed(colors.body, QColor(255, 255, 255), 0.55));
        painter.setPen(QPen(withAlpha(colors.ink, 0.18), 0.75));
        painter.drawRoundedRect(card, 6, 6);
        painter.setPen(Qt::NoPen);
        const double dot = std::min(card.height() * 0.35, 18.0);
        painter.setBrush(withAlpha(colors.accent, 0.75));
        painter.drawEllipse(QRectF(card.left() + 10, card.top() + 10, dot, dot));
        if (card.height() > dot + 30) {
            painter.setBrush(withAlpha(colors.ink, 0.25));
            painter.drawRoundedRect(QRectF(card.left() + 10, card.top() + 20 + dot, card.width() * 0.6, 6), 3, 3);
        }
    }
}

} // namespace

QColor averageIconColor(const Image& icon)
{
    const std::size_t count = static_cast<std::size_t>(std::max(0, icon.width)) * static_cast<std::size_t>(std::max(0, icon.height));
    if (count == 0 || icon.pixels.size() < count)
        return QColor(0x8A, 0x8A, 0x8A);
    // Sums of straight colour weighted by coverage: the premultiplied components themselves.
    double all[4] = {};
    double coloured[4] = {};
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t p = icon.pixels[i];
        const double a = (p >> 24) & 0xFF;
        if (a < 8)
            continue;
        const double r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        const double sums[4] = { r, g, b, a };
        for (int k = 0; k < 4; ++k)
            all[k] += sums[k];
        const bool nearWhite = r * 255 >= 232 * a && g * 255 >= 232 * a && b * 255 >= 232 * a;
        if (!nearWhite) {
            for (int k = 0; k < 4; ++k)
                coloured[k] += sums[k];
        }
    }
    const double* use = coloured[3] >= 0.1 * all[3] ? coloured : all;
    if (use[3] <= 0)
        return QColor(0x8A, 0x8A, 0x8A);
    auto channel = [&](int k) { return std::clamp(static_cast<int>(std::lround(use[k] * 255.0 / use[3])), 0, 255); };
    return QColor(channel(0), channel(1), channel(2));
}

AppColors appColorsFromAccent(const QColor& accent)
{
    AppColors c;
    c.accent = accent;
    c.body = mixed(accent, QColor(255, 255, 255), 0.55);
    // Marks a little darker than the accent; a dark accent is dark enough as it is.
    c.ink = luma(accent) < 0.3 ? accent : mixed(accent, QColor(0, 0, 0), 0.35);
    c.titleBar = mixed(QColor(0xF2, 0xF2, 0xF2), accent, 0.08);
    return c;
}

AppColors appColors(const Image* icon)
{
    return appColorsFromAccent(icon ? averageIconColor(*icon) : QColor(0x8A, 0x8A, 0x8A));
}

namespace {

// Shadow images by what they are made of, in pixels quantised to an eighth: the same key
// always makes the same image, so a kept one is what a fresh one would be.
struct ShadowKey {
    int width; // eighths of a pixel
    int height;
    int radius;
    int blur;
    QRgb color;
    auto operator<=>(const ShadowKey&) const = default;
};

int eighths(double pixels) { return static_cast<int>(std::lround(pixels * 8)); }

const QImage& shadowImage(const ShadowKey& key)
{
    // Per thread, as QImage painting may happen on any thread; a few windows' worth.
    thread_local std::map<ShadowKey, QImage> kept;
    constexpr std::size_t kMaxKept = 48;
    if (auto it = kept.find(key); it != kept.end())
        return it->second;
    if (kept.size() >= kMaxKept)
        kept.clear();
    const double width = key.width / 8.0;
    const double height = key.height / 8.0;
    QImage mask(QSize(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height))), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter m(&mask);
        m.setRenderHint(QPainter::Antialiasing, true);
        m.setPen(Qt::NoPen);
        m.setBrush(Qt::black);
        m.drawRoundedRect(QRectF(0, 0, width, height), key.radius / 8.0, key.radius / 8.0);
    }
    return kept.emplace(key, softShadow(mask, key.blur / 8.0, QColor::fromRgba(key.color))).first->second;
}

// A rectangle of whole pixels inside `r`.
QRect pixelsInside(const QRectF& r)
{
    return QRect(QPoint(static_cast<int>(std::ceil(r.left())), static_cast<int>(std::ceil(r.top()))),
        QPoint(static_cast<int>(std::floor(r.right())) - 1, static_cast<int>(std::floor(r.bottom())) - 1));
}

} // namespace

void paintRoundedShadow(QPainter& painter, const QRectF& rect, double radius, double blur, QPointF offset, const QColor& color)
{
    if (rect.isEmpty() || color.alpha() == 0)
        return;
    const QTransform toDevice = painter.deviceTransform();
    const double device = deviceScale(painter);
    // About six pixels per blur radius, and never more than the device's own resolution.
    const double scale = std::clamp(device * std::min(1.0, 6.0 / std::max(blur, 1e-3)), 0.02, device);
    const ShadowKey key { eighths(rect.width() * scale), eighths(rect.height() * scale), eighths(radius * scale), eighths(blur * scale),
        color.rgba() };
    if (key.width < 8 || key.height < 8)
        return;
    const QImage& shadow = shadowImage(key);
    const double margin = shadowMargin(key.blur / 8.0) / scale;
    const QRectF target(rect.x() + offset.x() - margin, rect.y() + offset.y() - margin, shadow.width() / scale,
        shadow.height() / scale);

    const QTransform world = painter.worldTransform();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    // Only the ring around the shape: what lies beneath it is left alone, as a shadow is never
    // seen through the window that casts it, and the scaled draw then costs only the ring. The
    // ring is cut in device pixels, where a region of rectangles clips fast; the cut-out is a
    // cross well inside the rounded shape.
    painter.setWorldTransform(QTransform());
    if (painter.deviceTransform().isIdentity() && toDevice.type() <= QTransform::TxScale) {
        const QRectF shape = toDevice.mapRect(rect);
        const double insetX = std::min(radius * std::abs(toDevice.m11()), shape.width() / 2);
        const double insetY = std::min(radius * std::abs(toDevice.m22()), shape.height() / 2);
        const QRectF deviceTarget = toDevice.mapRect(target);
        QRegion ring(deviceTarget.toAlignedRect());
        ring -= pixelsInside(shape.adjusted(insetX, 0, -insetX, 0));
        ring -= pixelsInside(shape.adjusted(0, insetY, 0, -insetY));
        painter.setClipRegion(ring, Qt::IntersectClip);
        painter.drawImage(deviceTarget, shadow);
    } else {
        painter.setWorldTransform(world);
        painter.drawImage(target, shadow);
    }
    painter.restore();
}

namespace {

struct ShadowStyle {
    double blur;
    QPointF offset;
    double alpha;
};

ShadowStyle shadowStyle(bool key) { return key ? ShadowStyle { 34, { 0, 14 }, 0.45 } : ShadowStyle { 22, { 0, 8 }, 0.30 }; }

} // namespace

QRectF windowPictureBounds(QSizeF size, bool key)
{
    const ShadowStyle s = shadowStyle(key);
    const double reach = s.blur * 1.5 + 2;
    return QRectF(QPointF(0, 0), size).adjusted(-reach + s.offset.x(), -reach + s.offset.y(), reach + s.offset.x(), reach + s.offset.y())
        .united(QRectF(QPointF(0, 0), size));
}

void paintWindowPicture(QPainter& painter, QSizeF size, const WindowPictureContent& content)
{
    const double w = size.width();
    const double h = size.height();
    if (w <= 0 || h <= 0)
        return;
    const AppColors& colors = content.colors;
    const double radius = std::min({ kWindowCornerRadius, w / 2, h / 2 });
    const double titleHeight = std::min(kWindowTitleBarHeight, h);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    const ShadowStyle shadow = shadowStyle(content.key);
    paintRoundedShadow(painter, QRectF(0, 0, w, h), radius, shadow.blur, shadow.offset, QColor::fromRgbF(0, 0, 0, static_cast<float>(shadow.alpha)));

    painter.setPen(Qt::NoPen);
    // Title bar: a faint top-to-bottom gradient, as the unified toolbar's background.
    QLinearGradient titleFill(0, 0, 0, titleHeight);
    titleFill.setColorAt(0, mixed(colors.titleBar, QColor(255, 255, 255), 0.35));
    titleFill.setColorAt(1, colors.titleBar);
    painter.setBrush(titleFill);
    painter.drawPath(topRoundedRect(QRectF(0, 0, w, titleHeight), radius));

    const QRectF body(0, titleHeight, w, h - titleHeight);
    if (body.height() > 0) {
        painter.setBrush(colors.body);
        painter.drawPath(bottomRoundedRect(body, radius));

        Marks marks { content.variety * 2654435761u + 12345u };
        const int kind = static_cast<int>(content.variety % 3);
        double left = 22;
        // The middle of the window stays the plain body colour.
        const double clearTop = h * 0.32;
        const double clearBottom = h * 0.68;
        if (kind == 1 && w >= 360) {
            const double sidebar = std::clamp(w * 0.22, 120.0, 220.0);
            painter.setBrush(mixed(colors.body, colors.accent, 0.16));
            painter.drawPath(bottomRoundedRect(QRectF(0, titleHeight, sidebar, body.height()), radius, true, false));
            double y = titleHeight + 16;
            for (int i = 0; y + 8 <= h - 14; ++i, y += 24) {
                if (i == 0) {
                    painter.setBrush(withAlpha(colors.accent, 0.35));
                    painter.drawRoundedRect(QRectF(8, y - 6, sidebar - 16, 20), 5, 5);
                }
                painter.setBrush(withAlpha(colors.ink, i == 0 ? 0.6 : 0.3));
                painter.drawRoundedRect(QRectF(16, y, (sidebar - 40) * (0.5 + 0.4 * marks.next()), 8), 4, 4);
            }
            left = sidebar + 22;
        }
        const double right = w - 22;
        if (right - left > 20) {
            const QRectF top(left, titleHeight + 18, right - left, clearTop - 6 - (titleHeight + 18));
            if (top.height() > 0)
                paintTextMarks(painter, top, colors.ink, marks, true);
            const QRectF bottom(left, clearBottom + 6, right - left, h - 18 - (clearBottom + 6));
            if (bottom.height() > 0) {
                if (kind == 2)
                    paintCards(painter, bottom, colors);
                else
                    paintTextMarks(painter, bottom, colors.ink, marks, false);
            }
        }
    }

    // The separator under the title bar and the hairline round the whole window.
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.10f), 0.75));
    if (body.height() > 0)
        painter.drawLine(QPointF(0, titleHeight), QPointF(w, titleHeight));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.28f), 0.75));
    painter.drawRoundedRect(QRectF(0, 0, w, h), radius, radius);

    if (titleHeight >= 16) {
        paintTrafficLights(painter, content.key, colors.titleBar);
        if (!content.title.isEmpty()) {
            const QFont font = interfaceFont(painter, 13, QFont::DemiBold);
            const QFontMetricsF metrics(font, painter.device());
            const double room = w - 2 * 84;
            if (room > 20) {
                painter.setFont(font);
                painter.setPen(content.key ? QColor(0x33, 0x33, 0x33) : QColor(0x9A, 0x9A, 0x9A));
                const QString text = metrics.elidedText(content.title, Qt::ElideRight, room);
                painter.drawText(QRectF(84, 0, room, titleHeight), Qt::AlignCenter | Qt::TextSingleLine, text);
            }
        }
    }
    painter.restore();
}

} // namespace talvora::qt
