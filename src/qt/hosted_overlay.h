#pragma once

#include "qt/desktop_compositor.h"
#include "qt/overlay_painter.h"

#include <functional>

namespace talvora::qt {

// Draws the overlay windows' content for the compositor: an `OverlayContentView` is laid out
// for the frame time `frameMediaTime` gives and painted with `painter`; any other hosted view
// is left to `fallback`, if there is one. The painter outlives the returned function.
HostedViewPainter overlayHostedViewPainter(OverlayPainter& painter, std::function<double()> frameMediaTime,
    HostedViewPainter fallback = {});

} // namespace talvora::qt
