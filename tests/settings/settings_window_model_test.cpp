// The settings window's rules that hold without any widget: value texts, and the actions that
// touch the system, over the application's own services on the virtual Mac.

#include "host/simulation.h"
#include "settings/settings_window_model.h"
#include "support/desktop_builder.h"
#include "support/temp_home.h"
#include "vmac/system_logs.h"

#include <gtest/gtest.h>

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

struct ModelTest : ::testing::Test {
    test_support::TempHome temp;
    vmac::RecordingSystemLog log;
    host::Simulation sim { test_support::DesktopBuilder().display(1, { 0, 0, 1440, 900 }).build(), temp.home,
        log };
    host::SettingsSupport& support = sim.app().settingsSupport();
    PreferencesStore& prefs = sim.preferences();
    SettingsWindowModel model { support.services() };
};

} // namespace

TEST_F(ModelTest, AColourThatCannotBeConvertedKeepsTheStoredOne)
{
    prefs.set(PrefKey::labelBgRed, 0.3);
    model.setColor(ColorPickers::labelBackground, std::nullopt);
    EXPECT_FALSE(prefs.object(PrefKey::labelBgGreen)) << "nothing written";
    EXPECT_EQ(model.color(ColorPickers::labelBackground), (RGBA { 0.3, 0, 0, 0 }));

    model.setColor(ColorPickers::labelBackground, RGBA { 0.1, 0.2, 0.3, 0.4 });
    EXPECT_EQ(prefs.number(PrefKey::labelBgRed), 0.1);
    EXPECT_EQ(prefs.number(PrefKey::labelBgAlpha), 0.4);
}

// A relaunch that cannot start, and the app left running, is the settings window's test.
TEST_F(ModelTest, RelaunchQuitsOnceTheNewInstanceIsOnItsWay)
{
    // A command that does nothing once this process has ended.
    support.process().setRelaunchCommand({ "/bin/true" });
    model.relaunchNow();
    EXPECT_TRUE(support.process().terminateRequested());
    EXPECT_EQ(model.relaunchError(), std::nullopt);
}

TEST_F(ModelTest, ShowLogFileRevealsTheDebugLogInTheLibrary)
{
    model.showLogFile();
    EXPECT_EQ(support.workspaceActions().revealedFiles(),
        (std::vector<std::string> { temp.debugFile() }));
}
