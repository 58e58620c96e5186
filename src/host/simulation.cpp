#include "host/simulation.h"

namespace talvora::host {

Simulation::Simulation(vmac::Scenario scenario, vmac::HomeFolder home, SystemLog& systemLog)
    : m_app(std::move(scenario), std::move(home), m_clockImpl, m_runLoop, systemLog)
{
    // Display links exist only on displays the virtual Mac has.
    m_runLoop.setDisplayRefreshRate([this](DisplayID display) -> std::optional<double> {
        if (static_cast<WindowServer&>(m_app.mac()).displayBounds(display).isEmpty())
            return std::nullopt;
        return 120.0;
    });
    // A request to a hung application keeps the main thread waiting: virtual time passes.
    m_app.accessibility().setWait([this](double seconds) { m_clockImpl.advance(seconds); });
}

} // namespace talvora::host
