#pragma once

#include "platform/geometry.h"

namespace talvora {

// The two pointer shapes the overlay sets (NSCursor).
enum class CursorKind { Arrow, PointingHand };

// The mouse pointer as the application sees it.
class Pointer {
public:
    virtual ~Pointer() = default;
    // NSEvent.mouseLocation: AppKit global coordinates, origin at the bottom-left of the
    // primary display, y up.
    virtual Point mouseLocation() = 0;
    // NSEvent.doubleClickInterval, seconds.
    virtual double doubleClickInterval() = 0;
    // Makes the shape current ([NSCursor set]).
    virtual void setCursor(CursorKind cursor) = 0;
};

} // namespace talvora
