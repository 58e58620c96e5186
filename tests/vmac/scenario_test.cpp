#include "vmac/scenario.h"
#include "vmac/virtual_clock.h"
#include "vmac/virtual_mac.h"
#include "vmac/virtual_notification_center.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace talvora;

TEST(Scenario, EveryShippedScenarioLoads)
{
    int count = 0;
    for (const auto& file : std::filesystem::directory_iterator(TALVORA_SCENARIO_DIR)) {
        if (file.path().extension() != ".json")
            continue;
        auto result = vmac::loadScenarioFile(file.path().string());
        EXPECT_TRUE(result.scenario) << result.error;
        ++count;
    }
    EXPECT_GE(count, 3);
}

TEST(Scenario, DisplaysInWindowServerCoordinatesBecomeAppKitFrames)
{
    auto result = vmac::parseScenario(R"({
        "displays": [ { "number": 1, "bounds": [0, 0, 1920, 1080] },
                      { "number": null, "bounds": [0, -900, 1440, 900] } ] })");
    ASSERT_TRUE(result.scenario) << result.error;
    const auto& displays = result.scenario->desktop.displays;
    ASSERT_EQ(displays.size(), 2u);
    EXPECT_EQ(displays[1].frame, (Rect { 0, 1080, 1440, 900 }));
    EXPECT_FALSE(displays[1].number);
}

TEST(Scenario, FaultsAreReportedWithTheirPlaceAndNeverThrow)
{
    auto errorOf = [](const char* text) { return vmac::parseScenario(text).error; };
    EXPECT_EQ(errorOf("[1, 2]"), "scenario: not a JSON object");
    EXPECT_EQ(errorOf("{ \"displays\": [ { \"bounds\": [0, 0, 10] } ] }"), "displays[0].bounds: expected [x, y, width, height]");
    EXPECT_EQ(errorOf("{ \"apps\": [ { \"pid\": 5, \"windows\": [ { \"number\": 0, \"bounds\": [0,0,1,1] } ] } ] }"),
        "apps[0].windows[0]: window number 0 is not a window");
    EXPECT_EQ(errorOf("{ \"timeline\": [ { \"at\": 1, \"do\": \"explode\" } ] }"), "timeline[0]: unknown action \"explode\"");
    EXPECT_EQ(errorOf("{ \"timeline\": [ { \"at\": 1, \"do\": \"writePreference\", \"key\": \"k\", "
                      "\"value\": { \"type\": \"integer\", \"value\": \"x\" } } ] }"),
        "timeline[0].value: value does not match type \"integer\"");
    EXPECT_NE(errorOf("{ \"apps\": [ { \"pid\": 5, \"windows\": [ { \"number\": 3, \"bounds\": [0,0,1,1], \"layer\": \"top\" } ] } ] }"),
        "") << "a wrongly typed optional member";
}

TEST(Scenario, TimelineIsSortedAndActionsChangeTheMac)
{
    auto result = vmac::parseScenario(R"({
        "displays": [ { "number": 1, "bounds": [0, 0, 1440, 900] } ],
        "apps": [ { "pid": 501, "name": "Safari", "windows": [ { "number": 1001, "bounds": [0, 30, 800, 600] } ] } ],
        "timeline": [ { "at": 2, "do": "closeWindow", "window": 1001 },
                      { "at": 1, "do": "moveWindow", "window": 1001, "to": [50, 60] } ],
        "duration": 1 })");
    ASSERT_TRUE(result.scenario) << result.error;
    auto& s = *result.scenario;
    ASSERT_EQ(s.timeline.size(), 2u);
    EXPECT_EQ(s.timeline[0].verb, "moveWindow");
    EXPECT_EQ(s.duration, 2) << "long enough for the last action";
    vmac::VirtualClock clock;
    vmac::VirtualNotificationCenter workspace;
    vmac::VirtualMac mac(s.desktop, s.talvoraPID, clock, workspace);
    vmac::ScenarioHooks hooks;
    s.timeline[0].apply(mac, hooks);
    EXPECT_EQ(mac.desktop().windows.at(0).bounds, (Rect { 50, 60, 800, 600 }));
    s.timeline[1].apply(mac, hooks);
    EXPECT_TRUE(mac.desktop().windows.empty());
}
