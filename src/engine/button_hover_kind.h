#pragma once

#include "platform/window_list.h"

namespace talvora {

// The two buttons that appear at the corners of a hovered icon.
enum class ButtonHoverKind { Close, Minimize };

// One button of one window: the one under the pointer, or the one whose first click is
// waiting for a second in double-click mode.
struct WindowButton {
    WindowNumber windowID = 0;
    ButtonHoverKind kind = ButtonHoverKind::Close;
    friend bool operator==(const WindowButton&, const WindowButton&) = default;
};

// A first click on a button in double-click mode, waiting for its second.
struct PendingButtonClick {
    WindowNumber windowID = 0;
    ButtonHoverKind kind = ButtonHoverKind::Close;
    double at = 0; // media-clock seconds
    friend bool operator==(const PendingButtonClick&, const PendingButtonClick&) = default;
};

} // namespace talvora
