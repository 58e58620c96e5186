// The settings window's rules that hold without any widget: value texts, and the actions that
// touch the system.

#include "settings/settings_window_model.h"
#include "support/memory_preferences.h"

#include <gtest/gtest.h>

#include <map>

using namespace talvora;

TEST(SliderValueText, ValuesRoundToTheRangesPrecision)
{
    // The formats themselves show in the settings window's test; here, the rounding.
    EXPECT_EQ(sliderValueText(Sliders::windowSizeInfluence, 0.333), "0.33");
    EXPECT_EQ(sliderValueText(Sliders::labelCornerRadius, 23.6), "24 pt");
}

TEST(VersionText, MissingPartsShowAsADash)
{
    EXPECT_EQ(versionText({ "1.4", "212" }), "1.4 (212)");
    EXPECT_EQ(versionText({ std::nullopt, std::nullopt }), "— (—)");
}

namespace {

struct NullCenter final : NotificationCenter {
    std::vector<std::string> posted;
    ObserverTokenPtr addObserver(const std::string&, std::function<void()>) override { return nullptr; }
    void post(const std::string& name) override { posted.push_back(name); }
};

struct BundleWorkspace final : Workspace {
    std::map<std::string, std::map<std::string, Value>> bundles;
    RunningApplicationRef runningApplication(ProcessID) override { return nullptr; }
    std::vector<RunningApplicationRef> runningApplications(const std::string&) override { return {}; }
    RunningApplicationRef frontmostApplication() override { return nullptr; }
    ImageRef iconForFile(const std::string&) override { return nullptr; }
    std::optional<std::string> applicationPath(const std::string&) override { return std::nullopt; }
    std::optional<std::map<std::string, Value>> bundleInfoDictionary(const std::string& path) override
    {
        auto it = bundles.find(path);
        return it == bundles.end() ? std::nullopt : std::optional(it->second);
    }
};

struct NoFiles final : Files {
    std::optional<std::string> userLibraryDirectory() override { return "/Users/me/Library"; }
    bool createDirectory(const std::string&, bool) override { return false; }
    bool fileExists(const std::string&) override { return false; }
    bool createFile(const std::string&) override { return false; }
    std::unique_ptr<FileHandle> openForWriting(const std::string&) override { return nullptr; }
};

struct ScriptedLoginItems final : LoginItemService {
    LoginItemStatus current = LoginItemStatus::NotRegistered;
    std::optional<std::string> failure;
    LoginItemStatus status() override { return current; }
    std::optional<std::string> registerApp() override
    {
        if (!failure)
            current = LoginItemStatus::Enabled;
        return failure;
    }
    std::optional<std::string> unregisterApp() override
    {
        if (!failure)
            current = LoginItemStatus::NotRegistered;
        return failure;
    }
};

struct Granted final : PermissionProbes {
    bool preflightScreenCaptureAccess() override { return true; }
    bool canCreateEventTap() override { return false; }
};

struct RecordingActions final : WorkspaceActions {
    std::vector<std::string> revealed;
    bool openURL(const std::string&) override { return true; }
    void revealInFileViewer(const std::string& path) override { revealed.push_back(path); }
};

struct Process final : ApplicationProcess {
    std::optional<std::string> failure;
    int terminations = 0;
    std::optional<std::string> relaunchAfterExit() override { return failure; }
    void terminate() override { ++terminations; }
};

struct IdleQueue final : RunLoop {
    void async(std::function<void()>) override { }
    void after(double, std::function<void()>) override { }
    RepeatingTimerPtr scheduleRepeating(double, double, std::function<void()>) override { return nullptr; }
    DisplayLinkPtr createDisplayLink(DisplayID, std::function<void()>) override { return nullptr; }
};

struct ModelTest : ::testing::Test {
    test_support::MemoryPreferences prefs;
    NullCenter center;
    BundleWorkspace workspace;
    NoFiles files;
    ScriptedLoginItems loginItems;
    Granted permissions;
    RecordingActions actions;
    Process process;
    IdleQueue queue;
    PinnedAppsStore pinned { prefs, workspace };
    SettingsWindowModel model { SettingsServices { prefs, center, pinned, workspace, files, loginItems, permissions, actions,
        process, queue, {} } };
};

} // namespace

TEST_F(ModelTest, AColourThatCannotBeConvertedKeepsTheStoredOne)
{
    prefs.set(PrefKey::labelBgRed, 0.3);
    prefs.writes.clear();
    model.setColor(ColorPickers::labelBackground, std::nullopt);
    EXPECT_TRUE(prefs.writes.empty());
    EXPECT_EQ(model.color(ColorPickers::labelBackground), (RGBA { 0.3, 0, 0, 0 }));

    model.setColor(ColorPickers::labelBackground, RGBA { 0.1, 0.2, 0.3, 0.4 });
    EXPECT_EQ(prefs.writes, (std::vector<std::string> { PrefKey::labelBgRed, PrefKey::labelBgGreen, PrefKey::labelBgBlue,
                                PrefKey::labelBgAlpha }));
}

TEST_F(ModelTest, ButtonBehaviourIsPostedOnlyWhenTheValueChanges)
{
    model.setToggle(Toggles::buttonsOnBottom, false); // already the default
    model.setToggle(Toggles::fade, false); // posts nothing of its own
    EXPECT_TRUE(center.posted.empty());
    model.setToggle(Toggles::buttonsOnBottom, true);
    EXPECT_EQ(center.posted, (std::vector<std::string> { NotificationName::buttonBehaviorChanged }));
}

TEST_F(ModelTest, RelaunchQuitsOnlyOnceTheNewInstanceIsOnItsWay)
{
    process.failure = "cannot start /bin/sh";
    model.relaunchNow();
    EXPECT_EQ(process.terminations, 0);
    EXPECT_EQ(model.relaunchError(), "cannot start /bin/sh");

    process.failure.reset();
    model.relaunchNow();
    EXPECT_EQ(process.terminations, 1);
    EXPECT_EQ(model.relaunchError(), std::nullopt);
}

TEST_F(ModelTest, PinningSkipsLocationsWithoutABundleIdentifier)
{
    workspace.bundles["/Applications/A.app"] = { { "CFBundleIdentifier", Value::string("com.example.A") } };
    workspace.bundles["/Applications/NoID.app"] = { { "CFBundleName", Value::string("NoID") } };
    workspace.bundles["/Applications/Number.app"] = { { "CFBundleIdentifier", Value::integer(7) } };
    EXPECT_EQ(model.pinApplications({ "/Applications/Number.app", "/Applications/Missing.app", "/Applications/NoID.app",
                  "/Applications/A.app", "/Applications/A.app" }),
        1);
    ASSERT_EQ(pinned.apps().size(), 1u);
    EXPECT_EQ(pinned.apps()[0].bundleID, "com.example.A");
}

TEST_F(ModelTest, ShowLogFileRevealsTheDebugLogInTheLibrary)
{
    model.showLogFile();
    EXPECT_EQ(actions.revealed, (std::vector<std::string> { "/Users/me/Library/Logs/Talvora/debug.txt" }));
}
