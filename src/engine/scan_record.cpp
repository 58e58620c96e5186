#include "engine/scan_record.h"

#include "engine/window_entry.h"

#include <algorithm>
#include <cstdio>

namespace talvora {

std::string formatScanDetail(const ScanRecord& r)
{
    std::string screens;
    for (const auto& screen : r.screens) {
        if (!screens.empty())
            screens += ',';
        screens += std::to_string(screen.id) + ':' + std::to_string(recordInteger(screen.cgRect.width)) + 'x'
            + std::to_string(recordInteger(screen.cgRect.height));
    }
    char buffer[512];
    std::snprintf(buffer, sizeof buffer,
        "raw=%s confidence=%d confirmed=%s fullScreens=%d threshold=%d baseline=%d thumbnails=%d avgShrink=%.3f "
        "bestScreenShrink=%.3f preExit=%s grace=%s lockRem=%.2f screens=[",
        boolText(r.tick.raw), r.confidence, boolText(r.confidence >= 2), r.tick.fullScreens, r.tick.threshold, r.baseline,
        r.tick.thumbnails, r.tick.avgShrink, r.tick.bestScreenShrink, boolText(r.preExit), boolText(r.grace),
        std::max(0.0, r.lockRemainingSeconds));
    std::string detail = buffer;
    detail += screens;
    std::snprintf(buffer, sizeof buffer, "] winlistMs=%.3f updateMs=%.3f frameDeltaMs=%.3f", r.windowListSeconds * 1000,
        r.updateSeconds * 1000, r.frameDeltaSeconds * 1000);
    detail += buffer;
    return detail;
}

} // namespace talvora
