#include "support/temp_home.h"
#include "vmac/scenario.h"
#include "vmac/virtual_clock.h"
#include "vmac/virtual_mac.h"
#include "vmac/virtual_notification_center.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

using namespace talvora;

namespace {

std::string errorOf(const std::string& text) { return vmac::parseScenario(text).error; }

std::string withWindow(const std::string& members)
{
    return R"({ "apps": [ { "pid": 5, "windows": [ { "number": 3, "bounds": [0, 0, 10, 10)" + members + " } ] } ] }";
}

} // namespace

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

// Hostile and mistaken scenarios: every one ends as a one-line error naming the place, never as
// a crash, a hang or a silently changed number. One case per kind of fault; an empty message
// stands for any error.
TEST(Scenario, FaultsAreReportedWithTheirPlaceAndNeverThrow)
{
    const std::size_t depth = 150000;
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        { "[1, 2]", "the top level must be a JSON object" },
        { R"({ "displays": [ { "bounds": [0, 0, 10] } ] })",
            "displays[0].bounds: expected [x, y, width, height] with x and y within ±100000 and a size "
            "from 0 to 8192, not [0,0,10]" },
        { R"({ "apps": [ { "pid": 5, "windows": [ { "number": 0, "bounds": [0,0,1,1] } ] } ] })",
            "apps[0].windows[0]: window number 0 is not a window" },
        { R"({ "timeline": [ { "at": 1, "do": "explode" } ] })", "timeline[0]: unknown action \"explode\"" },
        { R"({ "timeline": [ { "at": 1, "do": "writePreference", "key": "k",
               "value": { "type": "integer", "value": "x" } } ] })",
            "timeline[0].value: value does not match type \"integer\"" },
        // Numbers become integers only when integral and in range.
        { withWindow(R"(], "layer": 2.5)"),
            "apps[0].windows[0].layer: must be an integer from -2147483648 to 2147483647, not 2.5" },
        { R"({ "timeline": [ { "at": 1, "do": "removeDisplay", "number": 4294967296 } ] })",
            "timeline[0].number: must be an integer from 0 to 4294967295, not 4294967296" },
        { R"({ "preferences": { "k": 18446744073709551615 } })", "preferences.k: an integer must fit in 64 bits" },
        // Wrong types.
        { withWindow(R"(], "minimized": "yes")"), "apps[0].windows[0].minimized: must be true or false, not \"yes\"" },
        { withWindow(R"(], "title": 5)"), "apps[0].windows[0].title: must be a string, not 5" },
        { R"({ "front": "Finder" })",
            "scenario.front: must be an integer from -2147483648 to 2147483647, not \"Finder\"" },
        { R"({ "timeline": [ { "at": "soon", "do": "click" } ] })",
            "timeline[0].at: must be a number from 0 to 3600, not \"soon\"" },
        { R"({ "installedApps": {} })", "installedApps: must be an array" },
        // Times, sizes and coordinates have limits.
        { R"({ "duration": 1e300 })", "scenario.duration: must be a number from 0 to 3600, not 1e+300" },
        { R"({ "apps": [ { "pid": 5, "windows": [ { "number": 3, "bounds": [0, 0, 1e308, 10] } ] } ] })", "" },
        { R"({ "displays": [ { "bounds": [0, 0, 1e6, 900] } ] })", "" },
        { R"({ "timeline": [ { "at": 1, "do": "moveWindow", "window": 3, "to": [1e300, 0] } ] })", "" },
        { R"({ "thumbnailLayout": { "cellPadding": 1e300 } })", "" },
        // Deep nesting is refused before anything walks it.
        { R"({ "description": )" + std::string(depth, '[') + std::string(depth, ']') + " }",
            "not JSON: nested more than 64 levels deep" },
        // Messages stay on one line, without control characters.
        { "{ \"timeline\": [ { \"at\": 1, \"do\": \"\\u001b[2J\\nboom\" } ] }",
            "timeline[0]: unknown action \"\\x1b[2J\\nboom\"" },
        // Spaces, the overview and Mission Control's timings.
        { R"({ "displays": [ { "bounds": [0, 0, 10, 10], "spaces": 2, "activeSpace": 2 } ] })", "" },
        { R"({ "displays": [ { "bounds": [0, 0, 10, 10], "spaces": 0 } ] })", "" },
        { R"({ "overview": "stage" })", "overview: must be \"dock\" or \"windowManager\"" },
        { R"({ "missionControlTimings": { "openDurations": 1 } })",
            "missionControlTimings: unknown member \"openDurations\"" },
        // Verbs and what they need.
        { R"({ "timeline": [ { "at": 1, "do": "switchSpace", "space": 1 } ] })",
            "timeline[0]: switchSpace needs \"display\" (an integer or null)" },
        { R"({ "timeline": [ { "at": 1, "do": "clickIconButton", "window": 3, "button": "zoom" } ] })",
            "timeline[0]: clickIconButton needs \"window\" and \"button\": close or minimize" },
        { R"({ "apps": [ { "pid": 5, "accessibility": ["sulks"] } ] })",
            "apps[0].accessibility: unknown quirk \"sulks\"" },
        // Installed applications.
        { R"({ "installedApps": [ { "name": "a/b", "bundleID": "a" } ] })",
            "installedApps[0]: \"name\" must be a file name" },
        { R"({ "installedApps": [ { "name": "A", "bundleID": "a" }, { "name": "A", "bundleID": "b" } ] })",
            "installedApps[1]: \"A\" is installed twice" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 200));
        const std::string error = errorOf(c.text);
        if (c.error.empty())
            EXPECT_NE(error, "");
        else
            EXPECT_EQ(error, c.error);
    }
    EXPECT_EQ(errorOf("{ \"a\": \n\n  tru }").substr(0, 25), "not JSON: line 3, column ");

    // An integral number written with a fraction is still that integer.
    auto parsed = vmac::parseScenario(withWindow(R"(], "layer": 3.0)"));
    ASSERT_TRUE(parsed.scenario) << parsed.error;
    EXPECT_EQ(parsed.scenario->desktop.windows.at(0).layer, 3);
}

