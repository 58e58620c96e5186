// Cost of one complete engine tick on the virtual Mac (caches warm): with Mission Control
// closed for window lists of about 50, 200 and 1000 entries, and with it open for 50, 200 and
// 1000 windows, placement included.
//
//   build/bench/tick_bench --benchmark_min_time=1

#include "host/simulation.h"
#include "vmac/system_logs.h"

#include <benchmark/benchmark.h>

#include <filesystem>

using namespace talvora;

namespace {

// A desktop whose complete list has about `entries` entries: a tenth on screen, the rest the
// off-screen helpers every Mac lists.
vmac::Scenario desktopWithEntries(int entries)
{
    vmac::Scenario s;
    s.desktop.displays.push_back({ 1, { 0, 0, 1440, 900 }, 24 });
    s.desktop.displays.push_back({ 2, { 1440, 0, 1920, 1080 }, 24 });
    auto talvora = std::make_shared<vmac::VirtualApp>();
    talvora->pid = s.talvoraPID;
    talvora->localizedName = "Talvora";
    talvora->activationPolicy = ActivationPolicy::Accessory;
    s.desktop.apps.push_back(talvora);
    // System windows on two displays: menu bars, status items, desktop pictures, the Dock.
    const int systemOnScreen = 2 * 6 + 1;
    const int onScreen = std::max(entries / 10, systemOnScreen + 1);
    const int appWindows = onScreen - systemOnScreen;
    for (int a = 0; a < 8; ++a) {
        auto app = std::make_shared<vmac::VirtualApp>();
        app->pid = 600 + a;
        app->localizedName = "App " + std::to_string(a);
        app->bundleIdentifier = "com.example.app" + std::to_string(a);
        app->icon = vmac::makeSolidIcon(0xFF000000u | (0x202020u * a));
        s.desktop.apps.push_back(app);
    }
    for (int w = 0; w < appWindows; ++w) {
        vmac::VirtualWindow window;
        window.number = 2000 + w;
        window.pid = 600 + w % 8;
        window.title = "Document " + std::to_string(w);
        window.bounds = { 40.0 + (w % 20) * 30, 40.0 + (w % 15) * 20, 800, 600 };
        s.desktop.windows.push_back(window);
    }
    s.desktop.frontmostPID = 600;
    s.desktop.offScreenEntriesPerOnScreen = std::max(0, (entries - onScreen) / onScreen);
    return s;
}

void BM_Tick(benchmark::State& state)
{
    auto home = std::filesystem::temp_directory_path() / ("talvora-bench-" + std::to_string(::getpid()));
    vmac::RecordingSystemLog log;
    {
        host::Simulation simulation(desktopWithEntries(static_cast<int>(state.range(0))), { home.string() }, log);
        simulation.start();
        simulation.runFor(0.5); // caches warm
        auto& engine = simulation.engine();
        for (auto _ : state) {
            simulation.virtualClock().advance(1.0 / 120);
            engine.tick();
        }
        state.counters["entries"] = static_cast<double>(engine.sampling().cachedWindowList->size());
        state.counters["visible"] = static_cast<double>(engine.sampling().cachedVisibleWindowList.size());
    }
    std::filesystem::remove_all(home);
}

// A desktop with `windows` application windows on two displays, a few off-screen helpers each.
vmac::Scenario desktopWithWindows(int windows)
{
    vmac::Scenario s = desktopWithEntries(0);
    s.desktop.windows.clear();
    for (int w = 0; w < windows; ++w) {
        vmac::VirtualWindow window;
        window.number = 2000 + w;
        window.pid = 600 + w % 8;
        window.title = "Document " + std::to_string(w);
        const double x = w % 2 ? 1440 + 60.0 + (w % 17) * 40 : 40.0 + (w % 13) * 30;
        window.bounds = { x, 60.0 + (w % 11) * 25, 700, 500 };
        s.desktop.windows.push_back(window);
    }
    s.desktop.offScreenEntriesPerOnScreen = 2;
    return s;
}

// One tick with Mission Control open and settled: evidence passes, detector and placement of
// every window.
void BM_TickMissionControlOpen(benchmark::State& state)
{
    auto home = std::filesystem::temp_directory_path() / ("talvora-bench-mc-" + std::to_string(::getpid()));
    vmac::RecordingSystemLog log;
    {
        host::Simulation simulation(desktopWithWindows(static_cast<int>(state.range(0))), { home.string() }, log);
        simulation.start();
        simulation.runFor(4); // past start-up
        simulation.mac().openMissionControl();
        simulation.runFor(1.5); // opened, detected, faded in, settled
        auto& engine = simulation.engine();
        if (!engine.isMCActive.value())
            state.SkipWithError("Mission Control was not detected");
        for (auto _ : state) {
            simulation.virtualClock().advance(1.0 / 120);
            engine.tick();
        }
        state.counters["entries"] = static_cast<double>(engine.sampling().cachedWindowList->size());
        state.counters["icons"] = static_cast<double>(engine.activeWindows.value().size());
    }
    std::filesystem::remove_all(home);
}

} // namespace

BENCHMARK(BM_Tick)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickMissionControlOpen)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
