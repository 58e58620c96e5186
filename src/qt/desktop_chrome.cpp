#include "qt/desktop_chrome.h"

#include "qt/interface_font.h"
#include "qt/overlay_painter.h"
#include "qt/wallpaper.h"
#include "qt/window_picture.h"
#include "vmac/virtual_desktop.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string_view>

namespace talvora::qt {

namespace {

// The platform's icon grid: the shape takes 824 of 1024 points, with corners of 185.
constexpr double kIconShapeFraction = 824.0 / 1024.0;
constexpr double kIconCornerFraction = 185.0 / 824.0;

constexpr double kDockIconSide = 50;
constexpr double kDockIconGap = 6;
constexpr double kDockSidePadding = 10;
constexpr double kDockTopPadding = 6;
constexpr double kDockBottomPadding = 10;
constexpr double kDockBottomGap = 4;
constexpr double kDockRadius = 18;

QColor rgba(int r, int g, int b, double a) { return QColor::fromRgbF(r / 255.f, g / 255.f, b / 255.f, static_cast<float>(a)); }

// True for an image that fills its whole square (a flat stand-in rather than a drawn icon).
bool isFullBleed(const Image& icon)
{
    if (icon.width <= 0 || icon.height <= 0 || icon.pixels.size() < static_cast<std::size_t>(icon.width) * icon.height)
        return false;
    const auto corner = [&](int x, int y) { return icon.pixels[static_cast<std::size_t>(y) * icon.width + x] >> 24; };
    return corner(0, 0) == 0xFF && corner(icon.width - 1, 0) == 0xFF && corner(0, icon.height - 1) == 0xFF
        && corner(icon.width - 1, icon.height - 1) == 0xFF;
}

QPainterPath appleLogo(QPointF center, double size)
{
    // An apple: a body of two lobes with a notch at the stalk, a bite on the right, a leaf.
    const double s = size / 14.0;
    QPainterPath body;
    body.addEllipse(QPointF(-2.4 * s, 1.2 * s), 4.4 * s, 5.4 * s);
    body.addEllipse(QPointF(2.4 * s, 1.2 * s), 4.4 * s, 5.4 * s);
    body.setFillRule(Qt::WindingFill);
    body = body.simplified();
    QPainterPath bite;
    bite.addEllipse(QPointF(6.6 * s, 0.2 * s), 2.6 * s, 2.8 * s);
    QPainterPath notch;
    notch.addEllipse(QPointF(0, -4.6 * s), 1.3 * s, 1.1 * s);
    QPainterPath apple = body.subtracted(bite).subtracted(notch);
    QPainterPath leaf;
    leaf.addEllipse(QPointF(0, 0), 1.3 * s, 2.6 * s);
    QTransform t;
    t.translate(1.3 * s, -6.9 * s);
    t.rotate(38);
    apple.addPath(t.map(leaf));
    return QTransform::fromTranslate(center.x(), center.y()).map(apple);
}

void paintStatusGlyphOwn(QPainter& painter, QPointF c, const QColor& color)
{
    // The program's item: a window outline with a round badge, the overlay's idea in little.
    painter.setPen(QPen(color, 1.3));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(c.x() - 8, c.y() - 6, 14, 11), 2.5, 2.5);
    painter.drawLine(QPointF(c.x() - 8, c.y() - 3), QPointF(c.x() + 6, c.y() - 3));
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QPointF(c.x() + 5.5, c.y() + 4.5), 3.6, 3.6);
}

void paintStatusGlyphControlCenter(QPainter& painter, QPointF c, const QColor& color)
{
    painter.setPen(QPen(color, 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(c.x() - 7.5, c.y() - 6, 15, 5.5), 2.75, 2.75);
    painter.drawRoundedRect(QRectF(c.x() - 7.5, c.y() + 0.5, 15, 5.5), 2.75, 2.75);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QPointF(c.x() - 4.75, c.y() - 3.25), 1.9, 1.9);
    painter.drawEllipse(QPointF(c.x() + 4.75, c.y() + 3.25), 1.9, 1.9);
}

void paintStatusGlyphFocus(QPainter& painter, QPointF c, const QColor& color)
{
    QPainterPath moon;
    moon.addEllipse(c, 6.5, 6.5);
    QPainterPath cut;
    cut.addEllipse(c + QPointF(4, -3.2), 5.2, 5.2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(moon.subtracted(cut));
}

} // namespace

