#include "engine/icon_geometry.h"

#include "settings/cached_settings.h"

#include <algorithm>
#include <cmath>

namespace talvora {

namespace {

// How far the hover zone reaches beyond the icon on every side, points.
constexpr double kHoverMargin = 55;
// Half the side of a button's hit square, points.
constexpr double kButtonHitHalfSide = 18;

bool hitsButton(const WindowInfo& window, Point p, ButtonHoverKind kind, const IconGeometrySettings& settings)
{
    const IconPlacement icon = iconPlacement(window, settings.iconMaxSize, settings.iconYOffset);
    return buttonHitSquareContains(buttonCenter(icon, kind, settings.buttonsOnBottom), p);
}

} // namespace

IconGeometrySettings iconGeometrySettings(const CachedSettings& settings)
{
    return { settings.iconMaxSize, settings.iconYOffset, settings.closeMinimizeButtonsOnBottom };
}

double clampedIconYOffset(double fraction)
{
    if (std::isnan(fraction))
        return 0;
    return std::clamp(fraction, -1.0, 1.0);
}

IconPlacement iconPlacement(const WindowInfo& window, double iconMaxSize, double iconYOffset)
{
    const double side = iconMaxSize * window.scaleFactor;
    const double half = side * 0.5;
    const Rect& thumbnail = window.localBounds;
    const double room = std::max(0.0, thumbnail.height * 0.5 - half);
    const double midY = thumbnail.y + thumbnail.height * 0.5;
    return { { window.currentPosition.x, midY + clampedIconYOffset(iconYOffset) * room }, side };
}

Point buttonCenter(const IconPlacement& icon, ButtonHoverKind kind, bool buttonsOnBottom)
{
    const double half = icon.side * 0.5;
    const double rowY = buttonsOnBottom ? icon.center.y + half : icon.center.y - half;
    const double x = kind == ButtonHoverKind::Close ? icon.center.x - half : icon.center.x + half;
    return { x, rowY };
}

bool hoverZoneContains(const IconPlacement& icon, Point p)
{
    const double side = icon.side + 2 * kHoverMargin;
    const double left = icon.center.x - icon.side * 0.5 - kHoverMargin;
    const double top = icon.center.y - icon.side * 0.5 - kHoverMargin;
    return p.x >= left && p.x < left + side && p.y >= top && p.y < top + side;
}

bool buttonHitSquareContains(Point center, Point p)
{
    return std::abs(p.x - center.x) <= kButtonHitHalfSide && std::abs(p.y - center.y) <= kButtonHitHalfSide;
}

bool hitsCloseButton(const WindowInfo& window, Point p, const IconGeometrySettings& settings)
{
    return hitsButton(window, p, ButtonHoverKind::Close, settings);
}

bool hitsMinimizeButton(const WindowInfo& window, Point p, const IconGeometrySettings& settings)
{
    return hitsButton(window, p, ButtonHoverKind::Minimize, settings);
}

} // namespace talvora
