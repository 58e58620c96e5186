#pragma once

#include "qt/desktop_compositor.h"

#include <QRasterWindow>
#include <QRegion>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace talvora::vmac {
class VirtualMac;
} // namespace talvora::vmac

namespace talvora::qt {

// What a display shows that can change between two frames, read from the Mac's public state.
struct DisplaySample {
    std::uint64_t desktopChanges = 0; // the Mac's change count
    double missionControlProgress = 0;
    bool animating = false; // Mission Control opening or closing: every frame differs
    bool menuOpen = false;
    std::optional<std::size_t> menuHighlight;
    QString clock; // the menu bar's clock text
    bool overlayLive = false; // an overlay on this display shows something or must be redrawn
};

// The parts of the displays (window-server points) that must be painted again to go from one
// sample to the next: whole displays where the desktop, Mission Control or the overlay
// changed, the menu bar where only the clock did, and the pointer's old and new places.
std::vector<Rect> damagedRects(const std::vector<Rect>& displays, const std::vector<DisplaySample>& before,
    const std::vector<DisplaySample>& after, const std::vector<double>& menuBarHeights, std::optional<PointerOverlay> pointerBefore,
    std::optional<PointerOverlay> pointerAfter);

// A real window showing every display of the virtual Mac, side by side as they are arranged,
// scaled to fit the window. The real mouse drives the virtual pointer through `Input`; keys go
// to `Input::key`.
//
// Painting is by damage: `frame()` compares what the Mac shows with the last frame and asks Qt
// to repaint only what changed; when nothing changed it paints nothing.
class VirtualMacWindow final : public QRasterWindow {
public:
    struct Input {
        std::function<void(Point appKitPoint)> mouseMoved;
        std::function<void()> mouseDown; // at the pointer
        std::function<void(QKeyEvent&)> key;
    };

    VirtualMacWindow(const vmac::VirtualMac& mac, HostedViewPainter paintHosted, std::function<PointerOverlay()> pointer, Input input);

    // Called after each engine tick and each input event.
    void frame();
    // The window-server point under a point of the window, and back.
    Point toGlobal(QPointF windowPoint) const;
    QPointF toWindow(Point global) const;
    double scale() const { return m_scale; }
    // Paint events so far and pixels they covered.
    int paintCount() const { return m_paints; }
    std::int64_t paintedPixels() const { return m_paintedPixels; }
    // The size that shows the displays at `scale` pixels per point.
    QSize sizeForScale(double scale) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::vector<Rect> displayRects() const;
    std::vector<DisplaySample> sample() const;
    void layout();

    const vmac::VirtualMac& m_mac;
    HostedViewPainter m_paintHosted;
    std::function<PointerOverlay()> m_pointer;
    Input m_input;
    DesktopCompositor m_compositor;
    std::vector<DisplaySample> m_lastSample;
    std::optional<PointerOverlay> m_lastPointer;
    Rect m_bounds; // all displays, window-server points
    double m_scale = 1;
    QPointF m_offset; // where the bounds' corner is in the window
    int m_paints = 0;
    std::int64_t m_paintedPixels = 0;
};

} // namespace talvora::qt
