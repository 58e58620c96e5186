#include "engine/closed_window_registry.h"

#include <algorithm>

namespace talvora {

ClosedWindowRegistry& ClosedWindowRegistry::shared()
{
    // One per thread that runs engines: in the app that is the main thread alone, so the map is
    // the process's; a simulation that runs sessions side by side gives each worker its own.
    thread_local ClosedWindowRegistry registry;
    return registry;
}

void ClosedWindowRegistry::prune(Date notBefore, std::span<const WindowNumber> sortedWindowsInList)
{
    std::erase_if(m_closedAt, [&](const auto& entry) {
        return !(entry.second > notBefore) || !std::binary_search(sortedWindowsInList.begin(), sortedWindowsInList.end(), entry.first);
    });
}

} // namespace talvora
