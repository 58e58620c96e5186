// The settings window driven through its widgets, over the app's real preferences file, pinned
// list and the virtual Mac's services.

#include "host/simulation.h"
#include "qt/application_chooser.h"
#include "qt/color_swatch.h"
#include "qt/general_settings_tab.h"
#include "qt/labeled_slider.h"
#include "qt/qt_settings_scene.h"
#include "qt/visual_settings_tabs.h"
#include "support/desktop_builder.h"
#include "support/run_tool.h"
#include "support/temp_home.h"
#include "vmac/scripted_http_client.h"
#include "vmac/system_logs.h"
#include "vmac/virtual_system_info.h"

#include "gui_test.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

using namespace talvora;

namespace {

class SettingsWindowTest : public test_support::GuiTest {
protected:
    test_support::TempHome temp;
    vmac::RecordingSystemLog log;
    std::unique_ptr<host::Simulation> sim;
    std::unique_ptr<qt::QtSettingsScene> scene;
    std::vector<ObserverTokenPtr> observers;
    int responsivenessPosts = 0;
    int buttonBehaviorPosts = 0;
    // Called once the app exists, before the window opens.
    std::function<void()> beforeOpening;

    // Three applications in the Applications folder; Notes is pinned with a colour of its own.
    void open(std::function<void(test_support::DesktopBuilder&)> adjust = {})
    {
        test_support::DesktopBuilder desktop;
        desktop.display(1, { 0, 0, 1440, 900 });
        desktop.preference(PrefKey::pinnedAppsData,
            bytes(R"([{"bundleID":"com.example.Notes","customColor":{"red":1,"green":0.5,"blue":0,"alpha":1}}])"));
        if (adjust)
            adjust(desktop);
        auto scenario = desktop.build();
        for (const char* name : { "Mail", "Notes", "Safari" })
            scenario.installedApps.push_back({ name, std::string("com.example.") + name, std::nullopt, nullptr });
        sim = std::make_unique<host::Simulation>(std::move(scenario), temp.home, log);
        auto& support = sim->app().settingsSupport();
        scene = std::make_unique<qt::QtSettingsScene>(support.services(), support.applicationsFolder());
        NotificationCenter& center = sim->notifications();
        observers.push_back(center.addObserver(NotificationName::responsivenessChanged, [this] { ++responsivenessPosts; }));
        observers.push_back(center.addObserver(NotificationName::buttonBehaviorChanged, [this] { ++buttonBehaviorPosts; }));
        if (beforeOpening)
            beforeOpening();
        scene->openSettings();
    }
    void TearDown() override
    {
        scene.reset();
        sim.reset();
    }

    static PreferenceData bytes(std::string_view text) { return PreferenceData(text.begin(), text.end()); }
    qt::SettingsWindow& window() { return *scene->window(); }
    PreferencesStore& store() { return sim->preferences(); }
    template<typename T>
    T* find(QWidget* in, const char* name)
    {
        auto* widget = in->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QCheckBox* toggle(const ToggleSpec& spec) { return find<QCheckBox>(&window(), spec.key); }
    qt::LabeledSlider* slider(const SliderSpec& spec) { return find<qt::LabeledSlider>(&window(), spec.key); }
    // A check box takes a click on its box.
    static void click(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); }
    bool shown(QWidget* widget) { return widget->isVisibleTo(&window()); }
    std::vector<std::string> rowIDs()
    {
        std::vector<std::string> ids;
        for (auto* row : window().highlightTab()->rows())
            ids.push_back(row->bundleID());
        return ids;
    }
    // Runs `answer` on the modal dialog the next action opens, once it is up.
    template<typename Dialog>
    void whenDialogOpens(std::function<void(Dialog&)> answer)
    {
        QTimer::singleShot(0, [answer] {
            auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            answer(*dialog);
        });
    }
};

TEST_F(SettingsWindowTest, SlidersShowTheirValueInTheRangesFormatAndResetShowsTheDefaults)
{
    open([](auto& d) {
        d.preference(PrefKey::haloIntensity, 1.5);
        d.preference(PrefKey::iconMaxSize, 90.0);
        d.preference(PrefKey::closeOnHoverEnabled, false);
        d.preference(PrefKey::debugLogging, true);
    });
    EXPECT_EQ(slider(Sliders::iconMaxSize)->valueLabel()->text(), "90 pt");
    EXPECT_EQ(slider(Sliders::iconYOffset)->valueLabel()->text(), "0.00");
    EXPECT_EQ(slider(Sliders::haloSize)->valueLabel()->text(), "1.60 ×");
    EXPECT_EQ(slider(Sliders::haloIntensity)->valueLabel()->text(), "1.5 ×");

    // The far right of the slider is the top of the range, written to the store as a double.
    auto* size = slider(Sliders::iconMaxSize);
    size->slider()->setFocus();
    QTest::keyClick(size->slider(), Qt::Key_End);
    EXPECT_EQ(store().number(PrefKey::iconMaxSize), 120.0);
    EXPECT_EQ(size->valueLabel()->text(), "120 pt");

    QTest::mouseClick(find<QPushButton>(&window(), "resetToDefaults"), Qt::LeftButton);
    EXPECT_EQ(size->valueLabel()->text(), "51 pt");
    EXPECT_TRUE(toggle(Toggles::closeOnHover)->isChecked());
    EXPECT_TRUE(toggle(Toggles::buttonsOnBottom)->isEnabled());
    EXPECT_TRUE(toggle(Toggles::debugLogging)->isChecked()); // not a visual setting
    EXPECT_EQ(responsivenessPosts, 1);
    EXPECT_EQ(buttonBehaviorPosts, 1);
    EXPECT_EQ(rowIDs(), (std::vector<std::string> { "com.example.Notes" }));

    // A value written by another process appears while the window is open.
    auto result = test_support::runTool({ TALVORA_DEFAULTS_TOOL, "--home", temp.home.root, "write",
                                            PrefKey::iconMaxSize, "-float", "64" },
        temp.home.root);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    sim->runFor(1.0);
    EXPECT_EQ(size->valueLabel()->text(), "64 pt");
}

// Each change posts its notice once, opening posts none, and the toggles that need the hover
// are disabled with it, keeping their values.
TEST_F(SettingsWindowTest, ChangesPostOnceAndDependentTogglesAreDisabledWithoutTheirValuesChanging)
{
    open([](auto& d) { d.preference(PrefKey::responsivenessMode, std::string("performance")); });
    auto* picker = find<QComboBox>(&window(), PrefKey::responsivenessMode);
    auto* description = find<QLabel>(&window(), "responsivenessDescription");
    EXPECT_EQ(picker->currentText(), "Performance");
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Down);
    EXPECT_EQ(responsivenessPosts, 1);
    EXPECT_EQ(store().string(PrefKey::responsivenessMode), "balanced");
    EXPECT_EQ(description->text().toStdString(),
        responsivenessDescription(ResponsivenessMode::Balanced));

