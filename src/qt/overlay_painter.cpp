#include "qt/overlay_painter.h"

#include "qt/button_glyphs.h"
#include "qt/color_conversion.h"
#include "qt/soft_shadow.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace talvora::qt {

namespace {

constexpr const char* kLabelFamily = "Inter";
// Bounded caches: renditions follow the content, so a long session must not keep every size
// an icon or label ever had.
constexpr std::size_t kMaxLabelRenditions = 512;
constexpr std::size_t kIconPruneThreshold = 128;
constexpr std::size_t kMaxRenditionsPerIcon = 16;
constexpr std::size_t kMaxHaloRenditions = 256;
constexpr std::size_t kMaxButtonRenditions = 16;
constexpr double kLargestPulse = 1.08;

// Texts are laid out at 72 dots per inch so that a font's point size is its size in overlay
// points, whatever the paint device's own resolution.
constexpr int kDotsPerMeterAt72Dpi = 2835;

QImage pointCanvas(QSize pixels)
{
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDotsPerMeterX(kDotsPerMeterAt72Dpi);
    image.setDotsPerMeterY(kDotsPerMeterAt72Dpi);
    return image;
}

const QImage& metricsDevice()
{
    static const QImage device = pointCanvas({ 1, 1 });
    return device;
}

double deviceScale(const QPainter& painter)
{
    const double s = std::sqrt(std::abs(painter.deviceTransform().determinant()));
    return s > 0 ? s : 1;
}

// Places an image's top-left on a whole device pixel, so a rendition made at the device's
// density is blitted rather than resampled (crisp text, and the fast path).
QPointF snappedToDevicePixel(const QPainter& painter, QPointF point)
{
    const QTransform& t = painter.deviceTransform();
    if (t.type() > QTransform::TxScale)
        return point;
    const QPointF device = t.map(point);
    return t.inverted().map(QPointF(std::round(device.x()), std::round(device.y())));
}

// Draws a rendition made at the device's density onto whole device pixels. Pixel for pixel,
// smoothing would change nothing, and without it the raster engine copies the image directly
// instead of resampling it (on several threads, which a busy machine makes slow to join).
void blitRendition(QPainter& painter, const QRectF& target, const QImage& image)
{
    const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

double shadowReach(const Shadow& s)
{
    return s.radius + std::max(std::abs(s.offset.x), std::abs(s.offset.y)) + 1;
}

QString resolveLabelFamily()
{
    const QFontInfo info(QFont(QString::fromLatin1(kLabelFamily)));
    if (info.family().compare(QString::fromLatin1(kLabelFamily), Qt::CaseInsensitive) == 0)
        return info.family();
    // The generic name lets fontconfig pick the system's sans; the general system font may be
    // anything on a machine without a desktop.
    QFont fallback(QStringLiteral("sans-serif"));
    fallback.setStyleHint(QFont::SansSerif);
    const QString family = QFontInfo(fallback).family();
    std::fprintf(stderr, "talvora: the label font \"%s\" is not installed (Debian package fonts-inter); using \"%s\"\n",
        kLabelFamily, family.toUtf8().constData());
    return family;
}

std::string labelKey(const LabelItem& l, double scale)
{
    std::string key;
    auto number = [&](double v) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.4g|", v);
        key += buffer;
    };
    auto color = [&](const RGBA& c) {
        number(c.red);
        number(c.green);
        number(c.blue);
        number(c.alpha);
    };
    auto row = [&](const LabelRow& r) {
        key += std::to_string(r.text.size());
        key += ':';
        key += r.text;
        number(r.fontSize);
        number(static_cast<int>(r.weight));
        color(r.color);
    };
    row(l.name);
    if (l.title)
        row(*l.title);
    number(l.maxWidth);
    number(l.rowSpacing);
    number(l.horizontalPadding);
    number(l.verticalPadding);
    color(l.background);
    number(l.cornerRadius);
    color(l.textShadow.color);
    number(l.textShadow.radius);
    number(l.textShadow.offset.x);
    number(l.textShadow.offset.y);
    number(scale);
    return key;
}

} // namespace

