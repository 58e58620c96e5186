#include "vmac/event_stream.h"

#include <algorithm>

namespace talvora::vmac {

ClickOutcome EventStream::click(Point location)
{
    ClickOutcome outcome;
    outcome.target = m_mac.routeClick(location);
    if (outcome.target.kind == ClickTarget::Kind::OwnWindow) {
        const auto own = m_mac.ownWindows();
        auto it = std::find_if(own.begin(), own.end(), [&](const auto& w) { return w->windowNumber() == outcome.target.window; });
        if (it != own.end()) {
            const LocalEvent event { EventType::LeftMouseDown, *it, outcome.target.locationInWindow };
            outcome.swallowedByApp = !m_input.deliverLocal(event);
        }
        return outcome;
    }
    // The program's status item and menu are its own: other applications do not hear those.
    if (outcome.target.kind != ClickTarget::Kind::StatusItem && outcome.target.kind != ClickTarget::Kind::Menu)
        m_input.postEvent(EventType::LeftMouseDown);
    m_mac.applyClick(outcome.target);
    return outcome;
}

} // namespace talvora::vmac
