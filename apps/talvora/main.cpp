// The application on the virtual Mac. The options belong to the virtual-Mac host, not to the
// application, which reads none.
//
//   talvora [--headless] [--scenario FILE] [--out DIR] [--scale N] [--verbose]
//
// Headless, it plays the scenario in virtual time and writes pictures of every display at the
// scenario's snapshots, a contact sheet and the debug log into DIR. The interactive front end
// (a window showing the virtual Mac's screens) is not built yet, so every run is headless.

#include "headless_demo.h"

#include "platform/input_checks.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

namespace {

void usage(FILE* to)
{
    std::fprintf(to,
        "usage: talvora [--headless] [--scenario FILE] [--out DIR] [--scale N] [--verbose]\n"
        "  --scenario FILE  the desktop and timeline to play (default: the demo)\n"
        "  --out DIR        where frames, contact sheet and debug log go (default: talvora-out)\n"
        "  --scale N        pixels per point of the frames, 1 to 3 (default 1)\n"
        "  --verbose        a line per engine tick besides the timeline\n");
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
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--headless") {
            continue; // the only mode there is so far
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if ((arg == "--scenario" || arg == "--out" || arg == "--scale") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (value.empty()) {
                std::fprintf(stderr, "talvora: %s needs a value\n", arg.c_str());
                return 2;
            }
            if (arg == "--scenario") {
                options.scenario = value;
            } else if (arg == "--out") {
                options.out = value;
            } else {
                char* end = nullptr;
                options.pixelRatio = std::strtod(value.c_str(), &end);
                if (end == value.c_str() || *end || !(options.pixelRatio >= 1 && options.pixelRatio <= 3)) {
                    std::fprintf(stderr, "talvora: --scale takes a number from 1 to 3, not \"%s\"\n",
                                 talvora::escapeControlCharacters(value).c_str());
                    return 2;
                }
            }
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--scenario" || arg == "--out" || arg == "--scale") {
            std::fprintf(stderr, "talvora: %s needs a value\n", arg.c_str());
            return 2;
        } else {
            std::fprintf(stderr, "talvora: unknown option %s\n", talvora::escapeControlCharacters(arg).c_str());
            usage(stderr);
            return 2;
        }
    }

    // Headless needs no display: Qt only paints into images. Without a session there is no
    // runtime folder either, and Qt wants one of its own.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The folder made for it goes again when the run ends.
    RuntimeFolder runtimeFolder;
    if (!std::getenv("XDG_RUNTIME_DIR") && runtimeFolder.create())
        setenv("XDG_RUNTIME_DIR", runtimeFolder.path.c_str(), 1);
    // A failure nothing below handled still ends as one line and a failure status.
    try {
        int qtArgc = 1;
        QGuiApplication qtApp(qtArgc, argv);
        return talvora::app::runHeadlessDemo(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "talvora: %s\n", talvora::escapeControlCharacters(e.what()).c_str());
    } catch (...) {
        std::fprintf(stderr, "talvora: unexpected failure\n");
    }
    return 1;
}
