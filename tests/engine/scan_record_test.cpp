#include "engine/scan_record.h"

#include <gtest/gtest.h>

using namespace talvora;

TEST(ScanRecord, DetailTextHasEveryFieldInItsFormat)
{
    ScanRecord r;
    r.tick.raw = true;
    r.tick.fullScreens = 4;
    r.tick.threshold = 3;
    r.tick.thumbnails = 2;
    r.tick.avgShrink = 0.41234;
    r.tick.bestScreenShrink = 0.5;
    r.confidence = 2;
    r.baseline = 2;
    r.preExit = false;
    r.grace = true;
    r.lockRemainingSeconds = -4; // a lock in the past reads as 0
    r.screens = { { 1, { 0, 0, 1440.9, 900 } }, { 0, { -1728, -37, 1728, 1117 } } };
    r.windowListSeconds = 0.0004567;
    r.updateSeconds = 0.001;
    r.frameDeltaSeconds = 1.0 / 120;
    EXPECT_EQ(formatScanDetail(r),
        "raw=true confidence=2 confirmed=true fullScreens=4 threshold=3 baseline=2 thumbnails=2 avgShrink=0.412 "
        "bestScreenShrink=0.500 preExit=false grace=true lockRem=0.00 screens=[1:1440x900,0:1728x1117] winlistMs=0.457 "
        "updateMs=1.000 frameDeltaMs=8.333");
    r.confidence = 1;
    r.lockRemainingSeconds = 1.256;
    r.screens.clear();
    auto text = formatScanDetail(r);
    EXPECT_NE(text.find("confirmed=false"), std::string::npos);
    EXPECT_NE(text.find("lockRem=1.26 screens=[] "), std::string::npos) << text;
}
