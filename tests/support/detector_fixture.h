#pragma once

#include "support/temp_home.h"
#include "engine/overlay_view_model.h"
#include "host/simulation.h"
#include "support/desktop_builder.h"
#include "support/edited_window_server.h"
#include "vmac/system_logs.h"

#include <memory>
#include <string>
#include <vector>

namespace talvora::test_support {

// An engine whose window list the test edits tick by tick: Mission Control "opens" when the test
// adds Dock backdrops and reports windows at thumbnail size.
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

    // The titles of the blocks written so far, in order.
    std::vector<std::string> blocks() const
    {
        std::vector<std::string> titles;
        for (const auto& record : log.records()) {
            const std::string& m = record.message;
            if (m.rfind("\n--------------------------------\n", 0) != 0)
                continue;
            auto start = m.find('\n', 1) + 1;
            auto end = m.rfind(" [");
            titles.push_back(m.substr(start, end - start));
        }
        return titles;
    }
    std::string lastBlock() const
    {
        auto all = blocks();
        return all.empty() ? std::string() : all.back();
    }
    int confidence() const { return engine->detector().missionControlConfidence; }
    Date dateNow() const { return sim->clock().now(); }
};

} // namespace talvora::test_support
