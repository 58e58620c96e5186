#include "overlay/halo.h"

#include "overlay/content_settings.h"

#include <algorithm>
#include <cmath>

namespace talvora {

namespace {

// Angular frequency of the pulse, radians per second.
constexpr double kPulseRate = 4.5;

// A product of settings can leave 0…1 when a setting was written out of its range by hand;
// an opacity outside it means nothing to a painter.
double unitClamped(double v)
{
    return std::clamp(v, 0.0, 1.0);
}

} // namespace

const PinnedAppEntry* findPinnedApp(std::span<const PinnedAppEntry> pinnedApps, std::string_view bundleID)
{
    for (const auto& app : pinnedApps) {
        if (app.bundleID == bundleID)
            return &app;
    }
    return nullptr;
}

std::optional<RGBA> haloColor(WindowNumber windowID, const std::optional<std::string>& bundleIdentifier,
    std::optional<WindowNumber> previousActiveWindowID, const OverlayContentSettings& settings,
    std::span<const PinnedAppEntry> pinnedApps)
{
    if (settings.pinnedHaloEnabled && bundleIdentifier) {
        if (auto* pinned = findPinnedApp(pinnedApps, *bundleIdentifier))
            return pinned->customColor.value_or(settings.pinnedHaloColor());
    }
    if (settings.highlightPreviousWindow && previousActiveWindowID == windowID)
        return settings.previousHaloColor();
    return std::nullopt;
}

HaloPulse haloPulse(double intensity, double clockSeconds)
{
    HaloPulse pulse;
    pulse.phase = (std::sin(kPulseRate * clockSeconds) + 1) * 0.5;
    pulse.opacity = unitClamped(intensity * (0.35 + 0.45 * pulse.phase));
    pulse.scale = 0.92 + 0.16 * pulse.phase;
    return pulse;
}

std::array<GradientStop, 3> haloGradient(const RGBA& color, double intensity)
{
    RGBA ring = color;
    ring.alpha = color.alpha * unitClamped(intensity * 0.55);
    RGBA rim = color;
    rim.alpha = 0;
    return { { { 0, color }, { 0.45, ring }, { 1, rim } } };
}

} // namespace talvora
