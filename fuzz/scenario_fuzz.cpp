// Scenarios of any shape: reading one ends in a scenario or a one-line error, never a crash, a
// hang, or an error that breaks the line. A scenario that is read then plays on a virtual Mac,
// its timeline squeezed into half a second, so that every desktop and every action it can
// describe runs through the virtual Mac and the application.

#include "host/simulation.h"
#include "support/temp_home.h"
#include "vmac/scenario.h"
#include "vmac/system_logs.h"

#include <cstdlib>
#include <string>

using namespace talvora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto result = vmac::parseScenario(text);
    if (result.scenario == std::nullopt && result.error.empty())
        std::abort(); // a refusal must say why
    if (result.error.find('\n') != std::string::npos || result.error.find('\x1b') != std::string::npos)
        std::abort(); // and on one clean line
    if (!result.scenario)
        return 0;
    if (!(result.scenario->duration >= 0 && result.scenario->duration <= 3600))
        std::abort(); // a scenario that is read always ends

    constexpr double kPlayed = 0.5;
    vmac::Scenario scenario = std::move(*result.scenario);
    if (scenario.duration > kPlayed) {
        for (auto& action : scenario.timeline)
            action.at *= kPlayed / scenario.duration;
        scenario.duration = kPlayed;
    }
    static test_support::TempHome home;
    std::error_code ec;
    std::filesystem::remove_all(home.home.root, ec);
    std::filesystem::create_directories(home.home.root, ec);
    vmac::RecordingSystemLog log;
    host::Simulation simulation(std::move(scenario), home.home, log);
    simulation.start();
    simulation.runFor(kPlayed + 0.2);
    simulation.engine().debugLog().logManager().waitUntilIdle();
    return 0;
}
