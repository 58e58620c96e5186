#include "qt/hosted_overlay.h"

#include "overlay/overlay_content_view.h"

#include <QPainter>

namespace talvora::qt {

HostedViewPainter overlayHostedViewPainter(OverlayPainter& painter, std::function<double()> frameMediaTime, HostedViewPainter fallback)
{
    return [&painter, frameMediaTime = std::move(frameMediaTime), fallback = std::move(fallback)](
               QPainter& qp, const HostedView& view, QSizeF size) {
        if (auto* overlay = dynamic_cast<const OverlayContentView*>(&view)) {
            painter.paint(qp, overlay->render(frameMediaTime()));
            return;
        }
        if (fallback)
            fallback(qp, view, size);
    };
}

} // namespace talvora::qt