    auto* hover = toggle(Toggles::closeOnHover);
    auto* bottom = toggle(Toggles::buttonsOnBottom);
    auto* doubleClick = toggle(Toggles::doubleClickRequired);
    EXPECT_TRUE(bottom->isEnabled());
    click(bottom);
    EXPECT_EQ(store().boolean(PrefKey::closeMinimizeButtonsOnBottom), true);
    EXPECT_EQ(buttonBehaviorPosts, 1);
    click(hover);
    EXPECT_EQ(store().boolean(PrefKey::closeOnHoverEnabled), false);
    EXPECT_FALSE(bottom->isEnabled());
    EXPECT_FALSE(doubleClick->isEnabled());
    EXPECT_TRUE(bottom->isChecked());
    EXPECT_EQ(store().boolean(PrefKey::closeMinimizeButtonsOnBottom), true);
    EXPECT_FALSE(store().boolean(PrefKey::closeMinimizeDoubleClickRequired).has_value());
    // The hover toggle itself is not a button-behaviour change.
    EXPECT_EQ(buttonBehaviorPosts, 1);

    // Reopening the window shows the stored choices and posts nothing.
    window().hide();
    scene->openSettings();
    EXPECT_EQ(responsivenessPosts, 1);
    EXPECT_EQ(buttonBehaviorPosts, 1);
}

TEST_F(SettingsWindowTest, DebugLoggingShowsTheRestartRowUntilTheToggleIsBackAndStaysWhenRelaunchFails)
{
    open();
    auto* debug = toggle(Toggles::debugLogging);
    auto* restart = find<QWidget>(&window(), "restartRow");
    EXPECT_FALSE(shown(restart));
    click(debug);
    EXPECT_TRUE(shown(restart));

    // A relaunch that cannot start is said, and the app does not quit.
    sim->app().settingsSupport().process().setRelaunchCommand({ temp.home.root + "/no-such-program" });
    QTest::mouseClick(find<QPushButton>(&window(), "relaunchNow"), Qt::LeftButton);
    EXPECT_FALSE(sim->app().settingsSupport().process().terminateRequested());
    auto* error = find<QLabel>(&window(), "relaunchError");
    EXPECT_TRUE(shown(error));
    EXPECT_TRUE(error->text().contains("no-such-program"));

    click(debug);
    EXPECT_FALSE(shown(restart));
    // The remembered value belongs to the process, not to one opening of the window.
    store().set(PrefKey::debugLogging, true);
    window().hide();
    scene->openSettings();
    EXPECT_TRUE(shown(restart));
}

