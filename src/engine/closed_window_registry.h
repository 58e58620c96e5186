#pragma once

#include "platform/clock.h"
#include "platform/window_list.h"

#include <span>
#include <unordered_map>
#include <unordered_set>

namespace talvora {

// Windows closed or minimized through the overlay, with the date it happened, so that their
// icons disappear at once instead of waiting for the window list to catch up. One map for the
// whole process, touched only on the main thread.
class ClosedWindowRegistry {
public:
    static ClosedWindowRegistry& shared();

    void record(WindowNumber window, Date at) { m_closedAt[window] = at; }
    void remove(WindowNumber window) { m_closedAt.erase(window); }
    bool contains(WindowNumber window) const { return m_closedAt.contains(window); }
    bool isEmpty() const { return m_closedAt.empty(); }
    std::size_t size() const { return m_closedAt.size(); }
    void removeAll() { m_closedAt.clear(); }

    // Keeps the entries recorded after `notBefore` whose window is still in the list (sorted).
    void prune(Date notBefore, std::span<const WindowNumber> sortedWindowsInList);

private:
    std::unordered_map<WindowNumber, Date> m_closedAt;
};

// How long a closed window keeps its place in the registry, in wall-clock seconds.
inline constexpr double kClosedWindowRegistryTTL = 300;

} // namespace talvora
