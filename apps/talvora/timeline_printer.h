#pragma once

#include "engine/overlay_view_model.h"

#include <optional>
#include <string>

namespace talvora::host {
class Simulation;
}
namespace talvora::vmac {
struct TimelineAction;
}

namespace talvora::app {

// The run's short timeline on standard output: each scenario action, and each change a
// person would notice (Mission Control recognised or left, icons shown or hidden, the icon
// under the pointer). Verbose adds a line per engine tick.
class TimelinePrinter {
public:
    TimelinePrinter(host::Simulation& simulation, bool verbose);

    void action(const vmac::TimelineAction& action);
    void tick();
    void note(const std::string& text);

private:
    void line(const char* marker, const std::string& text);
    void tickLine();

    host::Simulation& m_simulation;
    bool m_verbose;
    bool m_wasMissionControl = false;
    bool m_wereIconsShown = false;
    std::optional<WindowNumber> m_hovered;
    std::optional<WindowButton> m_hoveredButton;
    std::optional<PendingButtonClick> m_pendingClick;
};

} // namespace talvora::app
