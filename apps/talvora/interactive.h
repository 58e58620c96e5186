#pragma once

#include <string>

namespace talvora::app {

struct InteractiveOptions {
    std::string scenario;
    std::string out; // the virtual Mac's home goes into out/home
    std::string stateFile; // where the app's state is written while it runs and on exit; empty: nowhere
    bool playTimeline = false; // play the scenario's timeline besides what the person does
    bool verbose = false; // the unified log's debug lines on standard error
    double scale = 0; // window pixels per point; 0 fits the displays to the screen
};

// Talvora on the virtual Mac in real time, in a window showing the Mac's displays. Returns the
// process exit status: 0 once Talvora has been quit (its menu, or the window closed).
int runInteractive(const InteractiveOptions& options);

} // namespace talvora::app
