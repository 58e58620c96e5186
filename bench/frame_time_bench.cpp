// What one frame of the interactive window costs with Mission Control open: two displays, a
// 1440×900-point one at one pixel per point and a 1280×800-point one at two (2560×1600 pixels),
// 30 windows with icons, some pinned (their halos pulse), the pointer resting on an icon so its
// buttons show. Every frame repaints both displays whole, as the window does while an overlay
// is live; the app runs in virtual time at 120 frames a second.
//
//   build/bench/frame_time [--frames N]
//
// Prints: frames=… p50_ms=… p95_ms=… max_ms=… icons=… hovered=…

#include "host/simulation.h"
#include "qt/desktop_compositor.h"
#include "qt/hosted_overlay.h"
#include "qt/overlay_painter.h"
#include "vmac/system_logs.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

} // namespace

int main(int argc, char** argv)
{
    int frames = 600;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--frames")
            frames = std::max(1, std::atoi(argv[++i]));
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
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
        qt::DesktopCompositor compositor;
        const auto paintHosted = qt::overlayHostedViewPainter(overlayPainter, [&] { return sim.clock().mediaTime(); });
        QImage first(qt::displayPixelSize(sim.mac(), 0, 1), QImage::Format_ARGB32_Premultiplied);
        QImage second(qt::displayPixelSize(sim.mac(), 1, 2), QImage::Format_ARGB32_Premultiplied);
        std::vector<double> times;
        times.reserve(static_cast<std::size_t>(frames));
        for (int f = 0; f < frames; ++f) {
            sim.runFor(1.0 / 120);
            const auto start = std::chrono::steady_clock::now();
            {
                QPainter p(&first);
                compositor.paint(p, sim.mac(), 0, paintHosted, qt::PointerOverlay { sim.input().pointerLocation(), sim.input().cursor() });
            }
            {
                QPainter p(&second);
                p.scale(2, 2);
                compositor.paint(p, sim.mac(), 1, paintHosted, qt::PointerOverlay { sim.input().pointerLocation(), sim.input().cursor() });
            }
            times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(times.begin(), times.end());
        auto at = [&](double q) { return times[std::min(times.size() - 1, static_cast<std::size_t>(q * static_cast<double>(times.size())))]; };
        std::printf("frames=%d p50_ms=%.2f p95_ms=%.2f max_ms=%.2f icons=%zu hovered=%s\n", frames, at(0.5), at(0.95), times.back(),
            sim.engine().activeWindows.value().size(), sim.engine().hoveredWindowID.value() ? "yes" : "no");
        if (sim.engine().activeWindows.value().size() < 30)
            status = 1; // the scene is not what is being measured
    }
    std::filesystem::remove_all(folder);
    return status;
}
