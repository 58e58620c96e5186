#pragma once

#include "platform/window_list.h"
#include "settings/pinned_apps_store.h"
#include "settings/rgba.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace talvora {

struct OverlayContentSettings;

// A pinned application as the overlay reads it from the store: its bundle identifier
// (compared exactly, case-sensitive) and the halo colour the user chose for it, if any.
using PinnedAppEntry = PinnedApp;

// The first entry with this bundle identifier, in list order; null when there is none.
const PinnedAppEntry* findPinnedApp(std::span<const PinnedAppEntry> pinnedApps, std::string_view bundleID);

// The colour of a window's halo, or none. A pinned application wins over the previously
// active window, so a pinned window keeps its colour when it was also the one in front; a
// window without a bundle identifier can only get the previous-window halo.
std::optional<RGBA> haloColor(WindowNumber windowID, const std::optional<std::string>& bundleIdentifier,
    std::optional<WindowNumber> previousActiveWindowID, const OverlayContentSettings& settings,
    std::span<const PinnedAppEntry> pinnedApps);

// The pulse of every halo at one moment. The phase comes from an absolute clock rather than
// from when a halo appeared, so all halos on all screens pulse in step.
struct HaloPulse {
    double phase = 0; // 0…1, period 2π / 4.5 ≈ 1.396 s
    double opacity = 0; // 0…1, multiplies the halo's own opacity
    double scale = 1; // 0.92…1.08 of the nominal diameter, about the halo's centre
    friend bool operator==(const HaloPulse&, const HaloPulse&) = default;
};

// `clockSeconds` is an absolute time in seconds on a clock that every screen shares (the
// frame timestamp on the media clock).
HaloPulse haloPulse(double intensity, double clockSeconds);

// One stop of a radial gradient: `location` runs from 0 at the centre to 1 at the radius.
struct GradientStop {
    double location = 0;
    RGBA color;
    friend bool operator==(const GradientStop&, const GradientStop&) = default;
};

// The glow: the colour at the centre, a brighter or dimmer ring at 0.45 of the radius, and
// nothing at the rim.
std::array<GradientStop, 3> haloGradient(const RGBA& color, double intensity);

} // namespace talvora
