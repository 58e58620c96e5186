#pragma once

#include "qt/virtual_mac_canvas.h"

#include <QRasterWindow>

#include <cstdint>
#include <functional>

namespace talvora::vmac {
class VirtualMac;
} // namespace talvora::vmac

namespace talvora::qt {

// A real window showing every display of the virtual Mac, side by side as they are arranged,
// scaled to fit the window. The real mouse drives the virtual pointer through `Input`; keys go
// to `Input::key`.
//
// Painting is by damage: `frame()` asks the canvas what changed since the last frame and Qt to
// repaint only that; when nothing changed it paints nothing.
class VirtualMacWindow final : public QRasterWindow {
public:
    struct Input {
        std::function<void(Point appKitPoint)> mouseMoved;
        std::function<void()> mouseDown; // at the pointer
        std::function<void(QKeyEvent&)> key;
    };

    VirtualMacWindow(const vmac::VirtualMac& mac, OverlayPainter& overlayPainter, std::function<double()> frameMediaTime,
        std::function<PointerOverlay()> pointer, Input input);

    // Called after each engine tick and each input event.
    void frame();
    // The window-server point under a point of the window, and back.
    Point toGlobal(QPointF windowPoint) const { return m_canvas.toGlobal(windowPoint); }
    QPointF toWindow(Point global) const { return m_canvas.toWindow(global); }
    double scale() const { return m_canvas.scale(); }
    // Paint events so far and pixels they covered.
    int paintCount() const { return m_paints; }
    std::int64_t paintedPixels() const { return m_paintedPixels; }
    const VirtualMacCanvas& canvas() const { return m_canvas; }
    // The size that shows the displays at `scale` pixels per point.
    QSize sizeForScale(double scale) const { return m_canvas.sizeForScale(scale); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const vmac::VirtualMac& m_mac;
    std::function<PointerOverlay()> m_pointer;
    Input m_input;
    VirtualMacCanvas m_canvas;
    int m_paints = 0;
    std::int64_t m_paintedPixels = 0;
};

} // namespace talvora::qt
