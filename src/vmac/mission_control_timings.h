#pragma once

namespace talvora::vmac {

// How long Mission Control's animations take on the virtual Mac, in media-clock seconds. No
// measurement of the real durations has been published, so most of these are guesses, kept
// here together so that they can be tuned.
struct MissionControlTimings {
    // Windows shrink from their frames to their thumbnails (guess: "about a third of a second"
    // by eye; since Sierra the trackpad gesture drives it at any speed).
    double openDuration = 0.35;
    // Thumbnails grow back to the windows' frames (guess, as for opening).
    double closeDuration = 0.35;
    // The Dock's backdrop windows appear this long after the bounds start to move (guess: a
    // few samples later; a virtual machine was seen to report the window-server event before
    // the layer-18 marker existed).
    double markerDelay = 0.05;
    // Closing removes the backdrops as it starts while the bounds are still interpolating
    // (guess); there is nothing to tune for that, it is stated here to keep the choices in one
    // place.

    // The backdrops vanish this long while a Space switch slides inside Mission Control
    // (guess).
    double spaceSwitchBackdropGap = 0.15;
    // A window whose thumbnail moves while Mission Control is open (the layout re-flows, a
    // frame changes) animates to its new place with an ease-out over about 0.6 s, as reported
    // for frame changes inside Mission Control.
    double relayoutDuration = 0.6;
};

} // namespace talvora::vmac
