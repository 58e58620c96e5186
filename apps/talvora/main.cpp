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

#include "platform/input_checks.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
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

// A private runtime folder for Qt when the session has none, removed with everything in it
// when the program ends.
struct RuntimeFolder {
    std::string path;

    bool create()
    {
        char folder[] = "/tmp/talvora-runtime-XXXXXX";
        if (!mkdtemp(folder))
            return false;
        path = folder;
        return true;
    }
    ~RuntimeFolder()
    {
        std::error_code error;
        if (!path.empty())
            std::filesystem::remove_all(path, error);
    }
};

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
            if (value.empty()) {
                std::fprintf(stderr, "talvora: %s needs a value\n", arg.c_str());
                return 2;
            }
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
        } else if (arg == "--scenario" || arg == "--out" || arg == "--scale" || arg == "--state") {
            std::fprintf(stderr, "talvora: %s needs a value\n", arg.c_str());
            return 2;
        } else {
            std::fprintf(stderr, "talvora: unknown option %s\n", talvora::escapeControlCharacters(arg).c_str());
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
            std::fprintf(stderr, "talvora: --scale takes a number from %g to 3, not \"%s\"\n", low,
                         talvora::escapeControlCharacters(scale).c_str());
            return 2;
        }
        (headless ? options.pixelRatio : interactive.scale) = value;
    }
    // Headless needs no display: Qt only paints into images. Without a session there is no
    // runtime folder either, and Qt wants one of its own.
    if (headless && !platform)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The folder made for it goes again when the run ends.
    RuntimeFolder runtimeFolder;
    if (!std::getenv("XDG_RUNTIME_DIR") && runtimeFolder.create())
        setenv("XDG_RUNTIME_DIR", runtimeFolder.path.c_str(), 1);
    // A failure nothing below handled still ends as one line and a failure status.
    try {
        int qtArgc = 1;
        // Widgets in both modes: the settings window, and the system tray's icon and menu.
        QApplication qtApp(qtArgc, argv);
        if (headless)
            return talvora::app::runHeadlessDemo(options);
        interactive.scenario = options.scenario;
        interactive.out = options.out;
        interactive.verbose = options.verbose;
        return talvora::app::runInteractive(interactive);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "talvora: %s\n", talvora::escapeControlCharacters(e.what()).c_str());
    } catch (...) {
        std::fprintf(stderr, "talvora: unexpected failure\n");
    }
    return 1;
}
