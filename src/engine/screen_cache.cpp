#include "engine/screen_cache.h"

namespace talvora {

void ScreenCache::refresh(WindowServer& windowServer, Screens& screens)
{
    double primaryHeight = windowServer.displayBounds(windowServer.mainDisplayID()).height;
    cachedPrimaryCGHeight = primaryHeight;
    cachedScreenInfos.clear();
    cachedScreenCGRects.clear();
    for (const auto& screen : screens.screens()) {
        ScreenInfo info { displayIDOf(screen), windowServerRect(screen.frame, primaryHeight) };
        cachedScreenInfos.push_back(info);
        cachedScreenCGRects.push_back(info.cgRect);
    }
    cachedScreenCount = static_cast<int>(cachedScreenInfos.size());
}

} // namespace talvora