void paintAppIcon(QPainter& painter, const QRectF& box, const Image* icon, const QString& name)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const double shape = box.width() * kIconShapeFraction;
    const QRectF shapeRect(box.center().x() - shape / 2, box.center().y() - shape / 2, shape, shape);
    const double radius = shape * kIconCornerFraction;
    const QImage image = icon ? toQImage(*icon) : QImage();
    if (image.isNull()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x9A, 0x9A, 0xA2));
        painter.drawRoundedRect(shapeRect, radius, radius);
        painter.setPen(QColor(255, 255, 255));
        painter.setFont(interfaceFont(painter, shape * 0.5, QFont::Bold));
        painter.drawText(shapeRect, Qt::AlignCenter, name.left(1).toUpper());
    } else if (isFullBleed(*icon)) {
        QBrush brush(image);
        QTransform t;
        t.translate(shapeRect.x(), shapeRect.y());
        t.scale(shape / image.width(), shape / image.height());
        brush.setTransform(t);
        painter.setPen(Qt::NoPen);
        painter.setBrush(brush);
        painter.drawRoundedRect(shapeRect, radius, radius);
    } else {
        painter.drawImage(box, image);
    }
    painter.restore();
}

QRectF dockFrame(const QRectF& display, std::size_t itemCount)
{
    const double n = static_cast<double>(std::max<std::size_t>(itemCount, 1));
    const double width = 2 * kDockSidePadding + n * kDockIconSide + (n - 1) * kDockIconGap;
    const double height = kDockTopPadding + kDockIconSide + kDockBottomPadding;
    return QRectF(display.center().x() - width / 2, display.bottom() - kDockBottomGap - height, width, height);
}

void paintDock(QPainter& painter, const QRectF& display, const std::vector<DockItem>& items)
{
    const QRectF frame = dockFrame(display, items.size());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    paintRoundedShadow(painter, frame, kDockRadius, 14, QPointF(0, 4), rgba(0, 0, 0, 0.22));
    painter.setPen(QPen(rgba(0, 0, 0, 0.22), 0.75));
    QLinearGradient glass(frame.topLeft(), frame.bottomLeft());
    glass.setColorAt(0, rgba(255, 255, 255, 0.34));
    glass.setColorAt(1, rgba(255, 255, 255, 0.24));
    painter.setBrush(glass);
    painter.drawRoundedRect(frame, kDockRadius, kDockRadius);
    painter.setPen(QPen(rgba(255, 255, 255, 0.45), 0.75));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(1, 1, -1, -1), kDockRadius - 1, kDockRadius - 1);

    double x = frame.left() + kDockSidePadding;
    for (const auto& item : items) {
        const QRectF box(x, frame.top() + kDockTopPadding, kDockIconSide, kDockIconSide);
        paintAppIcon(painter, box, item.icon, item.name);
        painter.setPen(Qt::NoPen);
        painter.setBrush(rgba(20, 20, 24, 0.65));
        painter.drawEllipse(QPointF(box.center().x(), frame.bottom() - kDockBottomPadding / 2 + 0.5), 2, 2);
        x += kDockIconSide + kDockIconGap;
    }
    painter.restore();
}

