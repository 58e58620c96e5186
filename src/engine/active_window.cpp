#include "engine/active_window.h"

#include "engine/window_entry.h"

namespace talvora {

std::optional<WindowNumber> frontWindowOfProcess(ProcessID pid, const std::vector<const WindowEntry*>& visibleList)
{
    for (const WindowEntry* entry : visibleList) {
        if (entryOwnerPID(*entry) != pid)
            continue;
        auto number = entryWindowNumber(*entry);
        auto layer = entryLayer(*entry);
        auto alpha = entryAlpha(*entry);
        auto bounds = entryBounds(*entry);
        if (!number || layer != 0 || !alpha || !(*alpha > 0.05) || !bounds)
            continue;
        if (bounds->width >= 80 && bounds->height >= 60)
            return number;
    }
    return std::nullopt;
}

} // namespace talvora
