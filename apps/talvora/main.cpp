// The application on the virtual Mac. The options belong to the virtual-Mac host, not to the
// application, which reads none.
//
//   talvora [--headless] [--scenario FILE] [--out DIR] [--scale N] [--verbose] [--play] [--state FILE]
//
// With a display it opens a window showing the virtual Mac's screens, where a person uses
// Talvora in real time. Headless (asked for, or without a display) it plays the scenario in
// virtual time and writes pictures of every display at the scenario's snapshots, a contact
// sheet and the debug log into DIR.

#include "headless_demo.h"
#include "interactive.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void usage(FILE* to)
{
    std::fprintf(to,
        "usage: talvora [--headless] [--scenario FILE] [--out DIR] [--scale N] [--verbose] [--play] [--state FILE]\n"
        "  --headless       play the scenario in virtual time and write pictures (the default without a display)\n"
        "  --scenario FILE  the desktop (and timeline) to start on (default: the demo)\n"
        "  --out DIR        where the virtual Mac's home, frames, contact sheet and debug log go (default: talvora-out)\n"
        "  --scale N        pixels per point: of the frames, 1 to 3 (default 1); of the window, 0.25 to 3 (default: fit the screen)\n"
        "  --verbose        headless: a line per engine tick; with a window: the unified log's debug lines\n"
        "  --play           with a window: play the scenario's timeline too\n"
        "  --state FILE     with a window: keep the app's state as JSON in FILE while it runs and on exit\n");
}

} // namespace

int main(int argc, char** argv)
{
    talvora::app::HeadlessOptions options { TALVORA_DEFAULT_SCENARIO, "talvora-out" };
    talvora::app::InteractiveOptions interactive;
    bool headless = false;
    std::string scale;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--headless") {
            headless = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--play") {
            interactive.playTimeline = true;
        } else if ((arg == "--scenario" || arg == "--out" || arg == "--scale" || arg == "--state") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--scenario") {
                options.scenario = value;
            } else if (arg == "--out") {
                options.out = value;
            } else if (arg == "--state") {
                interactive.stateFile = value;
            } else {
                scale = value;
            }
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "talvora: unknown option %s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }

    // Without a display there is nothing to show a window on.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && !*platform)
        platform = nullptr;
    const bool hasDisplay = (std::getenv("DISPLAY") && *std::getenv("DISPLAY")) || (std::getenv("WAYLAND_DISPLAY") && *std::getenv("WAYLAND_DISPLAY"));
    if (!headless && (!hasDisplay || (platform && std::string(platform) == "offscreen")))
        headless = true;
    if (!scale.empty()) {
        char* end = nullptr;
        const double value = std::strtod(scale.c_str(), &end);
        const double low = headless ? 1 : 0.25;
        if (end == scale.c_str() || *end || !(value >= low && value <= 3)) {
            std::fprintf(stderr, "talvora: --scale takes a number from %g to 3, not \"%s\"\n", low, scale.c_str());
            return 2;
        }
        (headless ? options.pixelRatio : interactive.scale) = value;
    }
    // Headless needs no display: Qt only paints into images. Without a session there is no
    // runtime folder either, and Qt wants one of its own.
    if (headless && !platform)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        char folder[] = "/tmp/talvora-runtime-XXXXXX";
        if (mkdtemp(folder))
            setenv("XDG_RUNTIME_DIR", folder, 1);
    }
    int qtArgc = 1;
    if (headless) {
        QGuiApplication qtApp(qtArgc, argv);
        return talvora::app::runHeadlessDemo(options);
    }
    // Widgets only for the system tray's icon and menu.
    QApplication qtApp(qtArgc, argv);
    interactive.scenario = options.scenario;
    interactive.out = options.out;
    interactive.verbose = options.verbose;
    return talvora::app::runInteractive(interactive);
}
