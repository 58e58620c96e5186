#include "app/app_delegate.h"
#include "host/simulation.h"
#include "support/desktop_builder.h"
#include "support/temp_home.h"
#include "vmac/system_logs.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace talvora;
using test_support::DesktopBuilder;

namespace {

struct FakeSettingsScene final : SettingsScene {
    int opened = 0;
    void openSettings() override { ++opened; }
};

struct FakeUpdater final : Updater {
    int started = 0;
    int checks = 0;
    void start() override { ++started; }
    void checkForUpdates() override { ++checks; }
};

// The app on one display, with Safari in front, launched as the platform launches it.
struct Shell {
    test_support::TempHome home;
    vmac::RecordingSystemLog log;
    std::unique_ptr<host::Simulation> sim;
    bool terminated = false;

    explicit Shell(std::function<void(ShellServices&)> plugIn = {})
    {
        auto scenario = DesktopBuilder()
                            .display(1, { 0, 0, 1440, 900 })
                            .app(501, "Safari")
                            .window(1001, 501, { 100, 80, 900, 650 }, "Start")
                            .front(501)
                            .build();
        sim = std::make_unique<host::Simulation>(std::move(scenario), home.home, log);
        if (plugIn)
            plugIn(sim->app().shellServices());
        sim->app().onTerminate = [this] { terminated = true; };
    }
    ~Shell() { sim.reset(); }

    void launch()
    {
        sim->start();
        sim->runFor(0.2);
    }
    std::vector<std::string> appLines() const
    {
        std::vector<std::string> lines;
        for (const auto& r : log.records()) {
            if (r.message.starts_with("[setup]") || r.message.starts_with("[permission]") || r.message.starts_with("[settings]"))
                lines.push_back(r.message);
        }
        return lines;
    }
    vmac::VirtualStatusBar& bar() { return sim->mac().statusBar(); }
    // Clicks the status item on the first display and then the menu's row with this title.
    void chooseFromStatusMenu(const std::string& title)
    {
        auto item = sim->mac().ownStatusItemFrame(0);
        ASSERT_TRUE(item);
        auto& mac = sim->mac();
        auto target = sim->app().events().click(mac.appKitPoint({ item->x + item->width / 2, item->y + item->height / 2 })).target;
        ASSERT_EQ(target.kind, vmac::ClickTarget::Kind::StatusItem);
        ASSERT_TRUE(bar().isMenuOpen());
        const auto& items = bar().item()->menu.items;
        auto it = std::find_if(items.begin(), items.end(), [&](const MenuItem& m) { return m.title == title; });
        ASSERT_NE(it, items.end()) << title;
        const Rect row = bar().openMenuLayout()->rows[static_cast<std::size_t>(it - items.begin())];
        target = sim->app().events().click(mac.appKitPoint({ row.x + 20, row.y + row.height / 2 })).target;
        EXPECT_EQ(target.kind, vmac::ClickTarget::Kind::Menu);
        EXPECT_FALSE(bar().isMenuOpen()) << "the menu closes when a row is chosen";
        sim->runFor(0.05);
    }
};

} // namespace

TEST(AppShell, StartsOnceInOrderAndShowsTheStatusItemWithItsMenu)
{
    Shell shell;
    EXPECT_EQ(shell.bar().item(), nullptr) << "no status item before the app has launched";
    shell.launch();

    // The start sequence ran one main-queue turn after the first appearance: the overlays
    // first, then the permission check, then the input monitor.
    auto& view = *shell.sim->app().app().contentView();
    EXPECT_TRUE(view.hasStarted());
    EXPECT_EQ(view.startCount(), 1);
    EXPECT_EQ(shell.appLines(), (std::vector<std::string> { "[setup] per-screen overlays: 1 screens, ids=[1]", "[permission] screen-recording preflight=true" }));
    EXPECT_TRUE(shell.sim->engine().isMonitoringUserInput());
    EXPECT_GT(view.tickCount(), 0);

    // A second appearance rebuilds nothing and starts nothing again.
    const auto overlaysBefore = shell.sim->app().overlays()->overlayWindowsByScreen().size();
    view.onAppear();
    shell.sim->runFor(0.2);
    EXPECT_EQ(view.startCount(), 1);
    EXPECT_EQ(shell.appLines().size(), 2u);
    EXPECT_EQ(shell.sim->app().overlays()->overlayWindowsByScreen().size(), overlaysBefore);

    const auto* item = shell.bar().item();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(shell.bar().itemsCreated(), 1);
    ASSERT_TRUE(item->image);
    EXPECT_EQ(item->image->source, StatusItemImage::Source::Symbol) << "no MenuBarIcon resource: the platform symbol";
    EXPECT_EQ(item->image->name, "desktopcomputer");
    EXPECT_EQ(item->image->accessibilityDescription, "Talvora");
    EXPECT_EQ(item->toolTip, "Talvora");
    // The titles are the end-to-end test's, Command-Q the menu test's.
    ASSERT_EQ(item->menu.items.size(), 4u);
    EXPECT_EQ(item->menu.items[0].keyEquivalent, ",");
    EXPECT_TRUE(item->menu.items[2].isSeparator);
}

