#pragma once

#include "settings/rgba.h"

namespace talvora {

class PreferencesStore;

// The preferences the overlay content binds, as it reads them at one render: the visual keys
// and five behaviour keys. The initial values are the overlay's own defaults for keys that
// were never written. A snapshot from `readOverlayContentSettings` already has the overlay's
// lower bounds applied, so the layout can use every field as it stands.
struct OverlayContentSettings {
    double iconMaxSize = 51; // points, at least 8
    double iconYOffset = 0; // −1 (flush with the thumbnail's top) … +1 (flush with its bottom)
    double nameTextSize = 11; // points, at least 6
    double titleTextSize = 10; // points, at least 6
    double labelBgRed = 1;
    double labelBgGreen = 0;
    double labelBgBlue = 0;
    double labelBgAlpha = 0; // no pill until the user raises its opacity
    double labelCornerRadius = 4; // points
    bool fadeEnabled = true;
    double iconMaxOpacity = 0.8;
    double haloSizeMultiplier = 1.6; // halo diameter over icon side
    double haloIntensity = 1.5;
    bool highlightPreviousWindow = true;
    double previousHaloRed = 1;
    double previousHaloGreen = 1;
    double previousHaloBlue = 0;
    double previousHaloAlpha = 1;
    bool pinnedHaloEnabled = true;
    double pinnedHaloRed = 0.2;
    double pinnedHaloGreen = 0.8;
    double pinnedHaloBlue = 1;
    double pinnedHaloAlpha = 1;
    bool closeOnHoverEnabled = true;
    bool closeMinimizeButtonsOnBottom = false;

    RGBA labelBackground() const { return { labelBgRed, labelBgGreen, labelBgBlue, labelBgAlpha }; }
    RGBA previousHaloColor() const { return { previousHaloRed, previousHaloGreen, previousHaloBlue, previousHaloAlpha }; }
    RGBA pinnedHaloColor() const { return { pinnedHaloRed, pinnedHaloGreen, pinnedHaloBlue, pinnedHaloAlpha }; }

    friend bool operator==(const OverlayContentSettings&, const OverlayContentSettings&) = default;
};

// The overlay's own lower bounds. A value that is not a number counts as out of range.
double effectiveIconMaxSize(double points); // below 8 points: 51
double effectiveNameTextSize(double points); // below 6 points: 11
double effectiveTitleTextSize(double points); // below 6 points: 10
double effectiveIconYOffset(double fraction); // clamped to −1…1

// Reads the 25 keys. Never fails: a number (also an integer or a Boolean) is taken as a
// number, a Boolean only as a Boolean, and an absent or ill-typed value reads as the default;
// the bounds above are then applied.
OverlayContentSettings readOverlayContentSettings(PreferencesStore& store);

} // namespace talvora
