#pragma once

#include "overlay/content_layout.h"
#include "platform/workspace.h"

#include <QFont>
#include <QImage>
#include <QRectF>
#include <QSize>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

class QPainter;

namespace talvora::qt {

// The application icon's pixels as a premultiplied QImage. The pixels are copied, so the
// result outlives `image`.
QImage toQImage(const Image& image);

// Paints one screen's overlay content with QPainter, in the painter's current coordinate
// system taken as screen-local points. Halos, icons and label blocks are rendered once at the
// device's pixel density and reused while they look the same, so a frame that only moves,
// pulses or fades things costs a handful of image blits.
//
// Main thread only, like every QPainter on a QImage shared with the view.
class OverlayPainter {
public:
    OverlayPainter();

    // Draws every group back to front as the records say; it does not clear. With
    // `haloClockSeconds` the halos pulse for that moment instead of the layout's frame time,
    // for a painter that redraws every display frame without a new layout. When the painter
    // clips, items entirely outside the clip are skipped.
    // `groupBounds`, when given, holds groupBounds() of each group, so that groups outside the
    // clip are passed over without a look at their items.
    void paint(QPainter& painter, const OverlayContent& content, std::optional<double> haloClockSeconds = {},
        std::span<const QRectF> groupBounds = {});

    // Where an item or a whole group may paint, in points: for damage-only repaints.
    QRectF itemBounds(const OverlayItem& item);
    QRectF groupBounds(const WindowGroup& group);

    // The font family the labels use: "Inter" when it is installed, else the default sans.
    const QString& labelFontFamily() const { return m_fontFamily; }

    // Conversions kept, for tests and diagnostics.
    std::size_t convertedIconCount() const { return m_icons.size(); }

private:
    struct IconEntry {
        std::weak_ptr<const Image> source;
        QImage square; // the icon centred in a transparent square, converted once
        // Disc, icon and shadow by side in pixels: windows of one application show the same
        // image at different sizes, and an animated size visits a few in turn.
        std::unordered_map<int, QImage> renditions;
        double renditionScale = 0;
    };
    struct LabelRendition {
        QSizeF blockSize; // points, background included
        QImage image; // the block with its shadow margin, in device pixels
        double margin = 0; // points of shadow around the block in `image`
    };

    void paintHalo(QPainter& painter, const HaloItem& halo, double scale, std::optional<double> haloClockSeconds);
    void paintIcon(QPainter& painter, const IconItem& icon, double scale);
    void paintLabel(QPainter& painter, const LabelItem& label, double scale);
    void paintButton(QPainter& painter, const ButtonItem& button);

    const QImage& haloRendition(const HaloItem& halo, int side);
    IconEntry* iconEntry(const ImageRef& image);
    const LabelRendition& labelRendition(const LabelItem& label, double scale);
    QFont rowFont(const LabelRow& row) const;

    QString m_fontFamily;
    double m_scale = 1; // device pixels per point of the latest paint
    std::unordered_map<const Image*, IconEntry> m_icons;
    std::unordered_map<std::string, LabelRendition> m_labels;
    std::unordered_map<std::string, QImage> m_halos;
    struct ButtonRendition {
        ButtonHoverKind kind;
        ButtonAppearance appearance;
        double scale = 0;
        QImage image; // the glyph centred, shadow and ring included, in device pixels
    };
    // A hovered icon's buttons take a handful of looks (hover, armed) at one scale.
    std::vector<ButtonRendition> m_buttons;
};

// Paints with one painter shared by the whole process, so icons are converted once.
void paintOverlayContent(QPainter& painter, const OverlayContent& content);

// One screen's overlay as a transparent premultiplied ARGB image of `pixelSize`, for a
// screen whose points are `devicePixelRatio` pixels across.
QImage renderOverlayImage(const OverlayContent& content, QSize pixelSize, double devicePixelRatio = 1);
QImage renderOverlayImage(OverlayPainter& painter, const OverlayContent& content, QSize pixelSize,
    double devicePixelRatio = 1);

} // namespace talvora::qt