void paintMenuBar(QPainter& painter, const QRectF& display, double height, const MenuBarContent& content)
{
    const QRectF bar(display.left(), display.top(), display.width(), height);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(bar, rgba(12, 12, 20, 0.26));
    painter.fillRect(QRectF(bar.left(), bar.bottom() - 0.5, bar.width(), 0.5), rgba(0, 0, 0, 0.25));

    const QColor ink = content.active ? rgba(255, 255, 255, 0.96) : rgba(255, 255, 255, 0.55);
    const double mid = bar.top() + height / 2;
    const double textSize = std::clamp(height * 0.54, 10.0, 14.0);

    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawPath(appleLogo(QPointF(bar.left() + 22, mid + 0.5), textSize));

    double x = bar.left() + 44;
    const QString appName = content.appName.isEmpty() ? QStringLiteral("Finder") : content.appName;
    const QFont bold = interfaceFont(painter, textSize, QFont::Bold);
    const QFont regular = interfaceFont(painter, textSize, QFont::Normal);
    painter.setPen(ink);
    painter.setFont(bold);
    const QRectF nameBox(x, bar.top(), 400, height);
    QRectF used = painter.boundingRect(nameBox, Qt::AlignLeft | Qt::AlignVCenter, appName);
    painter.drawText(nameBox, Qt::AlignLeft | Qt::AlignVCenter, appName);
    x = used.right() + 20;
    painter.setFont(regular);
    for (const char* menu : { "File", "Edit", "View", "Window", "Help" }) {
        const QString text = QString::fromLatin1(menu);
        const QRectF box(x, bar.top(), 200, height);
        used = painter.boundingRect(box, Qt::AlignLeft | Qt::AlignVCenter, text);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
        x = used.right() + 20;
    }

    // The status items, where the window list puts their status windows.
    double right = bar.right() - vmac::kStatusItemsRightInset;
    if (content.ownStatusItem) {
        right -= vmac::kOwnStatusItemWidth;
        if (content.ownStatusItemHighlighted) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(rgba(255, 255, 255, 0.25));
            painter.drawRoundedRect(QRectF(right + 2, bar.top() + 2, vmac::kOwnStatusItemWidth - 4, height - 4), 4, 4);
        }
        paintStatusGlyphOwn(painter, QPointF(right + vmac::kOwnStatusItemWidth / 2, mid), ink);
    }
    for (const auto& item : vmac::kControlCenterItems) {
        right -= item.width;
        const QPointF centre(right + item.width / 2, mid);
        const std::string_view name = item.name;
        if (name == "Clock" && !content.clock.isEmpty()) {
            painter.setPen(ink);
            painter.setFont(regular);
            painter.drawText(QRectF(right, bar.top(), item.width - 6, height), Qt::AlignRight | Qt::AlignVCenter, content.clock);
        } else if (name == "BentoBox") {
            paintStatusGlyphControlCenter(painter, centre, ink);
        } else if (name == "FocusModes") {
            paintStatusGlyphFocus(painter, centre, ink);
        }
    }
    painter.restore();
}

QString menuBarClockText(Date date, int utcOffsetSeconds)
{
    const double local = date.secondsSince1970 + utcOffsetSeconds;
    const auto days = static_cast<long long>(std::floor(local / 86400.0));
    const auto secondOfDay = static_cast<long long>(std::floor(local - static_cast<double>(days) * 86400.0));
    const std::chrono::sys_days civilDay { std::chrono::days { days } };
    const std::chrono::year_month_day calendar { civilDay };
    static const char* const kWeekdays[] = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
    static const char* const kMonths[] = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
    return QStringLiteral("%1 %2 %3  %4:%5")
        .arg(QString::fromLatin1(kWeekdays[std::chrono::weekday { civilDay }.c_encoding()]))
        .arg(static_cast<unsigned>(calendar.day()))
        .arg(QString::fromLatin1(kMonths[static_cast<unsigned>(calendar.month()) - 1]))
        .arg(secondOfDay / 3600, 2, 10, QLatin1Char('0'))
        .arg((secondOfDay / 60) % 60, 2, 10, QLatin1Char('0'));
}

