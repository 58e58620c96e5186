#include "engine/closed_window_registry.h"

namespace talvora {

ClosedWindowRegistry& ClosedWindowRegistry::shared()
{
    static ClosedWindowRegistry registry;
    return registry;
}

void ClosedWindowRegistry::prune(Date notBefore, const std::unordered_set<WindowNumber>& windowsInList)
{
    std::erase_if(m_closedAt, [&](const auto& entry) {
        return !(entry.second > notBefore) || !windowsInList.contains(entry.first);
    });
}

} // namespace talvora
