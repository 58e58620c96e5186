#pragma once

#include "platform/geometry.h"
#include "platform/value.h"
#include "platform/window_list.h"

#include <optional>
#include <vector>

namespace talvora {

// One NSScreen: its frame in AppKit coordinates (origin at the bottom-left of the primary
// display, y up) and the "NSScreenNumber" entry of its device description, which may be
// absent or not a number.
struct ScreenDescription {
    Rect frame;
    Value screenNumber;
};

// The display id of a screen: its "NSScreenNumber" read as an unsigned 32-bit number, 0 when
// the entry is absent or not such a number. Window records and overlay windows use the same id.
inline DisplayID displayIDOf(const ScreenDescription& screen) { return screen.screenNumber.asInteger<DisplayID>().value_or(0); }

// Posted on the application's default centre when displays are added, removed or rearranged.
inline constexpr const char* kScreenParametersDidChangeNotification = "NSApplicationDidChangeScreenParametersNotification";

class Screens {
public:
    virtual ~Screens() = default;
    // NSScreen.screens, in order; the first is the primary screen.
    virtual std::vector<ScreenDescription> screens() = 0;
    // NSScreen.mainScreen: the screen with the key window; nothing when there is no screen.
    virtual std::optional<ScreenDescription> mainScreen() = 0;
};

} // namespace talvora
