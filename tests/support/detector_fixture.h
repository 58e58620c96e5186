#pragma once

#include "support/temp_home.h"
#include "engine/overlay_view_model.h"
#include "host/simulation.h"
#include "support/desktop_builder.h"
#include "support/edited_window_server.h"
#include "vmac/system_logs.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace talvora::test_support {

// One display with Safari in front and a Notes window of the same size behind it.
inline DesktopBuilder twoApps()
{
    return DesktopBuilder()
        .display(1, { 0, 0, 1440, 900 })
        .app(501, "Safari")
        .app(502, "Notes")
        .window(1001, 501, { 100, 100, 400, 300 }, "Start")
        .window(1002, 502, { 300, 200, 400, 300 }, "List")
        .front(501);
}

// Safari on a first display, Notes on a taller second one to its right whose top is 100 points
// higher, so that its local space is neither the primary's nor merely shifted sideways.
inline DesktopBuilder twoDisplays()
{
    return DesktopBuilder()
        .display(1, { 0, 0, 1440, 900 })
        .display(2, { 1440, -100, 1920, 1080 })
        .app(501, "Safari")
        .app(502, "Notes")
        .window(1001, 501, { 100, 100, 400, 300 }, "Start")
        .window(1002, 502, { 1600, 100, 1200, 800 }, "List")
        .front(501);
}

// twoDisplays() as Mission Control shows it: both windows at a quarter of their area (shrink
// 0.5), Safari's centred at (400, 375).
inline std::map<WindowNumber, Rect> twoDisplayThumbnails()
{
    return { { 1001, { 300, 300, 200, 150 } }, { 1002, { 2000, 300, 600, 400 } } };
}

// An engine on a virtual Mac in virtual time, ticked by the test, whose window list the test
// may edit tick by tick: Mission Control "opens" when the test adds Dock backdrops and reports
// windows at thumbnail size.
struct DetectorFixture {
    TempHome home;
    vmac::RecordingSystemLog log;
    std::unique_ptr<host::Simulation> sim;
    std::unique_ptr<EditedWindowServer> server;
    std::unique_ptr<Platform> platform;
    std::unique_ptr<OverlayViewModel> engine;

    explicit DetectorFixture(DesktopBuilder desktop)
        : sim(std::make_unique<host::Simulation>(desktop.debugLogging().build(), home.home, log))
    {
        Platform& p = sim->platform();
        server = std::make_unique<EditedWindowServer>(p.windowServer);
        platform = std::make_unique<Platform>(Platform { *server, p.screens, p.workspace, p.processInfo, p.clock, p.mainQueue,
            p.preferences, p.notifications, p.workspaceNotifications, p.files, p.systemLog, p.eventMonitors, p.accessibility,
            p.pointer, p.appWindows, p.eventTaps, p.distributedNotifications });
        engine = std::make_unique<OverlayViewModel>(*platform);
    }
    ~DetectorFixture()
    {
        if (engine)
            engine->debugLog().logManager().waitUntilIdle();
        engine.reset();
    }

    // Lets `afterSeconds` of virtual time pass (running what the main queue has due), then ticks.
    void tick(double afterSeconds = 1.0 / 120)
    {
        sim->runFor(afterSeconds);
        engine->tick();
    }
    void ticks(int count, double interval = 1.0 / 120)
    {
        for (int i = 0; i < count; ++i)
            tick(interval);
    }
    // Opens Mission Control as the list shows it, after a tick that learns every window's full
    // size: `backdrops` more Dock backdrops and these windows at thumbnail size. After `count`
    // more ticks the visit must be open.
    void openMissionControl(std::map<WindowNumber, Rect> thumbnails, int backdrops, int count = 2)
    {
        tick();
        server->extraBackdrops = backdrops;
        server->reportedBounds = std::move(thumbnails);
        ticks(count);
        ASSERT_TRUE(engine->isMCActive.value());
    }

    // The title of the last block written to the log, such as "OPEN MISSION CONTROL".
    std::string lastBlock() const
    {
        const auto records = log.records();
        for (auto it = records.rbegin(); it != records.rend(); ++it) {
            const std::string& m = it->message;
            if (m.rfind("\n--------------------------------\n", 0) == 0) {
                const auto start = m.find('\n', 1) + 1;
                return m.substr(start, m.rfind(" [") - start);
            }
        }
        return {};
    }
    // The published icon record of a window, or null when it has none.
    const WindowInfo* icon(WindowNumber id) const
    {
        for (const auto& w : engine->activeWindows.value()) {
            if (w.id == id)
                return &w;
        }
        return nullptr;
    }
    int confidence() const { return engine->detector().missionControlConfidence; }
    Date dateNow() const { return sim->clock().now(); }
};

} // namespace talvora::test_support
