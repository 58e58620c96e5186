// What the app costs while nobody uses it: the whole app (virtual Mac, engine, frame driver) on
// Qt's event loop in real time, on a small idle desktop, in each responsiveness mode, idle and
// with Mission Control held open.
//
//   build/bench/idle_cost [--seconds N]
//
// One line per case: mode=… state=… tap=… ticks_per_s=… cpu_pct=… wakeups_per_s=…
// The aim is less than 0.1 % of one core while idle in balanced mode. Balanced idle is measured
// three times to show what the event tap's watchdog adds: without supervision, supervised
// without the Accessibility privilege (the probe fails every 5 s), and with the privilege (the
// tap installed, the probe succeeding every 5 s).

#include "host/composition.h"
#include "qt/qt_run_loop.h"
#include "vmac/system_clock.h"
#include "vmac/system_logs.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

using namespace talvora;

namespace {

std::shared_ptr<vmac::VirtualApp> makeApp(ProcessID pid, std::string name, ActivationPolicy policy = ActivationPolicy::Regular)
{
    auto app = std::make_shared<vmac::VirtualApp>();
    app->pid = pid;
    app->localizedName = name;
    app->bundleIdentifier = "com.example." + name;
    app->activationPolicy = policy;
    app->icon = vmac::makeSolidIcon(0xFF000000u | static_cast<std::uint32_t>(pid * 40503u));
    return app;
}

vmac::VirtualWindow makeWindow(WindowNumber number, ProcessID pid, Rect bounds, std::string title)
{
    vmac::VirtualWindow window;
    window.number = number;
    window.pid = pid;
    window.bounds = bounds;
    window.title = std::move(title);
    return window;
}

// One 1440×900 display and three applications with four windows, nothing moving.
vmac::Scenario idleDesktop(const std::string& mode)
{
    vmac::Scenario scenario;
    scenario.description = "idle desktop";
    auto& desktop = scenario.desktop;
    const Rect screen { 0, 0, 1440, 900 };
    desktop.displays.push_back({ DisplayID { 1 }, vmac::appKitFrameFromGlobal(screen, screen.height), 24 });

    auto talvora = makeApp(scenario.talvoraPID, "Talvora", ActivationPolicy::Accessory);
    talvora->bundleIdentifier = vmac::kTalvoraDomain;
    desktop.apps.push_back(talvora);
    desktop.apps.push_back(makeApp(501, "Safari"));
    desktop.apps.push_back(makeApp(502, "Mail"));
    desktop.apps.push_back(makeApp(503, "Notes"));
    desktop.windows.push_back(makeWindow(1001, 501, { 80, 60, 900, 700 }, "Start Page"));
    desktop.windows.push_back(makeWindow(1002, 502, { 300, 120, 800, 600 }, "Inbox"));
    desktop.windows.push_back(makeWindow(1003, 503, { 600, 200, 500, 500 }, "Shopping"));
    desktop.windows.push_back(makeWindow(1004, 501, { 200, 100, 700, 500 }, "Documentation"));
    desktop.frontmostPID = 501;

    scenario.initialPreferences["talvora.responsivenessMode"] = std::string(mode);
    return scenario;
}

// A home of its own for each case, removed afterwards.
struct ScratchHome {
    vmac::HomeFolder home;
    ScratchHome()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "talvora-idle-XXXXXX").string();
        home.root = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~ScratchHome()
    {
        std::error_code error;
        if (!home.root.empty())
            std::filesystem::remove_all(home.root, error);
    }
};

struct Usage {
    double cpuSeconds = 0;
    long voluntarySwitches = 0;
};

Usage processUsage()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return { seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_nvcsw };
}

void runEventLoopFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Start-up (engine creation, the first scans, the Mission Control animation) is not idle; the
// measurement begins after it has settled.
constexpr double kSettleSeconds = 1.5;

enum class TapCase { Untrusted, Off, Installed };

const char* tapCaseName(TapCase c)
{
    switch (c) {
    case TapCase::Off:
        return "off";
    case TapCase::Installed:
        return "installed";
    case TapCase::Untrusted:
        break;
    }
    return "untrusted";
}

void measure(const std::string& mode, bool missionControl, double seconds, TapCase tap = TapCase::Untrusted)
{
    ScratchHome scratch;
    vmac::SystemClock clock;
    qt::QtRunLoop mainQueue;
    vmac::StderrSystemLog log;
    vmac::Scenario scenario = idleDesktop(mode);
    scenario.accessibilityTrusted = tap == TapCase::Installed;
    host::Composition app(std::move(scenario), scratch.home, clock, mainQueue, log);
    app.setEventTapSupervisionEnabled(tap != TapCase::Off);
    // Display links exist only on the virtual Mac's displays, which refresh at 120 Hz.
    mainQueue.setDisplayRefreshRate([&app](DisplayID display) -> std::optional<double> {
        if (static_cast<WindowServer&>(app.mac()).displayBounds(display).isEmpty())
            return std::nullopt;
        return 120.0;
    });
    app.start();
    if (missionControl)
        app.mac().openMissionControl();
    runEventLoopFor(kSettleSeconds);

    const int ticksBefore = app.tickCount();
    const Usage before = processUsage();
    const double startedAt = clock.mediaTime();
    runEventLoopFor(seconds);
    const double wall = clock.mediaTime() - startedAt;
    const Usage after = processUsage();
    const int ticks = app.tickCount() - ticksBefore;

    // CPU: user and system time of every thread of the process over wall time, as a
    // percentage of one core.
    const double cpuPercent = (after.cpuSeconds - before.cpuSeconds) / wall * 100;
    // Wake-ups: a process that sleeps between timers gives up the processor once per wake-up,
    // and the kernel counts that as a voluntary context switch.
    const double wakeups = static_cast<double>(after.voluntarySwitches - before.voluntarySwitches) / wall;
    std::printf("mode=%s state=%s tap=%s ticks_per_s=%.2f cpu_pct=%.3f wakeups_per_s=%.2f\n", mode.c_str(),
        missionControl ? "missionControl" : "idle", tapCaseName(tap), ticks / wall, cpuPercent, wakeups);
    std::fflush(stdout);
}

int usage()
{
    std::fprintf(stderr, "usage: idle_cost [--seconds N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 30;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg != "--seconds" || i + 1 >= argc)
            return usage();
        std::string_view value = argv[++i];
        auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
        if (error != std::errc() || end != value.data() + value.size() || !(seconds > 0))
            return usage();
    }

    QCoreApplication application(argc, argv);
    for (const char* mode : { "performance", "balanced", "conservative" }) {
        measure(mode, false, seconds);
        measure(mode, true, seconds);
    }
    measure("balanced", false, seconds, TapCase::Off);
    measure("balanced", false, seconds, TapCase::Installed);
    return 0;
}
