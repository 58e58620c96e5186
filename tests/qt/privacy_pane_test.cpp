#include "qt/gui_test.h"
#include "qt/privacy_pane_window.h"
#include "vmac/virtual_application.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

using namespace talvora;
using Section = qt::PrivacyPaneWindow::Section;

namespace {

class PrivacyPaneTest : public test_support::GuiTest {};

} // namespace

TEST_F(PrivacyPaneTest, SwitchesChangeTheMacsSettingsAndScreenRecordingWaitsForARelaunch)
{
    vmac::PrivacySettings privacy(false, false);
    std::vector<bool> accessibilityHeard;
    privacy.setOnAccessibilityChange([&](bool on) { accessibilityHeard.push_back(on); });
    qt::PrivacyPaneWindow pane(privacy);
    int changes = 0;
    int reopened = 0;
    pane.onChange = [&] { ++changes; };
    pane.quitAndReopen = [&] { ++reopened; };
    pane.reveal(Section::ScreenRecording);
    auto* note = pane.findChild<QLabel*>("relaunchNote");
    auto* reopen = pane.findChild<QPushButton*>("quitAndReopen");
    ASSERT_TRUE(note && reopen);
    EXPECT_FALSE(pane.toggle(Section::ScreenRecording)->isChecked());
    EXPECT_FALSE(note->isVisible());

    pane.toggle(Section::ScreenRecording)->click();
    EXPECT_TRUE(privacy.screenRecordingAllowed());
    EXPECT_TRUE(privacy.screenRecordingNeedsRelaunch());
    EXPECT_FALSE(static_cast<ScreenCaptureAccess&>(privacy).preflight()) << "the running process keeps its launch's answer";
    EXPECT_TRUE(note->isVisible());
    ASSERT_TRUE(reopen->isVisible());
    reopen->click();
    EXPECT_EQ(reopened, 1);
    // Turned off again before any relaunch: nothing is waiting for one.
    pane.toggle(Section::ScreenRecording)->click();
    EXPECT_FALSE(privacy.screenRecordingNeedsRelaunch());
    EXPECT_FALSE(note->isVisible());
    EXPECT_FALSE(reopen->isVisible());

    pane.toggle(Section::Accessibility)->click();
    pane.toggle(Section::Accessibility)->click();
    EXPECT_EQ(accessibilityHeard, (std::vector<bool> { true, false }));
    EXPECT_EQ(changes, 4);

    // A change made elsewhere shows on the next refresh.
    privacy.setAccessibilityAllowed(true);
    pane.refresh();
    EXPECT_TRUE(pane.toggle(Section::Accessibility)->isChecked());
}

TEST(PrivacyPaneAddress, NamesTheSectionOfThePrivacyPaneOnly)
{
    EXPECT_EQ(qt::privacySectionOf("x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture"), Section::ScreenRecording);
    EXPECT_EQ(qt::privacySectionOf("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"), Section::Accessibility);
    EXPECT_EQ(qt::privacySectionOf("x-apple.systempreferences:com.apple.preference.security?Privacy_Camera"), std::nullopt);
    EXPECT_EQ(qt::privacySectionOf("https://example.com/?Privacy_Accessibility"), std::nullopt);
}
