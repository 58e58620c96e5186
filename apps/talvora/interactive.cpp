#include "interactive.h"

#include "app_state.h"
#include "privacy_grants.h"
#include "privacy_windows.h"
#include "tray_icon.h"
#include "host/composition.h"
#include "platform/input_checks.h"
#include "qt/overlay_painter.h"
#include "qt/qt_http_client.h"
#include "qt/qt_update_alert_window.h"
#include "qt/qt_settings_scene.h"
#include "qt/qt_run_loop.h"
#include "qt/virtual_mac_window.h"
#include "vmac/scenario.h"
#include "vmac/spaces.h"
#include "vmac/system_logs.h"
#include "vmac/virtual_system_info.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>

#include <cstdio>
#include <filesystem>

namespace talvora::app {

namespace fs = std::filesystem;

namespace {

// The display under a window-server point, or the primary one.
std::optional<DisplayID> displayUnder(const vmac::VirtualMac& mac, Point global)
{
    const auto displays = vmac::globalDisplayBounds(mac.desktop());
    for (std::size_t i = 0; i < displays.size(); ++i) {
        const Rect& d = displays[i];
        if (global.x >= d.x && global.x < d.maxX() && global.y >= d.y && global.y < d.maxY())
            return mac.desktop().displays[i].number;
    }
    return mac.desktop().displays.empty() ? std::nullopt : mac.desktop().displays.front().number;
}

// The keys of the virtual Mac. Command is Control here, as no keyboard of this machine is
// expected to have a Command key that reaches a window.
void handleKey(host::Composition& app, QKeyEvent& event)
{
    auto& mac = app.mac();
    auto& bar = mac.statusBar();
    const bool control = event.modifiers().testFlag(Qt::ControlModifier) || event.modifiers().testFlag(Qt::MetaModifier);
    const int key = event.key();
    if (bar.isMenuOpen()) {
        if (key == Qt::Key_Escape) {
            bar.closeMenu();
        } else if (control && !event.text().isEmpty()) {
            bar.performKeyEquivalent(event.text().toLower().toStdString());
        } else if (control && key >= Qt::Key_A && key <= Qt::Key_Z) {
            bar.performKeyEquivalent(std::string(1, static_cast<char>('a' + (key - Qt::Key_A))));
        } else if (key == Qt::Key_Comma && control) {
            bar.performKeyEquivalent(",");
        }
        return;
    }
    // Other applications hear the keyboard (the engine's input monitor among them).
    app.input().postEvent(EventType::KeyDown);
    const Point pointer = mac.appKitPoint(app.input().pointerLocation()); // AppKit and window-server flip alike
    if (key == Qt::Key_F3 || (control && key == Qt::Key_Up)) {
        mac.pressMissionControlKey();
    } else if (key == Qt::Key_Escape && mac.missionControlPhase() != vmac::MissionControlPhase::Closed) {
        mac.closeMissionControl();
    } else if (control && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        const auto display = displayUnder(mac, pointer);
        for (const auto& d : mac.desktop().displays) {
            if (d.number == display)
                mac.switchSpace(display, d.activeSpace + (key == Qt::Key_Right ? 1 : -1));
        }
    }
}

} // namespace

int runInteractive(const InteractiveOptions& options)
{
    auto loaded = vmac::loadScenarioFile(options.scenario);
    if (!loaded.scenario) {
        std::fprintf(stderr, "talvora: %s\n", loaded.error.c_str());
        return 1;
    }
    std::error_code error;
    const fs::path out = fs::absolute(options.out).lexically_normal();
    fs::create_directories(out, error);
    if (error) {
        std::fprintf(stderr, "talvora: cannot create %s: %s\n", out.c_str(), error.message().c_str());
        return 1;
    }
    vmac::HomeFolder home { (out / "home").string() };

    vmac::StderrSystemLog systemLog(options.verbose);
    qt::QtRunLoop loop;
    // Privacy choices made in the pane on an earlier run stand over the scenario's.
    if (auto problem = applyStoredPrivacyGrants(home, *loaded.scenario); !problem.empty())
        std::fprintf(stderr, "talvora: %s\n", escapeControlCharacters(problem).c_str());
    host::Composition app(std::move(*loaded.scenario), home, loop.clock(), loop, systemLog);
    // "Preferences…" opens the settings window; on the desktop session, launch at login and
    // "Relaunch Now" start this program again.
    std::error_code selfError;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", selfError);
    if (!selfError)
        app.settingsSupport().useDesktopSession(
            { self.string(), "--scenario", fs::absolute(options.scenario).string(), "--out", out.string() });
    // Usage events and update checks go to the endpoints this build was configured with, and
    // are off without them.
    vmac::VirtualSystemInfo systemInfo;
    systemInfo.shortVersion = app.settingsSupport().services().version.shortVersion;
    systemInfo.buildVersion = app.settingsSupport().services().version.build;
    qt::QtHttpClient http(loop);
    qt::QtUpdateAlertWindow updateAlert;
    host::NetworkServices network(app.platform(), http, systemInfo, updateAlert);
    app.setTelemetry(&network.telemetry());
    app.shellServices().updater = &network.updater();

    qt::QtSettingsScene settingsScene(app.settingsSupport().services(), app.settingsSupport().applicationsFolder());
    settingsScene.setTelemetry(&network.telemetry());
    app.settingsSupport().process().onTerminate = [] { QCoreApplication::quit(); };
    app.shellServices().settingsScene = &settingsScene;
    loop.setDisplayRefreshRate([&app](DisplayID display) -> std::optional<double> {
        if (static_cast<WindowServer&>(app.mac()).displayBounds(display).isEmpty())
            return std::nullopt;
        return 120.0;
    });

    qt::OverlayPainter overlayPainter;
    qt::VirtualMacWindow::Input input;
    input.mouseMoved = [&](Point location) {
        app.input().movePointer(location);
        auto& bar = app.mac().statusBar();
        if (bar.isMenuOpen())
            bar.setHighlightedRow(bar.rowAt(app.mac().appKitPoint(location)));
    };
    input.mouseDown = [&] { app.clickAtPointer(); };
    input.key = [&](QKeyEvent& event) { handleKey(app, event); };
    qt::VirtualMacWindow window(
        app.mac(), overlayPainter, [&] { return loop.clock().mediaTime(); },
        [&] { return qt::PointerOverlay { app.input().pointerLocation(), app.input().cursor() }; }, input);
    if (options.scale > 0)
        window.resize(window.sizeForScale(options.scale));

    PrivacyWindows privacyWindows(app);

    // The state for whoever drives the app from outside: written when it changed, looked at
    // ten times a second, and once more at the end.
    QTimer stateTimer;
    std::string stateWritten;
    auto writeState = [&] {
        std::string state = appStateJson(app, &window, &privacyWindows);
        if (state == stateWritten)
            return;
        if (writeFileAtomically(options.stateFile, state))
            stateWritten = std::move(state);
        else
            std::fprintf(stderr, "talvora: could not write %s\n", options.stateFile.c_str());
    };
    if (!options.stateFile.empty()) {
        QObject::connect(&stateTimer, &QTimer::timeout, writeState);
        stateTimer.start(100);
    }

    app.start(options.playTimeline);
    TrayIcon tray(app.mac().statusBar());
    app.onTick = [&] {
        window.frame();
        tray.refresh();
        privacyWindows.refresh();
    };
    app.onTerminate = [&] { QCoreApplication::exit(0); };
    // Closing the window quits Talvora as its menu would.
    QObject::connect(qGuiApp, &QGuiApplication::lastWindowClosed, [&] {
        static_cast<Application&>(app.application()).terminate();
    });

    window.show();
    std::printf("Talvora on a virtual Mac. F3 or Control-Up: Mission Control; Control-Left/Right: Spaces;\n"
                "click Talvora's item at the right of the menu bar for its menu%s. Home folder: %s\n",
        tray.isShown() ? " (it is in the system tray too)" : "", home.root.c_str());
    std::fflush(stdout);
    const int status = QCoreApplication::exec();
    stateTimer.stop();
    if (!options.stateFile.empty())
        writeState();
    return status;
}

} // namespace talvora::app
