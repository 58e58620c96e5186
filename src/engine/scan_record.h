#pragma once

#include "engine/detector_state.h"
#include "engine/records.h"

#include <string>
#include <vector>

namespace talvora {

// The values of one "scan" state record.
struct ScanRecord {
    DetectorTick tick;
    int confidence = 0;
    int baseline = 0;
    bool preExit = false;
    bool grace = false;
    double lockRemainingSeconds = 0;
    std::vector<ScreenInfo> screens;
    double windowListSeconds = 0;
    double updateSeconds = 0;
    double frameDeltaSeconds = 0;
};

// The detail text of the "scan" record: "raw=… confidence=… … frameDeltaMs=…".
std::string formatScanDetail(const ScanRecord& record);

} // namespace talvora
