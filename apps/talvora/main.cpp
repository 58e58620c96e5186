// The application on the virtual Mac. The options belong to the virtual-Mac host, not to the
// application, which reads none.
//
//   talvora [--headless] [--scenario FILE] [--out DIR] [--quiet]
//
// Without a display (and for now always) it runs headless: it plays the scenario in virtual
// time, prints what the engine saw at each tick and writes the debug log into the home folder
// under DIR.

#include "engine/window_entry.h"
#include "host/simulation.h"
#include "vmac/scenario.h"
#include "vmac/system_logs.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

using namespace talvora;

namespace {

struct Options {
    std::string scenario = TALVORA_DEFAULT_SCENARIO;
    std::string out = "talvora-out";
    bool quiet = false;
};

void usage(FILE* to)
{
    std::fprintf(to, "usage: talvora [--headless] [--scenario FILE] [--out DIR] [--quiet]\n");
}

std::string describeMode(const TickModeSpec& mode)
{
    char text[64];
    if (auto* link = std::get_if<DisplayLinkMode>(&mode))
        std::snprintf(text, sizeof text, "display link %.0f Hz", link->hz);
    else {
        auto timer = std::get<TimerMode>(mode);
        std::snprintf(text, sizeof text, "timer %.0f ms", timer.interval * 1000);
    }
    return text;
}

std::string describeScreens(const ScreenCache& screens)
{
    std::string text;
    for (const auto& s : screens.cachedScreenInfos) {
        char one[96];
        std::snprintf(one, sizeof one, "%s%u:%.0fx%.0f@%.0f,%.0f", text.empty() ? "" : " ", s.id, s.cgRect.width,
            s.cgRect.height, s.cgRect.x, s.cgRect.y);
        text += one;
    }
    return text.empty() ? "none" : text;
}

std::string windowName(std::optional<WindowNumber> window) { return window ? std::to_string(*window) : "-"; }

} // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--headless")
            continue; // the only mode this host has so far
        if (arg == "--quiet") {
            options.quiet = true;
        } else if ((arg == "--scenario" || arg == "--out") && i + 1 < argc) {
            (arg == "--scenario" ? options.scenario : options.out) = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "talvora: unknown option %s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }

    auto loaded = vmac::loadScenarioFile(options.scenario);
    if (!loaded.scenario) {
        std::fprintf(stderr, "talvora: %s\n", loaded.error.c_str());
        return 1;
    }
    std::error_code error;
    std::filesystem::create_directories(options.out, error);
    if (error) {
        std::fprintf(stderr, "talvora: cannot create %s: %s\n", options.out.c_str(), error.message().c_str());
        return 1;
    }
    const std::string outDir = std::filesystem::absolute(options.out).lexically_normal().string();
    vmac::HomeFolder home { outDir + "/home" };
    // Each run starts from the scenario's preferences, not from the previous run's.
    std::filesystem::remove(home.preferencesFile(), error);

    vmac::StderrSystemLog systemLog(/*showDebug=*/false);
    const double duration = loaded.scenario->duration;
    std::printf("Talvora on a virtual Mac: %s\n", loaded.scenario->description.c_str());
    host::Simulation simulation(std::move(*loaded.scenario), home, systemLog);

    simulation.onAction = [&](const vmac::TimelineAction& action) {
        std::printf("%8.3f  ** %s\n", simulation.elapsed(), action.description.c_str());
    };
    simulation.onTick = [&] {
        if (options.quiet)
            return;
        auto& engine = simulation.engine();
        const auto& sampling = engine.sampling();
        if (sampling.lastTickOutcome == TickOutcome::WindowListFailed) {
            std::printf("%8.3f  tick %-4d window list query failed; caches kept, next tick tries again\n", simulation.elapsed(),
                simulation.tickCount());
            return;
        }
        const auto& evidence = engine.lastDetectorTick();
        std::printf("%8.3f  tick %-4d %-20s list=%zu visible=%zu screens=[%s] front=%s previous=%s backdrops=%d/%d "
                    "shrink=%.2f confidence=%d %s icons=%zu opacity=%.2f\n",
            simulation.elapsed(), simulation.tickCount(), describeMode(engine.tickMode.value()).c_str(),
            sampling.cachedWindowList ? sampling.cachedWindowList->size() : 0, sampling.cachedVisibleWindowList.size(),
            describeScreens(engine.screens()).c_str(), windowName(sampling.currentActiveWindowID).c_str(),
            windowName(engine.previousActiveWindowID.value()).c_str(), evidence.fullScreens, evidence.threshold,
            evidence.bestScreenShrink, engine.detector().missionControlConfidence,
            engine.isMCActive.value() ? "MISSION-CONTROL" : "closed", engine.activeWindows.value().size(), engine.iconOpacity.value());
    };

    simulation.start();
    simulation.runFor(duration + 0.5);
    simulation.engine().debugLog().logManager().waitUntilIdle();

    std::printf("\n%d ticks in %.2f s of virtual time.\n", simulation.tickCount(), simulation.elapsed());
    std::printf("Home folder of the virtual Mac: %s\n", home.root.c_str());
    if (simulation.engine().isDebugLoggingEnabled())
        std::printf("Debug log: %s/Logs/Talvora/debug.txt\n", home.library().c_str());
    return 0;
}
