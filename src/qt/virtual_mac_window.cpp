#include "qt/virtual_mac_window.h"

#include "vmac/virtual_mac.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace talvora::qt {

VirtualMacWindow::VirtualMacWindow(const vmac::VirtualMac& mac, OverlayPainter& overlayPainter, std::function<double()> frameMediaTime,
    std::function<PointerOverlay()> pointer, Input input)
    : m_mac(mac)
    , m_pointer(std::move(pointer))
    , m_input(std::move(input))
    , m_canvas(mac, overlayPainter, std::move(frameMediaTime))
{
    setTitle(QStringLiteral("Talvora \u2014 virtual Mac"));
    // The virtual Mac draws its own pointer.
    setCursor(Qt::BlankCursor);
    const QSize natural = m_canvas.sizeForScale(1);
    double fit = 1;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize room = screen->availableGeometry().size() * 0.92;
        fit = std::min({ 1.0, room.width() / static_cast<double>(natural.width()), room.height() / static_cast<double>(natural.height()) });
    }
    resize(m_canvas.sizeForScale(fit));
    m_canvas.setWindowSize(size());
}

void VirtualMacWindow::frame()
{
    if (!isExposed())
        return;
    const QRegion damage = m_canvas.takeDamage(m_pointer ? std::optional(m_pointer()) : std::nullopt);
    if (!damage.isEmpty())
        update(damage);
}

void VirtualMacWindow::paintEvent(QPaintEvent* event)
{
    ++m_paints;
    for (const QRect& r : event->region())
        m_paintedPixels += static_cast<std::int64_t>(r.width()) * r.height();
    QPainter painter(this);
    m_canvas.paint(painter, event->region(), devicePixelRatio(), m_pointer ? std::optional(m_pointer()) : std::nullopt);
}

void VirtualMacWindow::resizeEvent(QResizeEvent*)
{
    m_canvas.setWindowSize(size());
}

void VirtualMacWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_input.mouseMoved)
        m_input.mouseMoved(m_mac.appKitPoint(toGlobal(event->position())));
    frame();
}

void VirtualMacWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_input.mouseMoved)
        m_input.mouseMoved(m_mac.appKitPoint(toGlobal(event->position())));
    if (m_input.mouseDown)
        m_input.mouseDown();
    frame();
}

void VirtualMacWindow::keyPressEvent(QKeyEvent* event)
{
    if (m_input.key)
        m_input.key(*event);
    frame();
}

} // namespace talvora::qt
