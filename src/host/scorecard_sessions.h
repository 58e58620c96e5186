#pragma once

#include "settings/responsiveness_mode.h"
#include "vmac/scenario.h"

#include <cstdint>
#include <random>

namespace talvora::host {

using ScorecardRandom = std::mt19937_64;

// The random source of one session: the same seed and index give the same session, whatever
// order the sessions run in.
ScorecardRandom sessionRandom(std::uint64_t seed, int index);

// A random desktop: one to three displays side by side, a handful of applications with windows
// spread over the displays and, on some displays, a second Space (now and then one without
// windows).
vmac::Scenario randomDesktop(ScorecardRandom& r, ResponsivenessMode mode);

// What happens in a session, as timeline actions: visits of varying length (some beginning over
// a Space without windows and switching to one with windows; some with windows opening,
// closing or moving, a Space switch or a display plugged or unplugged inside), quick
// open-and-close, long idle stretches, Space switches, windows opening, closing and moving
// outside Mission Control, displays plugged and unplugged between visits, front-application
// changes.
void randomTimeline(ScorecardRandom& r, vmac::Scenario& s, double seconds);

} // namespace talvora::host
