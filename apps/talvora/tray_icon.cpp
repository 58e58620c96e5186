#include "tray_icon.h"

#include "vmac/virtual_status_bar.h"

#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace talvora::app {

namespace {

// The status item's glyph, a window outline with a round badge, on a dark tile so that it
// reads on light and dark trays alike.
QIcon trayGlyph()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 44, 56));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 14, 14);
    p.setPen(QPen(Qt::white, 4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(12, 16, 34, 28), 5, 5);
    p.drawLine(QPointF(12, 24), QPointF(46, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(46, 44), 9, 9);
    return QIcon(pixmap);
}

} // namespace

TrayIcon::TrayIcon(vmac::VirtualStatusBar& bar)
    : m_bar(bar)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = std::make_unique<QSystemTrayIcon>(trayGlyph());
    m_menu = std::make_unique<QMenu>();
    m_tray->setContextMenu(m_menu.get());
    refresh();
}

TrayIcon::~TrayIcon() = default;

bool TrayIcon::isShown() const
{
    return m_tray && m_tray->isVisible();
}

void TrayIcon::refresh()
{
    if (!m_tray)
        return;
    const vmac::StatusItemState* item = m_bar.item();
    if (!item) {
        m_tray->hide();
        m_menuShown = nullptr;
        return;
    }
    if (m_menuShown == item)
        return;
    {
        m_menuShown = item;
        m_menu->clear();
        for (std::size_t row = 0; row < item->menu.items.size(); ++row) {
            const MenuItem& entry = item->menu.items[row];
            if (entry.isSeparator) {
                m_menu->addSeparator();
                continue;
            }
            QAction* action = m_menu->addAction(QString::fromStdString(entry.title));
            action->setEnabled(entry.isEnabled);
            if (!entry.keyEquivalent.empty())
                action->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + QString::fromStdString(entry.keyEquivalent).toUpper()));
            QObject::connect(action, &QAction::triggered, [this, row] { m_bar.perform(row); });
        }
    }
    m_tray->setToolTip(QString::fromStdString(item->toolTip));
    m_tray->show();
}

} // namespace talvora::app
