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
    EXPECT_EQ(errorOf("[1, 2]"), "the top level must be a JSON object");
    EXPECT_EQ(errorOf("{ \"displays\": [ { \"bounds\": [0, 0, 10] } ] }"), "displays[0].bounds: expected [x, y, width, height] with x and y within ±100000 and a size from 0 to 8192, not [0,0,10]");
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

TEST(Scenario, SpacesOverviewAndMissionControlVerbs)
{
    auto result = vmac::parseScenario(R"({
        "overview": "windowManager",
        "missionControlTimings": { "openDuration": 0.5, "markerDelay": 0.1 },
        "displays": [ { "number": 1, "bounds": [0, 0, 1440, 900], "spaces": 3, "activeSpace": 1 } ],
        "apps": [ { "pid": 501, "name": "Safari", "windows": [
            { "number": 1001, "bounds": [0, 30, 800, 600], "space": 1 },
            { "number": 1002, "bounds": [100, 60, 800, 600], "space": 2 } ] } ],
        "timeline": [
            { "at": 1, "do": "openMissionControl" },
            { "at": 2, "do": "openWindow", "pid": 501, "window": { "number": 1003, "bounds": [50, 50, 400, 300] } },
            { "at": 3, "do": "switchSpace", "display": 1, "space": 2 },
            { "at": 4, "do": "addSpace", "display": 1 },
            { "at": 5, "do": "clickThumbnail", "window": 1002 },
            { "at": 6, "do": "pressMissionControlKey" },
            { "at": 7, "do": "closeMissionControl" } ] })");
    ASSERT_TRUE(result.scenario) << result.error;
    auto& s = *result.scenario;
    EXPECT_EQ(s.desktop.overviewStyle, vmac::OverviewStyle::WindowManager);
    EXPECT_EQ(s.desktop.missionControlTimings.openDuration, 0.5);
    EXPECT_EQ(s.desktop.missionControlTimings.markerDelay, 0.1);
    EXPECT_EQ(s.desktop.displays[0].spaceCount, 3);
    EXPECT_EQ(s.desktop.displays[0].activeSpace, 1);
    EXPECT_EQ(s.desktop.windows[1].space, 2);

    vmac::VirtualClock clock;
    vmac::VirtualNotificationCenter workspace;
    vmac::VirtualMac mac(s.desktop, s.talvoraPID, clock, workspace);
    vmac::ScenarioHooks hooks;
    auto play = [&](std::size_t i) { s.timeline.at(i).apply(mac, hooks); };
    play(0);
    EXPECT_EQ(mac.missionControlPhase(), vmac::MissionControlPhase::Opening);
    play(1);
    EXPECT_EQ(mac.desktop().windows.front().space, 1) << "a new window opens on the Space shown";
    EXPECT_TRUE(mac.thumbnailFrame(1003));
    play(2);
    EXPECT_EQ(mac.desktop().displays[0].activeSpace, 2);
    EXPECT_EQ(workspace.postCount(kActiveSpaceDidChangeNotification), 1);
    play(3);
    EXPECT_EQ(mac.desktop().displays[0].spaceCount, 4);
    play(4);
    EXPECT_EQ(mac.missionControlPhase(), vmac::MissionControlPhase::Closing);
    play(5);
    EXPECT_EQ(mac.missionControlPhase(), vmac::MissionControlPhase::Opening);
    play(6);
    EXPECT_EQ(mac.missionControlPhase(), vmac::MissionControlPhase::Closing);
}

TEST(Scenario, SpaceAndOverviewFaultsAreReported)
{
    auto errorOf = [](const char* text) { return vmac::parseScenario(text).error; };
    EXPECT_NE(errorOf(R"({ "displays": [ { "bounds": [0, 0, 10, 10], "spaces": 2, "activeSpace": 2 } ] })"), "");
    EXPECT_NE(errorOf(R"({ "displays": [ { "bounds": [0, 0, 10, 10], "spaces": 0 } ] })"), "");
    EXPECT_EQ(errorOf(R"({ "overview": "stage" })"), "overview: must be \"dock\" or \"windowManager\"");
    EXPECT_EQ(errorOf(R"({ "missionControlTimings": { "openDurations": 1 } })"), "missionControlTimings: unknown member \"openDurations\"");
    EXPECT_EQ(errorOf(R"({ "timeline": [ { "at": 1, "do": "switchSpace", "space": 1 } ] })"),
        "timeline[0]: switchSpace needs \"display\" (an integer or null)");
    EXPECT_EQ(errorOf(R"({ "timeline": [ { "at": 1, "do": "clickThumbnail" } ] })"), "timeline[0]: needs \"window\"");
}

TEST(Scenario, ClickVerbsAndAccessibilityQuirks)
{
    auto result = vmac::parseScenario(R"({
        "displays": [ { "number": 1, "bounds": [0, 0, 1440, 900] } ],
        "apps": [ { "pid": 5, "accessibility": ["hangs"],
                    "windows": [ { "number": 3, "bounds": [0, 0, 10, 10], "accessibility": ["saveSheetOnClose", "noMinimizeButton"] } ] } ],
        "timeline": [ { "at": 1, "do": "clickIconButton", "window": 3, "button": "minimize" },
                      { "at": 2, "do": "clickAt", "display": 1, "point": [10, 20] } ] })");
    ASSERT_TRUE(result.scenario) << result.error;
    const auto& s = *result.scenario;
    EXPECT_EQ(s.desktop.apps.back()->axQuirks, std::vector<vmac::AXQuirk> { vmac::AXQuirk::Hangs });
    EXPECT_EQ(s.desktop.windows.back().axQuirks,
        (std::vector<vmac::AXQuirk> { vmac::AXQuirk::SaveSheetOnClose, vmac::AXQuirk::NoMinimizeButton }));
    ASSERT_EQ(s.timeline.size(), 2u);

    vmac::VirtualClock clock;
    vmac::VirtualNotificationCenter workspace;
    vmac::VirtualMac mac(s.desktop, s.talvoraPID, clock, workspace);
    std::vector<std::string> done;
    vmac::ScenarioHooks hooks;
    hooks.clickIconButton = [&](WindowNumber w, vmac::IconButton b) {
        done.push_back(std::to_string(w) + (b == vmac::IconButton::Minimize ? " minimize" : " close"));
    };
    hooks.movePointer = [&](Point p) { done.push_back("pointer " + std::to_string(int(p.x)) + "," + std::to_string(int(p.y))); };
    hooks.click = [&] { done.push_back("click"); };
    for (const auto& action : s.timeline)
        action.apply(mac, hooks);
    EXPECT_EQ(done, (std::vector<std::string> { "3 minimize", "pointer 10,880", "click" })) << "display points are y down";

    auto errorOf = [](const char* text) { return vmac::parseScenario(text).error; };
    EXPECT_EQ(errorOf(R"({ "timeline": [ { "at": 1, "do": "clickIconButton", "window": 3, "button": "zoom" } ] })"),
        "timeline[0]: clickIconButton needs \"window\" and \"button\": close or minimize");
    EXPECT_EQ(errorOf(R"({ "apps": [ { "pid": 5, "accessibility": ["sulks"] } ] })"), "apps[0].accessibility: unknown quirk \"sulks\"");
}
