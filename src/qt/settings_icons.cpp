#include "qt/settings_icons.h"

#include <QPainter>
#include <QSvgRenderer>

namespace talvora::qt {

QPixmap settingsPixmap(const char* name, int points, double pixelRatio)
{
    QSvgRenderer renderer(QStringLiteral(":/settings/%1.svg").arg(QLatin1String(name)));
    if (!renderer.isValid())
        return {};
    const int pixels = qRound(points * pixelRatio);
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    painter.end();
    pixmap.setDevicePixelRatio(pixelRatio);
    return pixmap;
}

QIcon settingsIcon(const char* name)
{
    QIcon icon;
    for (double ratio : { 1.0, 2.0 }) {
        QPixmap pixmap = settingsPixmap(name, 16, ratio);
        if (pixmap.isNull())
            return {};
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace talvora::qt
