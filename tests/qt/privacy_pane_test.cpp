// The privacy pane itself is driven by the end-to-end test (tests/e2e), as a person uses it.
#include "qt/privacy_pane_window.h"

#include <gtest/gtest.h>

using namespace talvora;
using Section = qt::PrivacyPaneWindow::Section;

TEST(PrivacyPaneAddress, NamesTheSectionOfThePrivacyPaneOnly)
{
    EXPECT_EQ(qt::privacySectionOf("x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture"), Section::ScreenRecording);
    EXPECT_EQ(qt::privacySectionOf("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"), Section::Accessibility);
    EXPECT_EQ(qt::privacySectionOf("x-apple.systempreferences:com.apple.preference.security?Privacy_Camera"), std::nullopt);
    EXPECT_EQ(qt::privacySectionOf("https://example.com/?Privacy_Accessibility"), std::nullopt);
}
