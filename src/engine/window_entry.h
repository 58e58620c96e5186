#pragma once

#include "platform/window_list.h"
#include "platform/workspace.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

namespace talvora {

// Reading the keys of one window-list entry. Every key is optional; a failed conversion
// counts as absent.
inline std::optional<WindowNumber> entryWindowNumber(const WindowEntry& e) { return e.number.asInteger<WindowNumber>(); }
inline std::optional<ProcessID> entryOwnerPID(const WindowEntry& e) { return e.ownerPID.asInteger<ProcessID>(); }
inline std::optional<std::string_view> entryOwnerName(const WindowEntry& e) { return e.ownerName.asString(); }
inline std::optional<Rect> entryBounds(const WindowEntry& e) { return e.bounds.asRect(); }
inline std::optional<long long> entryLayer(const WindowEntry& e) { return e.layer.asInteger<long long>(); }
inline std::optional<double> entryAlpha(const WindowEntry& e) { return e.alpha.asDouble(); }

// The owners of Mission Control's backdrops and of no application window.
inline bool isDockOrWindowServer(std::string_view owner) { return owner == "Dock" || owner == "Window Server"; }

// A value truncated to an integer for the debug records. Bounds are finite, but an area of two
// huge sides is not; the conversion must stay defined whatever the window server reports.
inline long long recordInteger(double v)
{
    if (std::isnan(v))
        return 0;
    return static_cast<long long>(std::clamp(v, -9.0e18, 9.0e18));
}

// How the debug records print a Boolean.
inline const char* boolText(bool b) { return b ? "true" : "false"; }

// kCGWindowName without leading and trailing white space and newlines; empty when absent.
std::string entryTitle(const WindowEntry& e);
std::string_view entryTitleView(const WindowEntry& e);

// On screen when kCGWindowIsOnscreen reads as Boolean true or, failing that, as a non-zero
// integer. macOS leaves the key out, rather than writing false, for windows off screen.
bool isOnScreenEntry(const WindowEntry& e);

// The filter for ordinary application windows: not the Dock or the window server, not this
// process, on the normal layer, visible, at least 30 by 30 points, of a regular application
// that is not hidden, and not a status item ("Item-…") or Control Center's focus modes.
bool isUserAppWindow(const WindowEntry& e, std::string_view owner, ProcessID pid, const RunningApplication* application,
    const Rect& bounds, ProcessID ownProcess);

} // namespace talvora
