#include "support/temp_home.h"
#include "host/simulation.h"
#include "vmac/system_logs.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

using namespace talvora;

// The demo scenario end to end in virtual time: the front window the engine followed, and the
// debug log it wrote. How the engine takes up a preference written from outside, a failed window
// list and an unplugged display is checked tick by tick in its own tests.
TEST(DemoScenario, EngineFollowsTheDesktopAndWritesItsDebugLog)
{
    test_support::TempHome home;
    vmac::RecordingSystemLog log;
    auto loaded = vmac::loadScenarioFile(std::string(TALVORA_SCENARIO_DIR) + "/engine-tour.json");
    ASSERT_TRUE(loaded.scenario) << loaded.error;
    const double duration = loaded.scenario->duration;
    std::vector<WindowNumber> fronts;
    {
        host::Simulation sim(std::move(*loaded.scenario), home.home, log);
        std::optional<WindowNumber> lastFront;
        sim.onTick = [&] {
            if (sim.engine().sampling().currentActiveWindowID != lastFront) {
                lastFront = sim.engine().sampling().currentActiveWindowID;
                fronts.push_back(lastFront.value_or(0));
            }
        };
        sim.start();
        sim.runFor(duration + 0.5);
        ASSERT_TRUE(sim.engine().isDebugLoggingEnabled());
    }

    // Safari in front, then Notes, then the Notes window clicked in Mission Control, then
    // Terminal; hiding Terminal brings Notes back; quitting Notes leaves Safari.
    EXPECT_EQ(fronts, (std::vector<WindowNumber> { 1001, 1002, 1003, 1004, 1003, 1001 }));

    auto text = test_support::readFile(home.debugFile());
    ASSERT_TRUE(text);
    std::string lastScan;
    int scans = 0, gates = 0, windowCalcs = 0;
    std::vector<std::string> titles;
    const std::string rule(32, '-');
    const std::string time = R"(\[\d\d:\d\d:\d\d\.\d{3}\] state event=)";
    const std::regex scan(time + R"(scan raw=(true|false) confidence=\d confirmed=(true|false) fullScreens=\d+ threshold=\d+ )"
                                 R"(baseline=\d+ thumbnails=\d+ avgShrink=\d\.\d{3} bestScreenShrink=\d\.\d{3} preExit=(true|false) )"
                                 R"(grace=(true|false) lockRem=\d+\.\d\d screens=\[1:1440x900(,2:1920x1080)?\] winlistMs=\d+\.\d{3} )"
                                 R"(updateMs=\d+\.\d{3} frameDeltaMs=\d+\.\d{3})");
    const std::regex gate(time + R"(entry_gate fullScreens=\d+ threshold=\d+ baseline=\d+ thumbnails=\d+ avgShrink=\d\.\d{3} )"
                                 R"(bestScreenShrink=\d\.\d{3} preExit=(true|false) lockRemaining=\d+\.\d\d)");
    const std::regex windowCalc(time + R"re(window_calc name="[^"]+" id=\d+ bounds=\(-?\d+,-?\d+,\d+,\d+\) ia=\d+ )re"
                                       R"(mia=\d+ rsc=\d\.\d\d sc=\d\.\d\d lc=(true|false) rs=\d\.\d\d sh=\d\.\d\d op=\d\.\d\d )"
                                       R"(t=\d+\.\d\ds scr=\d/\d tgt=\(-?\d+,-?\d+\) chg=(true|false) fast=(true|false) )"
                                       R"(wx=(true|false) dist=(nil|\d+\.\d))");
    const std::regex title(R"(([A-Z -]+) \[\d\d:\d\d:\d\d\.\d{3}\])");
    std::istringstream in(*text);
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_match(line, scan)) {
            ++scans;
            lastScan = line;
        } else if (std::regex_match(line, gate)) {
            ++gates;
        } else if (std::regex_match(line, windowCalc)) {
            ++windowCalcs;
        } else if (std::regex_match(line, m, title)) {
            titles.push_back(m[1]);
        } else {
            EXPECT_TRUE(line.empty() || line == rule) << line;
        }
    }
    EXPECT_EQ(titles, (std::vector<std::string> { "OPEN MISSION CONTROL", "CLOSE MISSION CONTROL" }));
    EXPECT_GT(gates, 0);
    EXPECT_GT(windowCalcs, 0);
    // Two desktop pictures and the Dock's window while both displays are plugged in, one
    // picture and the Dock after: the baseline follows the closed-state count.
    EXPECT_NE(lastScan.find("fullScreens=2 threshold=3 baseline=2 "), std::string::npos) << lastScan;
    EXPECT_GE(scans, 10);
    EXPECT_LE(scans, 2 * duration + 2) << "at most about two records a second";
}
