#pragma once

#include "engine/records.h"
#include "platform/screens.h"
#include "platform/window_list.h"

#include <vector>

namespace talvora {

// The displays as the engine sees them, in window-server coordinates. Rebuilt every tick and on
// every display change.
struct ScreenCache {
    std::vector<ScreenInfo> cachedScreenInfos; // in the order of the screen list
    std::vector<Rect> cachedScreenCGRects; // the cgRect of each, same order
    int cachedScreenCount = 0;
    double cachedPrimaryCGHeight = 0;

    void refresh(WindowServer& windowServer, Screens& screens);
};

// The flip from an AppKit frame (origin bottom-left of the primary display, y up) to the
// window server's space (origin top-left of the primary display, y down).
inline Rect windowServerRect(const Rect& appKitFrame, double primaryHeight)
{
    return { appKitFrame.minX(), primaryHeight - appKitFrame.maxY(), appKitFrame.width, appKitFrame.height };
}

} // namespace talvora
