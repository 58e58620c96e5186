#pragma once

#include "settings/responsiveness_mode.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace talvora::host {

// Runs randomised sessions of the engine on the virtual Mac and compares what the engine
// decided (isMCActive, shouldShowIcons, iconOpacity) with what the virtual Mac really showed.
struct ScorecardOptions {
    std::uint64_t seed = 1;
    int sessions = 100;
    double sessionSeconds = 40; // virtual time per session
    // The responsiveness mode of every session; when absent the sessions cycle through the
    // three modes.
    std::optional<ResponsivenessMode> mode;
    std::string homeRoot; // a folder for the sessions' virtual homes (emptied afterwards)
    int threads = 0; // sessions run side by side on this many threads; 0: one per core
    bool verbose = false; // every action and visit on standard error
    std::optional<int> onlySession; // run only this session of the sequence (with verbose: every tick)
};

// Durations in seconds, one list per responsiveness mode (in the order of
// kAllResponsivenessModes).
using LatenciesByMode = std::array<std::vector<double>, 3>;

struct ScorecardResult {
    int sessions = 0;
    int visits = 0; // visits in which Mission Control stood open with thumbnails for half a second
    int quickVisits = 0; // shorter visits (a quick open-and-close)
    int emptyVisits = 0; // visits without a thumbnail of a window known before: nothing to detect or show
    int falseOpenings = 0; // the engine opened while Mission Control was not shown
    int missedVisits = 0; // full visits the engine never detected
    int missedQuickVisits = 0;
    // Visits in which a display was plugged or unplugged before the engine had detected them.
    int displayChangeVisits = 0;
    int missedDisplayChangeVisits = 0;
    int iconsLeftAfterClose = 0; // icons still shown a second after a visit ended
    // App Exposé visits, apart from the others: those that showed a thumbnail of a window known
    // before, how many the engine took for Mission Control, and the same on one display.
    int appExposeVisits = 0;
    int appExposeDetected = 0;
    int appExposeOneDisplayVisits = 0;
    int appExposeOneDisplayDetected = 0;
    int emptyAppExposeVisits = 0; // the front application had no window to show
    // Sessions with a false opening, a missed full visit or icons left behind, in order: rerun
    // one with --only and --verbose to see it tick by tick.
    std::vector<int> faultySessions;
    // First sample showing Mission Control with thumbnails to isMCActive (visits that show
    // thumbnails from their opening).
    LatenciesByMode detectionLatencies;
    LatenciesByMode openLatencies; // first Mission Control sample to icons at full opacity
    LatenciesByMode closeLatencies; // start of the close to icons gone

    ScorecardResult& operator+=(const ScorecardResult& other);
};

// Runs the sessions; `progress` is called (from any thread, one call at a time) after each.
ScorecardResult runScorecard(const ScorecardOptions& options, const std::function<void(int done, int total)>& progress = {});

// The closing line of the scorecard: name=value pairs that a script can read.
std::string formatScorecardLine(const ScorecardResult& result);
// One line per responsiveness mode: detection, full-opacity and close latencies (p50, p95, max).
std::string formatLatencyLines(const ScorecardResult& result);
// What the engine made of the App Exposé visits.
std::string formatAppExposeLine(const ScorecardResult& result);

// The value at quantile p (0…1) of the durations, nearest rank; 0 when there are none.
double percentile(std::vector<double> values, double p);

} // namespace talvora::host
