#include "overlay/mission_control_overlay.h"

namespace talvora {

namespace {

// What the overlay window class answers for every instance: an overlay over Mission Control
// must never steal the key or main role from the window the user returns to.
constexpr WindowClassTraits kOverlayWindowClass { false, false };

} // namespace

MissionControlOverlay::MissionControlOverlay(AppWindows& windows, const Rect& contentRect, std::uint64_t)
    : m_window(windows.createWindow(contentRect, WindowStyleMask::borderless, kOverlayWindowClass))
{
    m_window->setOpaque(false);
    m_window->setBackgroundColor(WindowColor::clear());
    m_window->setHasShadow(false);
    m_window->setLevel(kLevel);
    m_window->setIgnoresMouseEvents(true);
    m_window->setCollectionBehavior(kCollectionBehavior);
}

} // namespace talvora