TEST_F(SettingsWindowTest, AddApplicationPinsTheChosenBundlesThatAreNotPinnedYet)
{
    open();
    // A plain subfolder is looked into; a bundle's insides are not offered.
    test_support::writeFile(temp.home.applications() + "/Utilities/Console.app/Contents/Info.plist", "not a plist");
    EXPECT_EQ(rowIDs(), (std::vector<std::string> { "com.example.Notes" }));
    EXPECT_TRUE(find<QLabel>(&window(), "noAppsPinned")->isHidden());

    std::vector<QString> listed;
    whenDialogOpens<qt::ApplicationChooser>([&](qt::ApplicationChooser& chooser) {
        for (int i = 0; i < chooser.list()->count(); ++i)
            listed.push_back(chooser.list()->item(i)->text());
        chooser.list()->selectAll();
        QTest::mouseClick(chooser.pinButton(), Qt::LeftButton);
    });
    QTest::mouseClick(find<QPushButton>(&window(), "addApplication"), Qt::LeftButton);
    EXPECT_EQ(listed, (std::vector<QString> { "Mail", "Notes", "Safari", "Utilities/Console" }));
    // Console has no identifier and is skipped; Notes is already pinned.
    EXPECT_EQ(rowIDs(), (std::vector<std::string> { "com.example.Notes", "com.example.Mail", "com.example.Safari" }));
    EXPECT_EQ(sim->app().pinnedApps().apps().size(), 3u);

    // Cancelling changes nothing.
    whenDialogOpens<qt::ApplicationChooser>([](qt::ApplicationChooser& chooser) { chooser.reject(); });
    QTest::mouseClick(find<QPushButton>(&window(), "addApplication"), Qt::LeftButton);
    EXPECT_EQ(sim->app().pinnedApps().apps().size(), 3u);

    QTest::mouseClick(find<QToolButton>(window().highlightTab()->rows()[1], "remove"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(rowIDs(), (std::vector<std::string> { "com.example.Notes", "com.example.Safari" }));
}

TEST_F(SettingsWindowTest, RowColourRevertsOnlyFromACustomColourAndPicksWithOpacity)
{
    open([](auto& d) {
        d.preference(PrefKey::pinnedAppsData,
            bytes(R"([{"bundleID":"com.example.Notes","customColor":{"red":1,"green":0.5,"blue":0,"alpha":1}},)"
                  R"({"bundleID":"com.example.Safari"}])"));
    });
    auto rows = window().highlightTab()->rows();
    ASSERT_EQ(rows.size(), 2u);
    auto rightClick = [](qt::PinnedAppRow* row) {
        const QPoint at(5, 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, row->swatch()->mapToGlobal(at));
        QApplication::sendEvent(row->swatch(), &event);
        return row->contextMenu();
    };
    // Safari inherits the default colour: nothing to revert to.
    EXPECT_EQ(rows[1]->swatch()->color(), (RGBA { 0.2, 0.8, 1, 1 }));
    EXPECT_EQ(rightClick(rows[1]), nullptr);

    QMenu* menu = rightClick(rows[0]);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Use default color");
    menu->actions()[0]->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(sim->app().pinnedApps().pinnedApp("com.example.Notes")->customColor, std::nullopt);

    // Picking in the colour dialog, opacity included, sets Safari's own colour.
    whenDialogOpens<QColorDialog>([](QColorDialog& dialog) {
        dialog.setCurrentColor(QColor(0, 255, 0, 51));
        dialog.accept();
    });
    QTest::mouseClick(window().highlightTab()->rows()[1]->swatch(), Qt::LeftButton);
    auto safari = sim->app().pinnedApps().pinnedApp("com.example.Safari");
    ASSERT_TRUE(safari->customColor);
    EXPECT_DOUBLE_EQ(safari->customColor->green, 1.0);
    EXPECT_NEAR(safari->customColor->alpha, 0.2, 0.002);
    EXPECT_EQ(window().highlightTab()->rows()[1]->swatch()->toolTip(), SettingsText::rowCustomColorHelp);

    // A cancelled dialog keeps the pill's stored colour.
    store().set(PrefKey::labelBgAlpha, 0.4);
    whenDialogOpens<QColorDialog>([](QColorDialog& dialog) { dialog.reject(); });
    QTest::mouseClick(find<qt::ColorSwatch>(&window(), PrefKey::labelBgRed), Qt::LeftButton);
    EXPECT_EQ(store().number(PrefKey::labelBgAlpha), 0.4);
    EXPECT_EQ(store().number(PrefKey::labelBgRed), std::nullopt);
}

// Permissions and the login item are read again when the person comes back to the app.
TEST_F(SettingsWindowTest, AGrantAndALoginItemApprovalMadeInTheSystemSettingsShowOnReturn)
{
    open();
    auto* row = find<QWidget>(&window(), "Privacy_Accessibility");
    auto* openButton = find<QPushButton>(row, "openSystemSettings");
    EXPECT_TRUE(shown(openButton));
    EXPECT_FALSE(shown(find<QLabel>(row, "granted")));
    QTest::mouseClick(openButton, Qt::LeftButton);
    EXPECT_EQ(sim->app().settingsSupport().workspaceActions().openedURLs(),
        (std::vector<std::string> { "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility" }));

    auto& items = sim->app().settingsSupport().loginItems();
    items.setCommand({ "/usr/bin/talvora" });
    items.setApprovalRequired(true);
    auto* launch = find<QCheckBox>(&window(), "launchAtLogin");
    click(launch);
    EXPECT_EQ(items.status(), LoginItemStatus::RequiresApproval);

    sim->app().accessibility().setTrusted(true);
    EXPECT_TRUE(shown(openButton)); // nothing is polled while the app is in the background
    // Coming back to the app reads "requires approval": the toggle shows it, and the item the
    // person just registered stays registered.
    NotificationCenter& center = sim->notifications();
    center.post(kApplicationDidBecomeActiveNotification);
    EXPECT_FALSE(shown(openButton));
    EXPECT_TRUE(shown(find<QLabel>(row, "granted")));
    EXPECT_FALSE(launch->isChecked());
    EXPECT_EQ(items.unregisterCalls(), 0);
    EXPECT_EQ(items.status(), LoginItemStatus::RequiresApproval);

    items.approve();
    center.post(kApplicationDidBecomeActiveNotification);
    EXPECT_TRUE(launch->isChecked());
    // A failed call puts the toggle back to what the service reports.
    items.failNextCall("Operation not permitted");
    click(launch);
    EXPECT_TRUE(launch->isChecked());
    EXPECT_EQ(items.status(), LoginItemStatus::Enabled);
}

TEST_F(SettingsWindowTest, UsageEventsShowTheNextBodyAndFollowTheOptOutWrittenByAnotherProcess)
{
    std::unique_ptr<vmac::ScriptedHttpClient> http;
    vmac::VirtualSystemInfo system;
    std::unique_ptr<Telemetry> telemetry;
    beforeOpening = [&] {
        http = std::make_unique<vmac::ScriptedHttpClient>(sim->runLoop());
        telemetry = std::make_unique<Telemetry>(Telemetry::Services { store(), sim->virtualClock(), *http, system },
            TelemetryEndpoint { "https://events.example.org", "a.b.c" });
        scene->setTelemetry(telemetry.get());
    };
    open();
    auto* body = find<QPlainTextEdit>(&window(), "usageEventsBody");
    auto* summary = find<QLabel>(&window(), "usageEventsSummary");
    auto* optOut = find<QLabel>(&window(), "usageEventsOptOut");
    ASSERT_TRUE(shown(body));
    EXPECT_NE(body->toPlainText().indexOf(R"("event_type":"app_first_launch")"), -1);
    EXPECT_EQ(optOut->text(), "To turn them off: talvora-defaults write telemetryDisabled -bool true");
    EXPECT_FALSE(store().object(PrefKey::telemetryAnonymousID)) << "showing the body makes no identifier";
    EXPECT_EQ(find<QLabel>(&window(), "usageEventsDestination")->text(),
        "Sent to: POST https://events.example.org/rest/v1/tv_events");

    // The first launch goes out: the next body is exactly what was sent, as the day's launch.
    telemetry->sendLaunchEvent();
    sim->runFor(1.0);
    ASSERT_EQ(http->requests().size(), 1u);
    std::string next = http->requests()[0].body;
    next.replace(next.find("app_first_launch"), 16, "app_launch");
    EXPECT_EQ(body->toPlainText().toStdString(), next);
    EXPECT_NE(find<QLabel>(&window(), "usageEventsSchedule")->text().indexOf("last sent"), -1);

    auto result = test_support::runTool(
        { TALVORA_DEFAULTS_TOOL, "--home", temp.home.root, "write", PrefKey::telemetryDisabled, "-bool", "true" }, temp.home.root);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    sim->runFor(1.0);
    EXPECT_EQ(summary->text(), "Usage events are turned off. Nothing is sent.");
    EXPECT_FALSE(shown(body));
    EXPECT_EQ(optOut->text(), "To turn them on again: talvora-defaults delete telemetryDisabled");
    TearDown(); // the window goes before the telemetry it describes
}

// The pictures' files are checked by the headless demo's test.
TEST_F(SettingsWindowTest, EveryTabHasItsIconAndASharperPictureAtTwoPixelsAPoint)
{
    open();
    for (auto tab : kSettingsTabs) {
        EXPECT_FALSE(window().tabs()->tabIcon(static_cast<int>(tab)).isNull());
        EXPECT_EQ(window().picture(tab, 2).size(), window().picture(tab, 1).size() * 2);
    }
}

} // namespace
