#pragma once

#include "overlay/content_layout.h"
#include "qt/desktop_compositor.h"

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QPainter;

namespace talvora {
class OverlayContentView;
} // namespace talvora

namespace talvora::vmac {
class VirtualMac;
} // namespace talvora::vmac

namespace talvora::qt {

class OverlayPainter;

// What a display's backdrop (everything under the program's own windows) is drawn from. Two
// equal states draw the same picture.
struct BackdropState {
    std::uint64_t desktopChanges = 0; // the Mac's change count
    double missionControlProgress = 0;
    QString clock; // the menu bar's clock text
    bool menuOpen = false; // the program's status item is highlighted
    // Where the display's windows are drawn while Mission Control shows: thumbnails move when
    // the overview lays them out again, with its progress and the desktop unchanged.
    std::vector<std::pair<WindowNumber, Rect>> presented;
    friend bool operator==(const BackdropState&, const BackdropState&) = default;
};

// The rectangles a repaint of `region` draws: the region's rectangles, those that touch or
// overlap joined into their bounding box. They cover the region, and no two of them touch.
std::vector<QRect> patches(const QRegion& region);

// Every display of the virtual Mac, side by side as they are arranged and scaled to fit a
// window, painted by damage.
//
// Each display's backdrop is kept as a picture at the window's device pixels and drawn again
// only when its state changes (the desktop, Mission Control's progress, the clock); a repaint
// copies the damaged part of it and draws the program's own windows, the status menu and the
// pointer over it, clipped to the damage. `takeDamage` tells what changed since it was last
// asked: a whole display when its backdrop did, and otherwise only the overlay items that look
// different (a pulsing halo, a hovered icon's buttons) and the pointer's old and new places.
class VirtualMacCanvas {
public:
    VirtualMacCanvas(const vmac::VirtualMac& mac, OverlayPainter& overlayPainter, std::function<double()> frameMediaTime);
    ~VirtualMacCanvas();

    // Fits the displays, centred, into a window of `size` logical pixels; everything is
    // damaged again.
    void setWindowSize(QSize size);
    // The window size that shows the displays at `scale` pixels per point.
    QSize sizeForScale(double scale) const;
    double scale() const { return m_scale; }
    // The window-server point under a point of the window, and back.
    Point toGlobal(QPointF windowPoint) const;
    QPointF toWindow(Point global) const;

    // The window's logical pixels to paint again since the previous call; all of them on the
    // first call and after a resize. Renders the overlays for the moment, and a repaint then
    // draws exactly what was compared.
    QRegion takeDamage(std::optional<PointerOverlay> pointer);
    // Paints `region` of the window into `painter` (logical pixels, `devicePixelRatio` device
    // pixels each).
    void paint(QPainter& painter, const QRegion& region, double devicePixelRatio, std::optional<PointerOverlay> pointer);

    // Backdrop pictures drawn so far, for tests of the cache.
    int backdropRenders() const { return m_backdropRenders; }

private:
    struct Backdrop {
        std::optional<BackdropState> state;
        QImage picture;
    };
    struct OverlayRecord {
        std::weak_ptr<const HostedView> view;
        Rect frame; // window-server points, y down
        double alpha = 0;
        bool shown = false;
        OverlayContent content;
        std::vector<QRectF> groupBounds; // overlay points, one per group
    };

    std::vector<Rect> displayRects() const;
    std::vector<BackdropState> backdropStates() const;
    // Where a display lands in the window, widened to whole logical pixels.
    QRect displayArea(const Rect& display) const;
    QRectF windowRect(const Rect& global) const;
    void layout();
    void drawBackdrop(std::size_t index, const Rect& display, const QRect& area, double devicePixelRatio, const BackdropState& state);
    std::map<const void*, OverlayRecord> renderOverlays();
    void overlayDamage(const OverlayRecord* before, const OverlayRecord& after, std::vector<Rect>& damage) const;
    void paintHosted(QPainter& painter, const HostedView& view, QSizeF size);

    const vmac::VirtualMac& m_mac;
    OverlayPainter& m_overlayPainter;
    std::function<double()> m_frameMediaTime;
    DesktopCompositor m_compositor;
    HostedViewPainter m_paintHosted;
    std::vector<Backdrop> m_backdrops;
    std::optional<std::vector<BackdropState>> m_lastStates; // none: everything is damaged
    std::map<const void*, OverlayRecord> m_overlays;
    std::optional<PointerOverlay> m_lastPointer;
    std::optional<std::size_t> m_lastHighlight; // the status menu's row under the pointer
    QSize m_windowSize;
    Rect m_bounds; // all displays, window-server points
    double m_scale = 1;
    QPointF m_offset; // where the bounds' corner is in the window
    int m_backdropRenders = 0;
};

} // namespace talvora::qt