// The timeline is played in time order, however it is written, and the scenario lasts long
// enough for its last action. The click verbs go through the hooks, in display points (y down).
TEST(Scenario, TimelineVerbsChangeTheMacInTimeOrder)
{
    auto result = vmac::parseScenario(R"({
        "overview": "windowManager",
        "missionControlTimings": { "openDuration": 0.5, "markerDelay": 0.1 },
        "displays": [ { "number": 1, "bounds": [0, 0, 1440, 900], "spaces": 3, "activeSpace": 1 } ],
        "apps": [ { "pid": 501, "name": "Safari", "accessibility": ["hangs"], "windows": [
            { "number": 1001, "bounds": [0, 30, 800, 600], "space": 1,
              "accessibility": ["saveSheetOnClose", "noMinimizeButton"] },
            { "number": 1002, "bounds": [100, 60, 800, 600], "space": 2 } ] } ],
        "timeline": [
            { "at": 2, "do": "openWindow", "pid": 501, "window": { "number": 1003, "bounds": [50, 50, 400, 300] } },
            { "at": 1, "do": "openMissionControl" },
            { "at": 3, "do": "switchSpace", "display": 1, "space": 2 },
            { "at": 4, "do": "addSpace", "display": 1 },
            { "at": 5, "do": "clickThumbnail", "window": 1002 },
            { "at": 6, "do": "pressMissionControlKey" },
            { "at": 7, "do": "closeMissionControl" },
            { "at": 8, "do": "moveWindow", "window": 1001, "to": [50, 60] },
            { "at": 9, "do": "closeWindow", "window": 1003 },
            { "at": 10, "do": "clickIconButton", "window": 1001, "button": "minimize" },
            { "at": 11, "do": "clickAt", "display": 1, "point": [10, 20] } ],
        "duration": 1 })");
    ASSERT_TRUE(result.scenario) << result.error;
    auto& s = *result.scenario;
    EXPECT_EQ(s.desktop.overviewStyle, vmac::OverviewStyle::WindowManager);
    EXPECT_EQ(s.desktop.missionControlTimings.openDuration, 0.5);
    EXPECT_EQ(s.desktop.missionControlTimings.markerDelay, 0.1);
    EXPECT_EQ(s.desktop.displays[0].spaceCount, 3);
    EXPECT_EQ(s.desktop.displays[0].activeSpace, 1);
    EXPECT_EQ(s.desktop.windows[1].space, 2);
    EXPECT_EQ(s.desktop.apps.back()->axQuirks, std::vector<vmac::AXQuirk> { vmac::AXQuirk::Hangs });
    EXPECT_EQ(s.desktop.windows[0].axQuirks,
        (std::vector<vmac::AXQuirk> { vmac::AXQuirk::SaveSheetOnClose, vmac::AXQuirk::NoMinimizeButton }));
    EXPECT_EQ(s.duration, 11) << "long enough for the last action";

    vmac::VirtualClock clock;
    vmac::VirtualNotificationCenter workspace;
    vmac::VirtualMac mac(s.desktop, s.talvoraPID, clock, workspace);
    std::vector<std::string> clicks;
    vmac::ScenarioHooks hooks;
    hooks.clickIconButton = [&](WindowNumber w, vmac::IconButton b) {
        clicks.push_back(std::to_string(w) + (b == vmac::IconButton::Minimize ? " minimize" : " close"));
    };
    hooks.movePointer = [&](Point p) { clicks.push_back("pointer " + std::to_string(int(p.x)) + "," + std::to_string(int(p.y))); };
    hooks.click = [&] { clicks.push_back("click"); };
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
    play(7);
    play(8);
    ASSERT_EQ(mac.desktop().windows.size(), 2u);
    for (const auto& w : mac.desktop().windows) {
        if (w.number == 1001) {
            EXPECT_EQ(w.bounds, (Rect { 50, 60, 800, 600 }));
        }
    }
    play(9);
    play(10);
    EXPECT_EQ(clicks, (std::vector<std::string> { "1001 minimize", "pointer 10,880", "click" }));
}

TEST(Scenario, OnlyRegularFilesAreRead)
{
    test_support::TempHome home;
    const std::string fifo = home.home.root + "/fifo.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A FIFO without a writer would block a plain open for ever.
    EXPECT_EQ(vmac::loadScenarioFile(fifo).error, fifo + ": is not a regular file");
    EXPECT_EQ(vmac::loadScenarioFile("/dev/zero").error, "/dev/zero: is not a regular file");
    EXPECT_EQ(vmac::loadScenarioFile(home.home.root).error, home.home.root + ": is a folder, not a file");
    EXPECT_EQ(vmac::loadScenarioFile("").error, "scenario: no file named");
    EXPECT_EQ(vmac::loadScenarioFile(home.home.root + "/none.json").error, home.home.root + "/none.json: No such file or directory");
}