void paintSpacesBar(QPainter& painter, const QRectF& display, double barHeight, const SpacesBarContent& content, double progress)
{
    if (progress <= 0 || barHeight <= 0 || display.isEmpty())
        return;
    const double p = std::clamp(progress, 0.0, 1.0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setOpacity(painter.opacity() * p);

    QLinearGradient shade(display.topLeft(), QPointF(display.left(), display.top() + barHeight));
    shade.setColorAt(0, rgba(0, 0, 0, 0.30));
    shade.setColorAt(1, rgba(0, 0, 0, 0.0));
    painter.fillRect(QRectF(display.left(), display.top(), display.width(), barHeight), shade);

    painter.translate(0, -(1 - p) * barHeight * 0.4);
    const int count = std::max(1, content.spaceCount);
    const double miniHeight = barHeight * 0.56;
    const double miniWidth = miniHeight * display.width() / display.height();
    constexpr double kGap = 24;
    const double total = count * miniWidth + (count - 1) * kGap;
    const double top = display.top() + barHeight * 0.10;
    const QFont label = interfaceFont(painter, std::clamp(barHeight * 0.11, 9.0, 12.0), QFont::Medium);
    for (int i = 0; i < count; ++i) {
        const QRectF mini(display.center().x() - total / 2 + i * (miniWidth + kGap), top, miniWidth, miniHeight);
        const double corner = std::max(2.0, miniHeight * 0.06);
        paintRoundedShadow(painter, mini, corner, 6, QPointF(0, 2), rgba(0, 0, 0, 0.35));
        painter.save();
        QPainterPath clip;
        clip.addRoundedRect(mini, corner, corner);
        painter.setClipPath(clip);
        paintWallpaper(painter, mini, content.picture);
        const double sx = mini.width() / display.width();
        const double sy = mini.height() / display.height();
        if (static_cast<std::size_t>(i) < content.windows.size()) {
            painter.setPen(Qt::NoPen);
            for (const auto& w : content.windows[static_cast<std::size_t>(i)]) {
                const QRectF r(mini.left() + (w.frame.left() - display.left()) * sx, mini.top() + (w.frame.top() - display.top()) * sy,
                    w.frame.width() * sx, w.frame.height() * sy);
                painter.setBrush(w.body);
                painter.drawRoundedRect(r, 1.5, 1.5);
                painter.setBrush(w.titleBar);
                painter.drawRect(QRectF(r.left(), r.top(), r.width(), std::min(r.height(), kWindowTitleBarHeight * sy)));
            }
        }
        painter.restore();
        if (i == content.activeSpace) {
            painter.setPen(QPen(rgba(255, 255, 255, 0.95), 2.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(mini.adjusted(-1.5, -1.5, 1.5, 1.5), corner + 1.5, corner + 1.5);
        }
        painter.setPen(rgba(255, 255, 255, i == content.activeSpace ? 0.95 : 0.75));
        painter.setFont(label);
        painter.drawText(QRectF(mini.left() - kGap / 2, mini.bottom() + 3, mini.width() + kGap, barHeight * 0.26),
            Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Desktop %1").arg(i + 1));
    }

    // The add button at the right end.
    const QPointF plus(display.right() - 44, top + miniHeight / 2);
    const double r = std::clamp(miniHeight * 0.22, 8.0, 16.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(rgba(255, 255, 255, 0.22));
    painter.drawEllipse(plus, r, r);
    painter.setPen(QPen(rgba(255, 255, 255, 0.9), 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(plus - QPointF(r * 0.45, 0), plus + QPointF(r * 0.45, 0));
    painter.drawLine(plus - QPointF(0, r * 0.45), plus + QPointF(0, r * 0.45));
    painter.restore();
}

void paintPointer(QPainter& painter, QPointF hotSpot, CursorKind cursor)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath shape;
    QColor fill;
    QColor outline;
    if (cursor == CursorKind::PointingHand) {
        // The hand, its index finger up; the hot spot is the fingertip.
        QPainterPath finger;
        finger.addRoundedRect(QRectF(4.2, 0, 3.6, 11), 1.8, 1.8);
        QPainterPath palm;
        palm.addRoundedRect(QRectF(2.2, 7.5, 12.6, 11.5), 3.5, 3.5);
        QPainterPath knuckles;
        knuckles.addRoundedRect(QRectF(7.6, 6.2, 2.6, 5), 1.3, 1.3);
        knuckles.addRoundedRect(QRectF(10.0, 6.8, 2.5, 5), 1.25, 1.25);
        knuckles.addRoundedRect(QRectF(12.3, 7.8, 2.4, 5), 1.2, 1.2);
        QPainterPath thumb;
        thumb.addRoundedRect(QRectF(-0.6, 9.4, 4.6, 2.8), 1.4, 1.4);
        QTransform tilt;
        tilt.translate(1.5, 11);
        tilt.rotate(35);
        tilt.translate(-1.5, -11);
        shape = finger.united(palm).united(knuckles).united(tilt.map(thumb));
        shape.translate(hotSpot - QPointF(6.0, 0.5));
        fill = QColor(255, 255, 255);
        outline = QColor(0, 0, 0);
    } else {
        const QPointF points[] = { { 0, 0 }, { 0, 16.5 }, { 4, 12.8 }, { 6.8, 19 }, { 9.4, 17.9 }, { 6.7, 11.8 }, { 11.8, 11.8 } };
        QPolygonF arrow;
        for (const QPointF& point : points)
            arrow << point;
        shape.addPolygon(arrow);
        shape.closeSubpath();
        shape.translate(hotSpot);
        fill = QColor(0, 0, 0);
        outline = QColor(255, 255, 255);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(rgba(0, 0, 0, 0.25));
    painter.drawPath(shape.translated(0.6, 1.2));
    painter.setPen(QPen(outline, 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(fill);
    painter.drawPath(shape);
    painter.restore();
}

} // namespace talvora::qt
