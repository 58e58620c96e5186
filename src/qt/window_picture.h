#pragma once

#include "platform/workspace.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cstdint>

class QPainter;

namespace talvora::qt {

// The colours a window of an application is drawn in, all taken from its icon, so that every
// application's windows are recognisably its own.
struct AppColors {
    QColor accent; // the icon's average colour
    QColor body; // the accent lightened: the content area of its windows
    QColor ink; // marks on the body (stand-ins for text), a shade of the accent
    QColor titleBar; // a light grey with a hint of the accent
};

// The icon's average colour, weighted by coverage and leaving out near-white marks (the glyph
// of makeAppIcon), unless the icon is nearly all white. Grey for an empty image.
QColor averageIconColor(const Image& icon);
// The colours for an application with this icon; a neutral grey set without one.
AppColors appColors(const Image* icon);
AppColors appColorsFromAccent(const QColor& accent);

// What a window picture shows.
struct WindowPictureContent {
    QString title;
    AppColors colors;
    bool key = false; // the key window: coloured traffic lights, a deeper shadow
    std::uint32_t variety = 0; // varies the content marks between windows (its number)
};

inline constexpr double kWindowCornerRadius = 10; // points
inline constexpr double kWindowTitleBarHeight = 28;

// Paints a window of `size` points with its top-left corner at the painter's origin: its soft
// shadow, rounded frame, title bar with the three traffic lights and the centred title, and
// its body with a few content marks. The marks keep clear of the middle of the window, which
// shows the plain body colour. Drawn under any transform (Mission Control scales it).
void paintWindowPicture(QPainter& painter, QSizeF size, const WindowPictureContent& content);

// Where paintWindowPicture may touch, shadow included, relative to the window's top-left.
QRectF windowPictureBounds(QSizeF size, bool key);

// A soft shadow of a rounded rectangle (painter coordinates), blurred by about `blur` points
// and moved by `offset`, drawn only around the rectangle, never beneath it. It is all blur and
// no detail, so it is computed at a few pixels per blur radius and scaled up.
void paintRoundedShadow(QPainter& painter, const QRectF& rect, double radius, double blur, QPointF offset, const QColor& color);

} // namespace talvora::qt
