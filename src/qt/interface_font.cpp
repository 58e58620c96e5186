#include "qt/interface_font.h"

#include <QFontInfo>
#include <QPaintDevice>
#include <QPainter>

namespace talvora::qt {

const QString& interfaceFontFamily()
{
    static const QString family = [] {
        const QString inter = QStringLiteral("Inter");
        const QFontInfo info { QFont(inter) };
        if (info.family().compare(inter, Qt::CaseInsensitive) == 0)
            return info.family();
        QFont fallback(QStringLiteral("sans-serif"));
        fallback.setStyleHint(QFont::SansSerif);
        return QFontInfo(fallback).family();
    }();
    return family;
}

QFont interfaceFont(const QPainter& painter, double points, QFont::Weight weight)
{
    QFont font(interfaceFontFamily());
    font.setStyleHint(QFont::SansSerif);
    // A point size is 1/72 inch: on a device of another resolution it is scaled so that the
    // text is `points` units of the painter's user space tall.
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 72;
    font.setPointSizeF(points * 72.0 / (dpi > 0 ? dpi : 72));
    font.setWeight(weight);
    // Hinting snaps glyphs to whole pixels of the device; thumbnails drawn under a scale look
    // steadier without it.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

} // namespace talvora::qt
