// Hover tracking: which icon the pointer rests on and which of its buttons is under it. It is
// recomputed from the pointer position at the end of every tick rather than driven by
// mouse-move events, which an application does not receive over other applications' windows.

#include "engine/icon_geometry.h"
#include "engine/overlay_view_model.h"

namespace talvora {

namespace {

// Whether a screen's window-server rectangle holds the pointer, given in the window server's
// space, with the edge rule of the AppKit frame the rectangle was made from: left and bottom
// edges inside, right and top edges outside. Flipped, the bottom edge of the AppKit frame is
// the maximum y of the rectangle.
bool holdsPointer(const Rect& screen, Point pointer)
{
    return pointer.x >= screen.minX() && pointer.x < screen.maxX() && pointer.y > screen.minY()
        && pointer.y <= screen.maxY();
}

} // namespace

void OverlayViewModel::updateHover()
{
    // A subscriber may destroy the engine from inside a notification.
    std::weak_ptr<int> alive = m_lifetime;

    const auto& pending = pendingButtonClick.value();
    if (pending && m_platform.clock.mediaTime() - pending->at > m_platform.pointer.doubleClickInterval()) {
        pendingButtonClick.publish(std::nullopt);
        if (alive.expired())
            return;
    }

    if (!m_settings.closeOnHoverEnabled || !shouldShowIcons.value()) {
        clearHover();
        return;
    }
    auto pointer = pointerOnScreen();
    if (!pointer) {
        clearHover();
        return;
    }

    // Both values are decided before either is published, while the window list they were
    // read from is certain to be unchanged.
    std::optional<WindowNumber> window;
    std::optional<WindowButton> button;
    if (const WindowInfo* hovered = windowUnderPointer(*pointer)) {
        window = hovered->id;
        const IconGeometrySettings geometry = iconGeometrySettings(m_settings);
        // Close first: where the two hit squares overlap on a tiny icon, close wins.
        if (hitsCloseButton(*hovered, pointer->local, geometry))
            button = WindowButton { hovered->id, ButtonHoverKind::Close };
        else if (hitsMinimizeButton(*hovered, pointer->local, geometry))
            button = WindowButton { hovered->id, ButtonHoverKind::Minimize };
    }

    if (hoveredWindowID.value() != window) {
        hoveredWindowID.publish(window);
        if (alive.expired())
            return;
    }
    if (hoveredButton.value() != button) {
        hoveredButton.publish(button);
        if (alive.expired())
            return;
        updateCursor();
    }
}

void OverlayViewModel::clearHover()
{
    std::weak_ptr<int> alive = m_lifetime;
    if (hoveredWindowID.value()) {
        hoveredWindowID.publish(std::nullopt);
        if (alive.expired())
            return;
    }
    if (hoveredButton.value()) {
        hoveredButton.publish(std::nullopt);
        if (alive.expired())
            return;
        updateCursor();
    }
}

void OverlayViewModel::updateCursor()
{
    m_platform.pointer.setCursor(hoveredButton.value() ? CursorKind::PointingHand : CursorKind::Arrow);
}

std::optional<OverlayViewModel::ScreenPoint> OverlayViewModel::pointerOnScreen()
{
    // The screen cache was refreshed earlier in this tick; its ids and rectangles are the ones
    // the placement gave the windows, so a pointer and a window on one screen always agree.
    const Point appKit = m_platform.pointer.mouseLocation();
    const Point global { appKit.x, m_screens.cachedPrimaryCGHeight - appKit.y };
    auto onScreen = [&](const ScreenInfo& screen) {
        return ScreenPoint { screen.id, { global.x - screen.cgRect.minX(), global.y - screen.cgRect.minY() } };
    };
    for (const ScreenInfo& screen : m_screens.cachedScreenInfos) {
        if (holdsPointer(screen.cgRect, global))
            return onScreen(screen);
    }
    // A pointer in a gap between displays counts on the main screen, which is one of the
    // listed screens: found by its frame, it gets the id the cache gave it.
    auto main = m_platform.screens.mainScreen();
    if (!main)
        return std::nullopt;
    const Rect mainRect = windowServerRect(main->frame, m_screens.cachedPrimaryCGHeight);
    for (const ScreenInfo& screen : m_screens.cachedScreenInfos) {
        if (screen.cgRect == mainRect)
            return onScreen(screen);
    }
    return std::nullopt;
}

const WindowInfo* OverlayViewModel::windowUnderPointer(const ScreenPoint& pointer) const
{
    // The first zone in list order wins where zones overlap, whatever is drawn on top.
    for (const WindowInfo& window : activeWindows.value()) {
        if (window.hostScreenID != pointer.screenID || isHiddenByWindowAction(window.id))
            continue;
        if (hoverZoneContains(iconPlacement(window, m_settings.iconMaxSize, m_settings.iconYOffset), pointer.local))
            return &window;
    }
    return nullptr;
}

} // namespace talvora
