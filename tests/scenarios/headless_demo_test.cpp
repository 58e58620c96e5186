#include "support/run_tool.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace talvora;
namespace fs = std::filesystem;

namespace {

test_support::ToolResult runApp(std::vector<std::string> args, const std::string& scratch)
{
    args.insert(args.begin(), TALVORA_APP);
    return test_support::runTool(std::move(args), scratch);
}

bool isPng(const fs::path& path)
{
    auto bytes = test_support::readFile(path.string());
    return bytes && bytes->size() > 1000 && bytes->starts_with("\x89PNG");
}

} // namespace

// The README's run command end to end: the demo plays, every display is pictured at every
// snapshot, and the run says where everything went.
TEST(HeadlessDemo, WritesFramesContactSheetAndDebugLog)
{
    test_support::TempHome scratch;
    const fs::path out = fs::path(scratch.home.root) / "out";
    // Frames of an earlier run go; a file of the user's in the same folder stays.
    test_support::writeFile((out / "frames/07-display9.png").string(), "stale");
    test_support::writeFile((out / "frames/notes.txt").string(), "mine");

    auto run = runApp({ "--headless", "--out", out.string() }, scratch.home.root);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    for (const char* snapshot : { "01", "02", "03", "04", "05" }) {
        for (const char* display : { "1", "2" })
            EXPECT_TRUE(isPng(out / "frames" / (std::string(snapshot) + "-display" + display + ".png"))) << snapshot << display;
    }
    EXPECT_FALSE(fs::exists(out / "frames/07-display9.png"));
    EXPECT_EQ(test_support::readFile((out / "frames/notes.txt").string()), "mine");
    EXPECT_TRUE(isPng(out / "contact-sheet.png"));
    auto log = test_support::readFile((out / "debug-log.txt").string());
    ASSERT_TRUE(log);
    EXPECT_NE(log->find("MISSION CONTROL"), std::string::npos);

    // The timeline tells what a person would have seen, and where the files are.
    EXPECT_NE(run.out.find("Mission Control recognised"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("pointer on the icon of Terminal (1004)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Contact sheet: " + (out / "contact-sheet.png").string()), std::string::npos) << run.out;
}

TEST(HeadlessDemo, RefusesBadInputWithAClearMessage)
{
    test_support::TempHome scratch;
    auto missing = runApp({ "--scenario", scratch.home.root + "/nothing.json", "--out", scratch.home.root + "/out" }, scratch.home.root);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("nothing.json"), std::string::npos) << missing.err;

    auto option = runApp({ "--fast" }, scratch.home.root);
    EXPECT_EQ(option.exitCode, 2);
    EXPECT_NE(option.err.find("unknown option --fast"), std::string::npos) << option.err;

    auto scale = runApp({ "--scale", "zero" }, scratch.home.root);
    EXPECT_EQ(scale.exitCode, 2);
    EXPECT_NE(scale.err.find("--scale"), std::string::npos) << scale.err;
}

// The settings window's pictures: each tab the scenario opens, at one and two pixels per point,
// after a value written by another process while the window was open.
TEST(HeadlessDemo, PicturesTheSettingsWindowOnEachTabItOpens)
{
    test_support::TempHome scratch;
    const fs::path out = fs::path(scratch.home.root) / "out";
    auto run = runApp({ "--scenario", std::string(TALVORA_SCENARIO_DIR) + "/settings-window.json", "--out", out.string() },
        scratch.home.root);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* tab : { "general", "icons", "highlights", "labels" }) {
        for (const char* scale : { "@1x", "@2x" })
            EXPECT_TRUE(isPng(out / "settings" / (std::string(tab) + scale + ".png"))) << tab << scale;
    }
    EXPECT_NE(run.out.find("open settings: Highlights"), std::string::npos) << run.out;
}
