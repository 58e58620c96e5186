#pragma once

#include "vmac/virtual_desktop.h"

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace talvora::vmac {

// Spaces are per display ("Displays have separate Spaces", the default): each display has its
// own list of Spaces and its own active one, and a window belongs to one Space of the display
// it lives on.

// The displays' rectangles in window-server coordinates, in the desktop's order.
std::vector<Rect> globalDisplayBounds(const VirtualDesktop& desktop);

// Index of the display with the largest intersection with `frame` (window-server
// coordinates); the first wins a tie; nothing when the frame meets no display.
std::optional<std::size_t> hostDisplayIndex(std::span<const Rect> displayBounds, const Rect& frame);

// The display a window lives on: the largest intersection, or the primary display for a
// window that meets none. Nothing only on a desktop without displays.
std::optional<std::size_t> owningDisplayIndex(std::span<const Rect> displayBounds, const Rect& frame);

// True when the window's Space is the active Space of the display it lives on. Windows of a
// desktop without displays have no Space to hide them.
bool isOnActiveSpace(const VirtualDesktop& desktop, std::span<const Rect> displayBounds, const VirtualWindow& window);

// The active Space of the display a window with this frame would live on: where a new window
// opens.
int activeSpaceAt(const VirtualDesktop& desktop, const Rect& frame);

// The display with this number (nothing matches a display without one).
std::optional<std::size_t> displayIndexNumbered(const VirtualDesktop& desktop, std::optional<DisplayID> number);

} // namespace talvora::vmac
