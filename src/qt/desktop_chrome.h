#pragma once

#include "platform/clock.h"
#include "platform/pointer.h"
#include "platform/workspace.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <cstddef>
#include <vector>

class QPainter;

namespace talvora::qt {

// What the system itself draws on the virtual Mac's displays: the Dock, the menu bar, Mission
// Control's Spaces bar and the pointer. Rectangles are in the painter's coordinates, in
// points with y down (the compositor paints in window-server coordinates).

// An application icon in `box`. An icon drawn in the platform's grid (transparent margins) is
// drawn as it is; a flat opaque square is given the grid's margin and rounded corners; without
// an icon, a grey rounded square with the name's initial.
void paintAppIcon(QPainter& painter, const QRectF& box, const Image* icon, const QString& name);

struct DockItem {
    const Image* icon = nullptr;
    QString name;
};

// Where the Dock stands on a display with `itemCount` icons: centred at the bottom.
QRectF dockFrame(const QRectF& display, std::size_t itemCount);
// A translucent rounded bar with the icons and a running-indicator dot under each.
void paintDock(QPainter& painter, const QRectF& display, const std::vector<DockItem>& items);

struct MenuBarContent {
    QString appName; // the front application, in bold after the Apple menu
    bool active = true; // the display with the key window; the others are dimmed
    bool ownStatusItem = false; // the program's status item, at the right end
    bool ownStatusItemHighlighted = false; // its menu is open
    QString clock; // the clock's text
};
// The strip along the top of the display, `height` points tall. The status items stand where
// the window list puts the status windows: from the right edge, the program's own item
// (33 points), the clock (131), Control Center (33) and Focus (33).
void paintMenuBar(QPainter& painter, const QRectF& display, double height, const MenuBarContent& content);

// The clock's text for a date: "Tue 8 Dec 16:05", in local time at `utcOffsetSeconds`.
QString menuBarClockText(Date date, int utcOffsetSeconds);

// A window as a Spaces-bar preview shows it: its frame (painter coordinates of the full
// display) and colours.
struct MiniWindow {
    QRectF frame;
    QColor body;
    QColor titleBar;
};
struct SpacesBarContent {
    std::size_t picture = 0; // the display's desktop picture (paintWallpaper)
    int spaceCount = 1;
    int activeSpace = 0;
    std::vector<std::vector<MiniWindow>> windows; // per Space, back to front
};
// Mission Control's strip along the top of a display, `barHeight` tall: a preview of each
// Space's desktop with its name, the active one outlined, and the add button. It slides in
// and fades with `progress` (0 … 1).
void paintSpacesBar(QPainter& painter, const QRectF& display, double barHeight, const SpacesBarContent& content, double progress);

// The pointer with its hot spot at `hotSpot`: an arrow, or a pointing hand.
void paintPointer(QPainter& painter, QPointF hotSpot, CursorKind cursor);

} // namespace talvora::qt
