#pragma once

#include <string>

namespace talvora::app {

struct HeadlessOptions {
    std::string scenario;
    std::string out;
    bool verbose = false; // a line per engine tick besides the timeline
    double pixelRatio = 1; // pixels per point of the written frames
};

// Plays a scenario on the virtual Mac in virtual time and writes into `out`: a PNG of every
// display at each of the scenario's snapshots (frames/), a contact sheet of them, and the
// debug log; a short timeline goes to standard output. Returns the process exit status.
int runHeadlessDemo(const HeadlessOptions& options);

} // namespace talvora::app
