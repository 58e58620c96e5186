#pragma once

#include "engine/closed_window_registry.h"
#include "host/simulation.h"
#include "support/desktop_builder.h"
#include "support/temp_home.h"
#include "vmac/system_logs.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace talvora::test_support {

// Two displays side by side, the second raised: Safari with a window on each, Notes with one
// on the second. Trusted for Accessibility unless the test says otherwise.
inline DesktopBuilder twoDisplayDesk()
{
    return DesktopBuilder()
        .display(1, { 0, 0, 1440, 900 })
        .display(2, { 1440, -180, 1920, 1080 })
        .app(501, "Safari")
        .app(502, "Notes")
        .window(1001, 501, { 100, 80, 900, 650 }, "Start")
        .window(1003, 501, { 2300, 300, 800, 600 }, "Reading List")
        .window(1002, 502, { 1600, 100, 900, 600 }, "List")
        .front(501)
        .accessibilityTrusted();
}

// The app on a virtual Mac, run for `settle` seconds after its start (by default past start-up,
// when the closed state has been learned; with 0, nothing that start-up queued has run yet), with
// helpers to open Mission Control and to click an icon's buttons as a person does.
struct ClickDesk {
    TempHome home;
    vmac::RecordingSystemLog log;
    std::unique_ptr<host::Simulation> sim;

    explicit ClickDesk(DesktopBuilder desktop, double settle = 4)
        : sim(std::make_unique<host::Simulation>(desktop.debugLogging().build(), home.home, log))
    {
        sim->start();
        if (settle > 0)
            sim->runFor(settle);
    }
    ~ClickDesk() { sim.reset(); }

    OverlayViewModel& engine() { return sim->engine(); }
    vmac::VirtualMac& mac() { return sim->mac(); }

    // Runs until the predicate holds, checked every half frame, at most `limit` seconds.
    bool runUntil(const std::function<bool()>& done, double limit = 3)
    {
        secondsUntil(done, limit);
        return done();
    }
    // The same, returning the virtual seconds that passed.
    double secondsUntil(const std::function<bool()>& done, double limit = 3)
    {
        const double start = sim->elapsed();
        while (!done() && sim->elapsed() - start < limit)
            sim->runFor(1.0 / 240);
        return sim->elapsed() - start;
    }
    // Opens Mission Control and waits until `icons` icons are shown at full opacity and have
    // settled on their thumbnails.
    void openMissionControl(std::size_t icons = 3)
    {
        mac().openMissionControl();
        runUntil([&] { return engine().activeWindows.value().size() == icons && engine().iconOpacity.value() == 1; });
        sim->runFor(1.0);
    }
    bool hasIcon(WindowNumber window)
    {
        const auto& windows = engine().activeWindows.value();
        return std::any_of(windows.begin(), windows.end(), [&](const WindowInfo& w) { return w.id == window; });
    }
    bool isListed(WindowNumber window)
    {
        const auto& windows = mac().desktop().windows;
        return std::any_of(windows.begin(), windows.end(), [&](const auto& w) { return w.number == window; });
    }
    bool isMinimized(WindowNumber window)
    {
        const auto& windows = mac().desktop().windows;
        auto it = std::find_if(windows.begin(), windows.end(), [&](const auto& w) { return w.number == window; });
        return it != windows.end() && it->minimized;
    }
    // Aims at the button and clicks a moment later; returns once the click has been made.
    void clickButton(WindowNumber window, vmac::IconButton button)
    {
        sim->app().clickIconButton(window, button);
        sim->runFor(host::Composition::kAimingTime);
    }
    // The messages of the unified log that start with `prefix`, in order.
    std::vector<std::string> lines(const std::string& prefix) const
    {
        std::vector<std::string> found;
        for (const auto& r : log.records()) {
            if (r.message.starts_with(prefix))
                found.push_back(r.message);
        }
        return found;
    }
};

} // namespace talvora::test_support