QImage toQImage(const Image& image)
{
    if (image.width <= 0 || image.height <= 0
        || image.pixels.size() < static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
        return {};
    QImage result(image.width, image.height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height; ++y)
        std::memcpy(result.scanLine(y), image.pixels.data() + static_cast<std::size_t>(y) * image.width,
            static_cast<std::size_t>(image.width) * sizeof(std::uint32_t));
    return result;
}

OverlayPainter::OverlayPainter()
    : m_fontFamily(resolveLabelFamily())
{
}

void OverlayPainter::paint(QPainter& painter, const OverlayContent& content, std::optional<double> haloClockSeconds,
    std::span<const QRectF> groupBounds)
{
    const double scale = deviceScale(painter);
    m_scale = scale;
    // Items the clip leaves out are not drawn at all: a repaint of a few damaged rectangles
    // touches only what lies in them. The margin covers rounding of the clip at any scale.
    const bool clipped = painter.hasClipping();
    const QRegion clip = clipped ? painter.clipRegion() : QRegion();
    const double margin = 2 / scale;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // A group is one layer in the layout's terms; with no opacity or blending of its own,
    // painting its items in order over the same target gives the same pixels.
    const bool bounded = groupBounds.size() == content.groups.size();
    auto outside = [&](const QRectF& bounds) { return !clip.intersects(bounds.adjusted(-margin, -margin, margin, margin).toAlignedRect()); };
    for (std::size_t g = 0; g < content.groups.size(); ++g) {
        if (clipped && bounded && outside(groupBounds[g]))
            continue;
        for (const OverlayItem& item : content.groups[g].items) {
            if (clipped && outside(itemBounds(item)))
                continue;
            std::visit(
                [&](const auto& i) {
                    using T = std::decay_t<decltype(i)>;
                    if constexpr (std::is_same_v<T, HaloItem>)
                        paintHalo(painter, i, scale, haloClockSeconds);
                    else if constexpr (std::is_same_v<T, IconItem>)
                        paintIcon(painter, i, scale);
                    else if constexpr (std::is_same_v<T, LabelItem>)
                        paintLabel(painter, i, scale);
                    else
                        paintButton(painter, i);
                },
                item);
        }
    }
    painter.restore();
}

QRectF OverlayPainter::itemBounds(const OverlayItem& item)
{
    return std::visit(
        [&](const auto& i) -> QRectF {
            using T = std::decay_t<decltype(i)>;
            const QPointF c(i.center.x, i.center.y);
            if constexpr (std::is_same_v<T, HaloItem>) {
                // The largest pulse, so that a damage rectangle holds every frame of it.
                const double r = i.diameter * 0.5 * std::max(kLargestPulse, i.pulse.scale) + 1;
                return { c.x() - r, c.y() - r, 2 * r, 2 * r };
            } else if constexpr (std::is_same_v<T, IconItem>) {
                const double r = i.side * 0.5 + shadowReach(i.shadow);
                return { c.x() - r, c.y() - r, 2 * r, 2 * r };
            } else if constexpr (std::is_same_v<T, LabelItem>) {
                const LabelRendition& l = labelRendition(i, m_scale);
                const double w = l.blockSize.width() * 0.5 + l.margin + 1;
                const double h = l.blockSize.height() * 0.5 + l.margin + 1;
                return { c.x() - w, c.y() - h, 2 * w, 2 * h };
            } else {
                return buttonGlyphBounds(c, i.appearance);
            }
        },
        item);
}

QRectF OverlayPainter::groupBounds(const WindowGroup& group)
{
    QRectF bounds;
    for (const OverlayItem& item : group.items)
        bounds = bounds.united(itemBounds(item));
    return bounds;
}

const QImage& OverlayPainter::haloRendition(const HaloItem& halo, int side)
{
    std::string key = std::to_string(side);
    for (const GradientStop& stop : halo.gradient) {
        const QRgb c = toQColor(stop.color).rgba();
        key += '|' + std::to_string(stop.location) + ':' + std::to_string(c);
    }
    if (auto found = m_halos.find(key); found != m_halos.end())
        return found->second;
    if (m_halos.size() >= kMaxHaloRenditions)
        m_halos.clear();

    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(side / 2.0, side / 2.0);
    QRadialGradient gradient(c, side / 2.0);
    for (const GradientStop& stop : halo.gradient)
        gradient.setColorAt(std::clamp(stop.location, 0.0, 1.0), toQColor(stop.color));
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawEllipse(c, side / 2.0, side / 2.0);
    p.end();
    return m_halos[key] = std::move(image);
}

void OverlayPainter::paintHalo(QPainter& painter, const HaloItem& halo, double scale, std::optional<double> haloClockSeconds)
{
    const HaloPulse pulse = haloClockSeconds ? haloPulse(halo.intensity, *haloClockSeconds) : halo.pulse;
    const double opacity = halo.opacity * pulse.opacity;
    const double radius = halo.diameter * 0.5 * pulse.scale;
    if (opacity <= 0 || radius <= 0)
        return;
    // Filling a radial gradient, or even scaling an image, costs several times a plain blit,
    // and the halos repaint every frame: the gradient is rendered once for each whole-pixel
    // size the pulse passes through (a few dozen at most), and blitted at the pulse's opacity.
    const int side = std::max(2, static_cast<int>(std::lround(2 * radius * scale)));
    const QImage& glow = haloRendition(halo, side);
    const double drawn = side / scale;
    const QPointF topLeft = snappedToDevicePixel(painter, QPointF(halo.center.x - drawn / 2, halo.center.y - drawn / 2));
    painter.save();
    painter.setOpacity(painter.opacity() * std::min(opacity, 1.0));
    blitRendition(painter, QRectF(topLeft, QSizeF(drawn, drawn)), glow);
    painter.restore();
}

OverlayPainter::IconEntry* OverlayPainter::iconEntry(const ImageRef& image)
{
    if (!image)
        return nullptr;
    auto found = m_icons.find(image.get());
    // A freed image's address may be reused by a new one: the weak reference tells them apart.
    if (found != m_icons.end() && found->second.source.lock() == image)
        return &found->second;
    if (m_icons.size() >= kIconPruneThreshold)
        std::erase_if(m_icons, [](const auto& e) { return e.second.source.expired(); });

    IconEntry entry;
    entry.source = image;
    const QImage pixels = toQImage(*image);
    if (!pixels.isNull()) {
        // Fitting into a square keeps the aspect ratio; centring it in a transparent square
        // once makes every later fit a plain scale.
        const int side = std::max(pixels.width(), pixels.height());
        entry.square = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
        entry.square.fill(Qt::transparent);
        QPainter p(&entry.square);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPointF((side - pixels.width()) / 2.0, (side - pixels.height()) / 2.0), pixels);
    }
    return &(m_icons[image.get()] = std::move(entry));
}

