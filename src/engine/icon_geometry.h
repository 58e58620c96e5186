#pragma once

#include "engine/button_hover_kind.h"
#include "engine/records.h"
#include "platform/geometry.h"

namespace talvora {

struct CachedSettings;

// Where an icon and its buttons sit over a thumbnail. The overlay draws with these rules and
// the hover logic hit-tests with them, so what the pointer can hit is exactly what is drawn.
// All points are in the host screen's overlay space: points, origin at the screen's top-left
// corner, y down (the space of `WindowInfo::localBounds` and `WindowInfo::currentPosition`).

struct IconPlacement {
    Point center;
    double side = 0; // points
};

// The three settings the geometry depends on.
struct IconGeometrySettings {
    double iconMaxSize = 51; // points, the caller's lower bound already applied
    double iconYOffset = 0; // fraction; clamped to −1…1 where it is used
    bool buttonsOnBottom = false;
};

IconGeometrySettings iconGeometrySettings(const CachedSettings& settings);

// −1…1; a value that is not a number counts as 0.
double clampedIconYOffset(double fraction);

// Side `iconMaxSize` × `scaleFactor`, horizontally at the smoothed anchor; vertically inside
// the thumbnail by the offset, −1 bringing the icon's top edge to the thumbnail's top and +1
// its bottom edge to the thumbnail's bottom. An icon taller than its thumbnail stays centred.
IconPlacement iconPlacement(const WindowInfo& window, double iconMaxSize, double iconYOffset);

// The buttons sit centred on the icon's top corners, or its bottom corners: close on the left,
// minimize on the right.
Point buttonCenter(const IconPlacement& icon, ButtonHoverKind kind, bool buttonsOnBottom);

// The icon grown by 55 points on every side. Its left and top edges belong to it, its right
// and bottom edges do not, so neighbouring zones never share a point.
bool hoverZoneContains(const IconPlacement& icon, Point p);

// A 36-point square about the button's centre, edges included: more forgiving than the
// 28-point disc that is drawn.
bool buttonHitSquareContains(Point buttonCenter, Point p);

bool hitsCloseButton(const WindowInfo& window, Point p, const IconGeometrySettings& settings);
bool hitsMinimizeButton(const WindowInfo& window, Point p, const IconGeometrySettings& settings);

} // namespace talvora