// Each row of the status menu, chosen with the pointer: Preferences, Check for Updates, Quit.
TEST(AppShell, EachRowOfTheStatusMenuDoesItsWork)
{
    FakeSettingsScene settings;
    FakeUpdater updater;
    Shell shell([&](ShellServices& services) {
        services.settingsScene = &settings;
        services.updater = &updater;
    });
    NotificationCenter& center = shell.sim->notifications();
    int activeNotices = 0;
    std::vector<std::string> order;
    auto active = center.addObserver(kApplicationDidBecomeActiveNotification, [&] {
        ++activeNotices;
    });
    auto ending = center.addObserver(kApplicationWillTerminateNotification, [&] {
        order.push_back("will-terminate");
    });
    shell.sim->app().onTerminate = [&] { order.push_back("terminated"); };
    int launches = 0;
    shell.sim->app().shellServices().sendLaunchEvent = [&] {
        ++launches;
        EXPECT_EQ(updater.started, 0) << "the launch is recorded before the updater starts";
    };
    shell.launch();
    EXPECT_EQ(launches, 1);
    EXPECT_EQ(updater.started, 1);
    ASSERT_EQ(shell.sim->mac().desktop().frontmostPID, 501);

    // Preferences brings the app forward and opens the settings scene.
    shell.chooseFromStatusMenu("Preferences\u2026");
    EXPECT_EQ(settings.opened, 1);
    EXPECT_EQ(shell.sim->mac().desktop().frontmostPID, shell.sim->mac().ownPID());
    EXPECT_EQ(activeNotices, 1);
    shell.chooseFromStatusMenu("Preferences\u2026");
    EXPECT_EQ(settings.opened, 2) << "the scene brings its one window forward";
    EXPECT_EQ(activeNotices, 1) << "already active";

    EXPECT_TRUE(shell.bar().item()->menu.items[1].isEnabled);
    shell.chooseFromStatusMenu("Check for Updates\u2026");
    EXPECT_EQ(updater.checks, 1);
    EXPECT_EQ(updater.started, 1);

    shell.chooseFromStatusMenu("Quit Talvora");
    EXPECT_EQ(order, (std::vector<std::string> { "will-terminate", "terminated" }));
    EXPECT_FALSE(shell.sim->mac().ownStatusItemFrame(0)) << "the item leaves the menu bar with the process";
}

TEST(AppShell, CommandQWithTheMenuOpenQuitsAndAClickElsewhereOnlyClosesIt)
{
    Shell shell;
    shell.launch();
    // Without a settings window, asking for one is logged.
    shell.chooseFromStatusMenu("Preferences\u2026");
    EXPECT_EQ(shell.appLines().back(),
        "[settings] open requested, but this build has no settings window");

    auto& mac = shell.sim->mac();
    auto item = *mac.ownStatusItemFrame(0);
    shell.sim->app().events().click(mac.appKitPoint({ item.x + 5, item.y + 5 }));
    ASSERT_TRUE(shell.bar().isMenuOpen());
    EXPECT_FALSE(shell.bar().choose(1)) << "Check for Updates… without an updater is dimmed";
    EXPECT_FALSE(shell.bar().choose(2)) << "the separator";
    // Clicking outside the menu closes it and goes nowhere else: Safari stays in front.
    auto target = shell.sim->app().events().click(mac.appKitPoint({ 600, 500 })).target;
    EXPECT_EQ(target.kind, vmac::ClickTarget::Kind::Menu);
    EXPECT_FALSE(target.row);
    EXPECT_FALSE(shell.bar().isMenuOpen());
    EXPECT_FALSE(shell.bar().performKeyEquivalent("q")) << "no menu open: nothing to choose";

    shell.sim->app().events().click(mac.appKitPoint({ item.x + 5, item.y + 5 }));
    EXPECT_TRUE(shell.bar().performKeyEquivalent("q"));
    shell.sim->runFor(0.05);
    EXPECT_TRUE(shell.terminated);
}