void OverlayPainter::paintIcon(QPainter& painter, const IconItem& icon, double scale)
{
    if (icon.opacity <= 0 || icon.side <= 0)
        return;
    IconEntry* entry = iconEntry(icon.image);
    if (!entry)
        return;

    const double reach = shadowReach(icon.shadow);
    const int side = std::max(1, static_cast<int>(std::lround(icon.side * scale)));
    if (entry->renditionScale != scale || entry->renditions.size() >= kMaxRenditionsPerIcon)
        entry->renditions.clear();
    entry->renditionScale = scale;
    QImage& rendition = entry->renditions[side];
    if (rendition.isNull()) {
        // Disc, icon and shadow are one element whose opacity applies to the whole: render
        // them together once per size, then blit at any opacity.
        const int margin = static_cast<int>(std::ceil(reach * scale));
        QImage layer(side + 2 * margin, side + 2 * margin, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QPointF c(margin + side / 2.0, margin + side / 2.0);
        const double r = side / 2.0;
        paintDiscShadow(p, c + QPointF(icon.shadow.offset.x, icon.shadow.offset.y) * scale, r,
            icon.shadow.radius * scale, toQColor(icon.shadow.color));
        // The shadow is only the disc's outline; its inside is covered by what follows.
        p.setPen(Qt::NoPen);
        p.setBrush(toQColor(icon.backing));
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawEllipse(c, r, r);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (!entry->square.isNull()) {
            const QImage fitted = entry->square.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            QBrush texture(fitted);
            texture.setTransform(QTransform::fromTranslate(margin, margin));
            p.setBrush(texture);
            p.drawEllipse(c, r, r);
        }
        p.end();
        rendition = std::move(layer);
    }

    const double margin = (rendition.width() - side) / 2.0 / scale;
    const double half = icon.side * 0.5 + margin;
    const QPointF topLeft = snappedToDevicePixel(painter, QPointF(icon.center.x - half, icon.center.y - half));
    painter.save();
    painter.setOpacity(painter.opacity() * std::min(icon.opacity, 1.0));
    blitRendition(painter, QRectF(topLeft, QSizeF(rendition.width() / scale, rendition.height() / scale)), rendition);
    painter.restore();
}

QFont OverlayPainter::rowFont(const LabelRow& row) const
{
    QFont font(m_fontFamily);
    font.setPointSizeF(std::max(1.0, row.fontSize));
    font.setWeight(row.weight == FontWeight::Semibold ? QFont::DemiBold : QFont::Normal);
    // Unhinted metrics are the same at every scale, so a label is as wide on a dense display.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

const OverlayPainter::LabelRendition& OverlayPainter::labelRendition(const LabelItem& label, double scale)
{
    const std::string key = labelKey(label, scale);
    if (auto found = m_labels.find(key); found != m_labels.end())
        return found->second;
    if (m_labels.size() >= kMaxLabelRenditions)
        m_labels.clear();

    struct Row {
        QFont font;
        QString text;
        double width = 0;
        double height = 0;
        double ascent = 0;
        QColor color;
    };
    std::vector<Row> rows;
    const double textRoom = std::max(0.0, label.maxWidth - 2 * label.horizontalPadding);
    auto addRow = [&](const LabelRow& r) {
        Row row;
        row.font = rowFont(r);
        const QFontMetricsF metrics(row.font, &metricsDevice());
        // One line: line breaks in a title would otherwise be drawn as boxes.
        QString text = QString::fromStdString(r.text);
        text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
        row.text = metrics.elidedText(text, Qt::ElideRight, textRoom);
        row.width = std::min(metrics.horizontalAdvance(row.text), textRoom);
        row.height = metrics.height();
        row.ascent = metrics.ascent();
        row.color = toQColor(r.color);
        rows.push_back(std::move(row));
    };
    addRow(label.name);
    if (label.title)
        addRow(*label.title);

    double textWidth = 0;
    double height = 2 * label.verticalPadding + label.rowSpacing * (rows.size() - 1);
    for (const Row& r : rows) {
        textWidth = std::max(textWidth, r.width);
        height += r.height;
    }
    const double width = std::min(label.maxWidth, textWidth + 2 * label.horizontalPadding);

    LabelRendition rendition;
    rendition.blockSize = { width, height };
    rendition.margin = shadowReach(label.textShadow);
    const QSize pixels(static_cast<int>(std::ceil((width + 2 * rendition.margin) * scale)),
        static_cast<int>(std::ceil((height + 2 * rendition.margin) * scale)));

    QImage text = pointCanvas(pixels);
    {
        QPainter p(&text);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(scale, scale);
        // Glyphs are clipped to the block's text area, so no stroke can cross the width limit.
        p.setClipRect(QRectF(rendition.margin + label.horizontalPadding, rendition.margin,
            width - 2 * label.horizontalPadding, height));
        double y = rendition.margin + label.verticalPadding;
        for (const Row& r : rows) {
            p.setFont(r.font);
            p.setPen(r.color);
            p.drawText(QPointF(rendition.margin + (width - r.width) / 2.0, y + r.ascent), r.text);
            y += r.height + label.rowSpacing;
        }
    }

    QImage block = pointCanvas(pixels);
    {
        QPainter p(&block);
        p.setRenderHint(QPainter::Antialiasing);
        if (label.background.alpha > 0) {
            p.save();
            p.scale(scale, scale);
            QPainterPath background;
            const double radius = std::clamp(label.cornerRadius, 0.0, std::min(width, height) / 2.0);
            background.addRoundedRect(QRectF(rendition.margin, rendition.margin, width, height), radius, radius);
            p.fillPath(background, toQColor(label.background));
            p.restore();
        }
        const Shadow& s = label.textShadow;
        if (s.color.alpha > 0) {
            const QImage shadow = softShadow(text, s.radius * scale, toQColor(s.color));
            const double m = shadowMargin(s.radius * scale);
            p.drawImage(QPointF(s.offset.x * scale - m, s.offset.y * scale - m), shadow);
        }
        p.drawImage(QPointF(0, 0), text);
    }
    rendition.image = std::move(block);
    return m_labels[key] = std::move(rendition);
}

void OverlayPainter::paintLabel(QPainter& painter, const LabelItem& label, double scale)
{
    if (label.opacity <= 0)
        return;
    const LabelRendition& r = labelRendition(label, scale);
    const QPointF topLeft = snappedToDevicePixel(painter,
        QPointF(label.center.x - r.blockSize.width() / 2.0 - r.margin, label.center.y - r.blockSize.height() / 2.0 - r.margin));
    painter.save();
    painter.setOpacity(painter.opacity() * std::min(label.opacity, 1.0));
    blitRendition(painter, QRectF(topLeft, QSizeF(r.image.width() / scale, r.image.height() / scale)), r.image);
    painter.restore();
}

void OverlayPainter::paintButton(QPainter& painter, const ButtonItem& button)
{
    if (button.opacity <= 0)
        return;
    const double scale = m_scale;
    auto found = std::find_if(m_buttons.begin(), m_buttons.end(), [&](const ButtonRendition& r) {
        return r.kind == button.kind && r.scale == scale && r.appearance == button.appearance;
    });
    if (found == m_buttons.end()) {
        // The glyph's paths are cut and stroked once per look, not at every repaint.
        if (m_buttons.size() >= kMaxButtonRenditions)
            m_buttons.clear();
        const QRectF bounds = buttonGlyphBounds(QPointF(0, 0), button.appearance);
        const int side = static_cast<int>(std::ceil(bounds.width() * scale));
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.scale(scale, scale);
        paintButtonGlyph(p, button.kind, QPointF(side / 2.0 / scale, side / 2.0 / scale), button.appearance);
        p.end();
        m_buttons.push_back({ button.kind, button.appearance, scale, std::move(image) });
        found = std::prev(m_buttons.end());
    }
    const double half = found->image.width() / 2.0 / scale;
    const QPointF topLeft = snappedToDevicePixel(painter, QPointF(button.center.x - half, button.center.y - half));
    painter.save();
    painter.setOpacity(painter.opacity() * std::min(button.opacity, 1.0));
    blitRendition(painter, QRectF(topLeft, QSizeF(2 * half, 2 * half)), found->image);
    painter.restore();
}

void paintOverlayContent(QPainter& painter, const OverlayContent& content)
{
    static OverlayPainter shared;
    shared.paint(painter, content);
}

QImage renderOverlayImage(OverlayPainter& overlayPainter, const OverlayContent& content, QSize pixelSize,
    double devicePixelRatio)
{
    QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(devicePixelRatio, devicePixelRatio);
    overlayPainter.paint(painter, content);
    return image;
}

QImage renderOverlayImage(const OverlayContent& content, QSize pixelSize, double devicePixelRatio)
{
    QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(devicePixelRatio, devicePixelRatio);
    paintOverlayContent(painter, content);
    return image;
}

} // namespace talvora::qt
