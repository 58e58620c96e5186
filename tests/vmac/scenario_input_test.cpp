// Hostile and mistaken scenarios: every one ends as a one-line error naming the place, never as
// a crash, a hang or a silently changed number.

#include "support/temp_home.h"
#include "vmac/scenario.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace talvora;

namespace {

std::string errorOf(const std::string& text)
{
    return vmac::parseScenario(text).error;
}

std::string withWindow(const std::string& members)
{
    return R"({ "apps": [ { "pid": 5, "windows": [ { "number": 3, "bounds": [0, 0, 10, 10)" + members + " } ] } ] }";
}

} // namespace

TEST(ScenarioInput, NumbersBecomeIntegersOnlyWhenIntegralAndInRange)
{
    EXPECT_EQ(errorOf(R"({ "apps": [ { "pid": 5, "windows": [ { "number": 1e20, "bounds": [0, 0, 1, 1] } ] } ] })"),
        "apps[0].windows[0].number: must be an integer from 0 to 4294967295, not 1e+20");
    EXPECT_EQ(errorOf(R"({ "apps": [ { "pid": -1 } ] })"), "apps[0].pid: must be an integer from 1 to 2147483647, not -1");
    EXPECT_EQ(errorOf(withWindow(R"(], "layer": 2.5)")), "apps[0].windows[0].layer: must be an integer from -2147483648 to 2147483647, not 2.5");
    EXPECT_EQ(errorOf(R"({ "timeline": [ { "at": 1, "do": "removeDisplay", "number": 4294967296 } ] })"),
        "timeline[0].number: must be an integer from 0 to 4294967295, not 4294967296");
    EXPECT_EQ(errorOf(R"({ "preferences": { "k": 18446744073709551615 } })"), "preferences.k: an integer must fit in 64 bits");

    // An integral number written with a fraction is still that integer.
    auto parsed = vmac::parseScenario(withWindow(R"(], "layer": 3.0)"));
    ASSERT_TRUE(parsed.scenario) << parsed.error;
    EXPECT_EQ(parsed.scenario->desktop.windows.at(0).layer, 3);
}

TEST(ScenarioInput, WrongTypesAreErrorsWithTheirPath)
{
    EXPECT_EQ(errorOf(withWindow(R"(], "minimized": "yes")")), "apps[0].windows[0].minimized: must be true or false, not \"yes\"");
    EXPECT_EQ(errorOf(withWindow(R"(], "title": 5)")), "apps[0].windows[0].title: must be a string, not 5");
    EXPECT_EQ(errorOf(R"({ "front": "Finder" })"), "scenario.front: must be an integer from -2147483648 to 2147483647, not \"Finder\"");
    EXPECT_EQ(errorOf(R"({ "timeline": [ { "at": 1, "do": "snapshot", "caption": [] } ] })"), "timeline[0].caption: must be a string, not []");
    EXPECT_EQ(errorOf(R"({ "timeline": [ { "at": 1, "do": "userInput", "event": 7 } ] })"), "timeline[0].event: must be a string, not 7");
    EXPECT_EQ(errorOf(R"({ "timeline": [ { "at": "soon", "do": "click" } ] })"), "timeline[0].at: must be a number from 0 to 3600, not \"soon\"");
    EXPECT_EQ(errorOf(R"({ "overview": 1 })"), "overview: must be \"dock\" or \"windowManager\"");
    EXPECT_EQ(errorOf(R"({ "displays": {} })"), "displays: must be an array");
}

TEST(ScenarioInput, TimesSizesAndCountsHaveLimits)
{
    EXPECT_EQ(errorOf(R"({ "duration": 1e300 })"), "scenario.duration: must be a number from 0 to 3600, not 1e+300");
    EXPECT_EQ(errorOf(R"({ "timeline": [ { "at": 1e300, "do": "click" } ] })"), "timeline[0].at: must be a number from 0 to 3600, not 1e+300");
    EXPECT_NE(errorOf(R"({ "apps": [ { "pid": 5, "windows": [ { "number": 3, "bounds": [0, 0, 1e308, 10] } ] } ] })"), "");
    EXPECT_NE(errorOf(R"({ "displays": [ { "bounds": [0, 0, 1e6, 900] } ] })"), "");
    EXPECT_NE(errorOf(R"({ "timeline": [ { "at": 1, "do": "moveWindow", "window": 3, "to": [1e300, 0] } ] })"), "");
    EXPECT_NE(errorOf(R"({ "thumbnailLayout": { "cellPadding": 1e300 } })"), "");

    // Deep nesting is refused before anything walks it.
    const std::size_t depth = 150000;
    const std::string deep = R"({ "description": )" + std::string(depth, '[') + std::string(depth, ']') + " }";
    EXPECT_EQ(errorOf(deep), "not JSON: nested more than 64 levels deep");
}

TEST(ScenarioInput, MessagesStayOnOneLineWithoutControlCharacters)
{
    const std::string error = errorOf("{ \"timeline\": [ { \"at\": 1, \"do\": \"\\u001b[2J\\nboom\" } ] }");
    EXPECT_EQ(error, "timeline[0]: unknown action \"\\x1b[2J\\nboom\"");
    EXPECT_EQ(errorOf("{ \"a\": \n\n  tru }").substr(0, 25), "not JSON: line 3, column ");
}

TEST(ScenarioInput, OnlyRegularFilesAreRead)
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
