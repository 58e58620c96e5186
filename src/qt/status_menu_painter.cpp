#include "qt/status_menu_painter.h"

#include "qt/interface_font.h"
#include "qt/window_picture.h"

#include <QPainter>
#include <QPainterPath>

namespace talvora::qt {

namespace {

QRectF toQRect(const Rect& r) { return QRectF(r.x, r.y, r.width, r.height); }

QString keyEquivalentText(const std::string& key)
{
    if (key.empty())
        return {};
    return QStringLiteral("\u2318") + QString::fromStdString(key).toUpper();
}

} // namespace

void paintStatusMenu(QPainter& painter, const vmac::StatusMenuLayout& layout, const Menu& menu, std::optional<std::size_t> highlighted)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QRectF panel = toQRect(layout.frame);
    paintRoundedShadow(painter, panel, 7, 18, QPointF(0, 6), QColor::fromRgbF(0, 0, 0, 0.35f));
    QPainterPath shape;
    shape.addRoundedRect(panel, 7, 7);
    painter.fillPath(shape, QColor(236, 236, 240, 246));
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.drawPath(shape);

    const QFont font = interfaceFont(painter, 13);
    painter.setFont(font);
    for (std::size_t i = 0; i < layout.rows.size() && i < menu.items.size(); ++i) {
        const MenuItem& item = menu.items[i];
        const QRectF row = toQRect(layout.rows[i]);
        if (item.isSeparator) {
            painter.fillRect(QRectF(row.left() + 10, row.center().y() - 0.5, row.width() - 20, 1), QColor(0, 0, 0, 30));
            continue;
        }
        QColor ink = item.isEnabled ? QColor(20, 20, 24) : QColor(20, 20, 24, 90);
        if (highlighted == i && item.isEnabled) {
            QPainterPath selection;
            selection.addRoundedRect(row.adjusted(5, 0, -5, 0), 4, 4);
            painter.fillPath(selection, QColor(10, 100, 225));
            ink = Qt::white;
        }
        painter.setPen(ink);
        const QRectF text = row.adjusted(16, 0, -14, 0);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(item.title));
        painter.drawText(text, Qt::AlignRight | Qt::AlignVCenter, keyEquivalentText(item.keyEquivalent));
    }
    painter.restore();
}

} // namespace talvora::qt
