#pragma once

#include "platform/geometry.h"
#include "platform/window_list.h"

#include <span>
#include <vector>

namespace talvora::vmac {

// Where Mission Control draws the thumbnails. No dump of thumbnail rectangles has been
// published, so the whole layout is invented; these numbers are its knobs.
struct ThumbnailLayoutRules {
    // The Spaces bar along the top of each display, as a fraction of the display's height
    // (guess: it leaves no trace in the window list; it is drawn inside the Dock's backdrop).
    double spacesBarHeightFraction = 0.12;
    // Margin inside the left, right and bottom edges and under the Spaces bar, as a fraction
    // of the display's shorter side.
    double marginFraction = 0.04;
    // Space around each thumbnail inside its grid cell, in points; at most a tenth of the cell.
    double cellPadding = 12;
    // A thumbnail is at most this fraction of its window's size, so that even a single small
    // window visibly shrinks…
    double maxWindowScale = 0.6;
    // …and at most this fraction of its display's width and height.
    double maxDisplayFraction = 0.6;
};

// A window to lay out: its frame in window-server coordinates.
struct LayoutWindow {
    WindowNumber number = 0;
    Rect frame;
};

// A thumbnail's rectangle in window-server coordinates.
struct Thumbnail {
    WindowNumber number = 0;
    Rect frame;
    friend bool operator==(const Thumbnail&, const Thumbnail&) = default;
};

// The part of a display (window-server coordinates) that thumbnails may use: below the
// Spaces bar, inside the margins.
Rect thumbnailArea(const Rect& display, const ThumbnailLayoutRules& rules);

// Thumbnails of the windows of one display, in the order given (front to back): a grid whose
// column count gives the thumbnails the most area, each thumbnail keeping its window's aspect
// ratio, centred in its cell, the last row centred. Windows without area are left out.
std::vector<Thumbnail> layoutDisplayThumbnails(const Rect& display, std::span<const LayoutWindow> windows,
    const ThumbnailLayoutRules& rules);

// Thumbnails of the windows of all displays: each window stays on the display it meets most
// (a window on no display goes to the primary, the first). Display by display, each in the
// order given.
std::vector<Thumbnail> layoutThumbnails(std::span<const Rect> displays, std::span<const LayoutWindow> windows,
    const ThumbnailLayoutRules& rules);

} // namespace talvora::vmac
