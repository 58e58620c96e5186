#include "engine/closed_window_registry.h"

namespace talvora {

ClosedWindowRegistry& ClosedWindowRegistry::shared()
{
    // One per thread that runs engines: in the app that is the main thread alone, so the map is
    // the process's; a simulation that runs sessions side by side gives each worker its own.
    thread_local ClosedWindowRegistry registry;
    return registry;
}

void ClosedWindowRegistry::prune(Date notBefore, const std::unordered_set<WindowNumber>& windowsInList)
{
    std::erase_if(m_closedAt, [&](const auto& entry) {
        return !(entry.second > notBefore) || !windowsInList.contains(entry.first);
    });
}

} // namespace talvora
