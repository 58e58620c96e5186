#pragma once

#include "settings/responsiveness_mode.h"

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
    bool verbose = false; // every action and visit on standard error
    std::optional<int> onlySession; // run only this session of the sequence (with verbose: every tick)
};

struct ScorecardResult {
    int sessions = 0;
    int visits = 0; // visits in which Mission Control was fully open for at least half a second
    int quickVisits = 0; // shorter visits (a quick open-and-close)
    int emptyVisits = 0; // visits over a Space without windows: nothing to detect them by or show
    int falseOpenings = 0; // the engine opened while Mission Control was not shown
    int missedVisits = 0; // full visits the engine never detected
    int missedQuickVisits = 0;
    int iconsLeftAfterClose = 0; // icons still shown a second after a visit ended
    std::vector<double> openLatencies; // first Mission Control sample to icons at full opacity, s
    std::vector<double> closeLatencies; // start of the close to icons gone, s
};

ScorecardResult runScorecard(const ScorecardOptions& options, const std::function<void(int done, int total)>& progress = {});

// The closing line of the scorecard: name=value pairs that a script can read.
std::string formatScorecardLine(const ScorecardResult& result);

} // namespace talvora::host
