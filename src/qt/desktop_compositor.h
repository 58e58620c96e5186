#pragma once

#include "platform/app_windows.h"
#include "platform/geometry.h"
#include "platform/pointer.h"

#include <QImage>
#include <QSize>
#include <QSizeF>

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <tuple>

class QPainter;
class QRectF;

namespace talvora::vmac {
class VirtualMac;
} // namespace talvora::vmac

namespace talvora::qt {

// Paints the content of one of the program's own windows. The painter is translated to the
// window's top-left corner and clipped to the window; units are points with y down; `size`
// is the window's size in points.
using HostedViewPainter = std::function<void(QPainter&, const HostedView&, QSizeF size)>;

// The mouse pointer, drawn last.
struct PointerOverlay {
    Point location; // AppKit global coordinates (NSEvent.mouseLocation)
    CursorKind cursor = CursorKind::Arrow;
};

// How far Mission Control's overview has come in at the Mac's current moment, eased as the
// windows move: 0 with the overview closed, 1 with it open, in between while it opens or
// closes.
double missionControlProgress(const vmac::VirtualMac& mac);

// Pixels of a display's image: its frame's size in points times `devicePixelRatio`, rounded.
// Empty for a display that does not exist.
QSize displayPixelSize(const vmac::VirtualMac& mac, std::size_t displayIndex, double devicePixelRatio = 1);

// The virtual Mac's compositor: paints one display as a person would see it, from the Mac's
// public state at the moment of its clock. Back to front: the desktop picture; outside
// Mission Control the application windows of the display's active Space, the Dock (on the
// primary display) and the menu bar; during Mission Control a darkened backdrop, the Spaces
// bar and each window's picture scaled into the bounds it is presented at; then the
// program's own windows (their content through `paintHosted`) and the pointer.
//
// It keeps the desktop pictures it has rendered, so one compositor reused for many frames
// paints each only once. Deterministic: the same state paints the same pixels. Main thread
// only, like the fonts it uses.
class DesktopCompositor {
public:
    // Paints into `painter`, whose coordinates are taken as the display's points with its
    // top-left corner at the origin. It clips to the display and restores the painter.
    void paint(QPainter& painter, const vmac::VirtualMac& mac, std::size_t displayIndex, const HostedViewPainter& paintHosted = {},
        std::optional<PointerOverlay> pointer = {});
    // The two halves of `paint`, for a painter that keeps the first as a picture: the backdrop
    // (desktop picture, application windows, Dock, menu bar, Spaces bar) changes only with
    // the Mac's state, Mission Control's progress and the clock; the foreground (the
    // program's own windows, the status menu, the pointer) is drawn over it.
    void paintBackdrop(QPainter& painter, const vmac::VirtualMac& mac, std::size_t displayIndex);
    void paintForeground(QPainter& painter, const vmac::VirtualMac& mac, std::size_t displayIndex, const HostedViewPainter& paintHosted = {},
        std::optional<PointerOverlay> pointer = {});

    // The display as a premultiplied ARGB image of displayPixelSize(); a null image for a
    // display that does not exist.
    QImage render(const vmac::VirtualMac& mac, std::size_t displayIndex, double devicePixelRatio = 1,
        const HostedViewPainter& paintHosted = {}, std::optional<PointerOverlay> pointer = {});

private:
    void paintWallpaperCached(QPainter& painter, const QRectF& display, std::size_t picture);

    std::map<std::tuple<std::size_t, int, int>, QImage> m_wallpapers;
};

// One display painted by a compositor of its own (nothing is kept between calls).
QImage renderDisplay(const vmac::VirtualMac& mac, std::size_t displayIndex, double devicePixelRatio = 1,
    const HostedViewPainter& paintHosted = {}, std::optional<PointerOverlay> pointer = {});

} // namespace talvora::qt
