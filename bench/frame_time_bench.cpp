// What one frame of the interactive window costs with Mission Control open: two displays, a
// 1440×900-point one and a 1280×800-point one, 30 windows with icons, some pinned (their
// halos pulse), the pointer resting on an icon so its buttons show. The real window is shown
// (on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise) at one logical pixel
// per point and `--ratio` device pixels per logical pixel (2 by default, so the second display
// is drawn at its 2560×1600 pixels and the first at twice its own); each frame advances the
// app by 1/120 s of virtual time, asks the window for its damage and has Qt repaint and flush
// it. The time of that work is one frame. The frames of a warm-up of one halo pulse (the
// first frame paints everything; each halo size is rendered once) are timed apart.
//
//   build/bench/frame_time [--frames N] [--ratio R]
//
// Prints: frames=… p50_ms=… p95_ms=… max_ms=… (wall time) cpu_p50_ms=… cpu_p95_ms=… (the main
// thread's CPU time) warmup_max_ms=… repainted_pct=… (mean share of
// the window's pixels repainted per frame) backdrops=… (backdrop pictures redrawn) ratio=…
// icons=… hovered=…

#include "host/simulation.h"
#include "qt/overlay_painter.h"
#include "qt/virtual_mac_window.h"
#include "vmac/system_logs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

using namespace talvora;

namespace {

vmac::Scenario busyDesktop()
{
    vmac::Scenario s;
    s.desktop.displays.push_back({ 1, { 0, 0, 1440, 900 } });
    s.desktop.displays.push_back({ 2, { 1440, 0, 1280, 800 } });
    auto talvora = std::make_shared<vmac::VirtualApp>();
    talvora->pid = s.talvoraPID;
    talvora->localizedName = "Talvora";
    talvora->bundleIdentifier = "app.talvora.Talvora";
    talvora->activationPolicy = ActivationPolicy::Accessory;
    s.desktop.apps.push_back(talvora);
    for (int a = 0; a < 10; ++a) {
        auto app = std::make_shared<vmac::VirtualApp>();
        app->pid = 501 + a;
        app->localizedName = "Application " + std::to_string(a);
        app->bundleIdentifier = "com.example.app" + std::to_string(a);
        app->icon = vmac::makeSolidIcon(0xFF000000u | static_cast<std::uint32_t>((a + 1) * 0x1F3A5Bu));
        s.desktop.apps.push_back(app);
    }
    for (int i = 0; i < 30; ++i) {
        vmac::VirtualWindow w;
        w.number = static_cast<WindowNumber>(1001 + i);
        w.pid = 501 + i % 10;
        w.title = "Document " + std::to_string(i) + " with a title long enough to be cut";
        const bool second = i % 2;
        w.bounds = second ? Rect { 1440.0 + 40 + (i % 5) * 150, 60.0 + (i % 6) * 90, 600, 420 }
                          : Rect { 40.0 + (i % 5) * 170, 60.0 + (i % 6) * 100, 700, 480 };
        s.desktop.windows.push_back(w);
    }
    s.desktop.frontmostPID = 501;
    std::string pinned = "[";
    for (int a = 0; a < 10; a += 3)
        pinned += std::string(pinned.size() > 1 ? "," : "") + "{\"bundleID\":\"com.example.app" + std::to_string(a) + "\"}";
    pinned += "]";
    s.initialPreferences["talvora.pinnedAppsData"] = PreferenceData(pinned.begin(), pinned.end());
    return s;
}

// CPU time of this thread: a frame's own work, without the time a busy machine gives to
// others.
double threadCpuMilliseconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    int frames = 600;
    std::string ratio = "2";
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--frames")
            frames = std::max(1, std::atoi(argv[++i]));
        else if (std::string(argv[i]) == "--ratio")
            ratio = argv[++i];
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_SCALE_FACTOR", ratio.c_str(), 1);
    int qtArgc = 1;
    QGuiApplication qtApp(qtArgc, argv);

    char folder[] = "/tmp/talvora-frame-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    vmac::RecordingSystemLog log;
    int status = 0;
    {
        host::Simulation sim(busyDesktop(), vmac::HomeFolder { folder }, log);
        sim.start();
        sim.runFor(3.5); // the closed desktop is learned first
        sim.mac().openMissionControl();
        sim.runFor(1.5);
        const auto& icons = sim.engine().activeWindows.value();
        if (!icons.empty()) {
            // Rest the pointer on the first icon of the primary display.
            const auto& w = icons.front();
            const Point local { w.currentPosition.x, w.localBounds.y + w.localBounds.height / 2 };
            if (auto p = sim.mac().displayPointToAppKit(w.hostScreenID, local))
                sim.input().movePointer(*p);
            sim.runFor(0.2);
        }

        qt::OverlayPainter overlayPainter;
        const auto pointer = [&] { return qt::PointerOverlay { sim.input().pointerLocation(), sim.input().cursor() }; };
        qt::VirtualMacWindow window(sim.mac(), overlayPainter, [&] { return sim.clock().mediaTime(); }, pointer, {});
        window.resize(window.sizeForScale(1));
        window.show();
        for (int i = 0; i < 200 && !window.isExposed(); ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // The first frame paints everything, and the first pulse of the halos renders each size
        // they pass through once: a warm-up of one pulse period, timed apart.
        QEvent request(QEvent::UpdateRequest);
        double warmUpMax = 0;
        for (int f = 0; f < 168; ++f) {
            sim.runFor(1.0 / 120);
            const auto start = std::chrono::steady_clock::now();
            window.frame();
            QCoreApplication::sendEvent(&window, &request);
            warmUpMax = std::max(warmUpMax, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::vector<double> times;
        std::vector<double> cpuTimes;
        times.reserve(static_cast<std::size_t>(frames));
        const std::int64_t pixelsBefore = window.paintedPixels();
        const int backdropsBefore = window.canvas().backdropRenders();
        for (int f = 0; f < frames; ++f) {
            sim.runFor(1.0 / 120);
            const double cpuStart = threadCpuMilliseconds();
            const auto start = std::chrono::steady_clock::now();
            window.frame();
            QCoreApplication::sendEvent(&window, &request); // what Qt does at the next display refresh
            times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            cpuTimes.push_back(threadCpuMilliseconds() - cpuStart);
        }
        const double windowPixels = static_cast<double>(window.width()) * window.height();
        const double repainted = 100.0 * static_cast<double>(window.paintedPixels() - pixelsBefore) / windowPixels / frames;
        std::sort(times.begin(), times.end());
        std::sort(cpuTimes.begin(), cpuTimes.end());
        auto quantile = [](const std::vector<double>& sorted, double q) {
            return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(q * static_cast<double>(sorted.size())))];
        };
        auto at = [&](double q) { return quantile(times, q); };
        std::printf("frames=%d p50_ms=%.2f p95_ms=%.2f max_ms=%.2f cpu_p50_ms=%.2f cpu_p95_ms=%.2f warmup_max_ms=%.2f repainted_pct=%.2f backdrops=%d ratio=%.2f icons=%zu hovered=%s\n", frames,
            at(0.5), at(0.95), times.back(), quantile(cpuTimes, 0.5), quantile(cpuTimes, 0.95), warmUpMax, repainted, window.canvas().backdropRenders() - backdropsBefore, window.devicePixelRatio(), sim.engine().activeWindows.value().size(), sim.engine().hoveredWindowID.value() ? "yes" : "no");
        if (sim.engine().activeWindows.value().size() < 30)
            status = 1; // the scene is not what is being measured
    }
    std::filesystem::remove_all(folder);
    return status;
}
