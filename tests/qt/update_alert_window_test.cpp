// The update result window, driven through its widgets on Qt's offscreen platform.
#include "qt/qt_update_alert_window.h"
#include "qt/gui_test.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPushButton>

using namespace talvora;

namespace {

class UpdateAlertWindowTest : public test_support::GuiTest {};

TEST_F(UpdateAlertWindowTest, ANewerVersionOffersItsReleaseNotesAndALaterResultReplacesIt)
{
    qt::QtUpdateAlertWindow window;
    std::vector<std::string> opened;
    window.openLink = [&](const std::string& url) { opened.push_back(url); };

    window.showUpdateAlert({ "A new version of Talvora is available", "Talvora 1.5 is available; you have 1.4.",
        "https://example.org/notes/1.5" });
    QDialog* dialog = window.dialog();
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->findChild<QLabel*>("title")->text(), "A new version of Talvora is available");
    EXPECT_EQ(dialog->findChild<QLabel*>("message")->text(), "Talvora 1.5 is available; you have 1.4.");
    auto* notes = dialog->findChild<QPushButton*>("releaseNotes");
    ASSERT_TRUE(notes->isVisible());
    EXPECT_EQ(notes->text(), QString::fromUtf8("Release Notes\u2026"));
    QImage picture = dialog->grab().toImage();
    EXPECT_GT(picture.width(), 300);
    notes->click();
    EXPECT_EQ(opened, std::vector<std::string> { "https://example.org/notes/1.5" });
    EXPECT_FALSE(dialog->isVisible());

    // One window: the next result is shown in it, without a link to offer.
    window.showUpdateAlert({ "You\u2019re up to date", "Talvora 1.5 is the newest version available.", std::nullopt });
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->findChild<QPushButton*>("releaseNotes")->isVisible());
    EXPECT_EQ(dialog->findChild<QLabel*>("message")->textFormat(), Qt::PlainText) << "a feed's text is never markup";
    dialog->findChild<QPushButton*>("ok")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(opened.size(), 1u);
}

} // namespace
