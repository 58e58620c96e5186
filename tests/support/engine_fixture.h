#pragma once

#include "support/temp_home.h"
#include "host/simulation.h"
#include "support/desktop_builder.h"
#include "vmac/system_logs.h"

#include <memory>

namespace talvora::test_support {

// The engine on a virtual Mac in virtual time, ticked by the test.
struct EngineFixture {
    TempHome home;
    vmac::RecordingSystemLog log;
    std::unique_ptr<host::Simulation> sim;

    explicit EngineFixture(const DesktopBuilder& desktop)
        : sim(std::make_unique<host::Simulation>(desktop.build(), home.home, log))
    {
        sim->createEngine();
        sim->engine().startUserInputMonitoring();
    }
    ~EngineFixture() { sim.reset(); }

    OverlayViewModel& engine() { return sim->engine(); }
    vmac::VirtualMac& mac() { return sim->mac(); }

    // Lets `seconds` of virtual time pass (running what the main queue has due), then ticks.
    void tickAfter(double seconds)
    {
        sim->runFor(seconds);
        engine().tick();
    }
};

} // namespace talvora::test_support
