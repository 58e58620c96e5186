#include "engine/window_entry.h"
#include "support/desktop_builder.h"
#include "vmac/virtual_mac_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace talvora;
using test_support::DesktopBuilder;
using test_support::VirtualMacFixture;

namespace {

// Display 2 lies left of the primary, at a negative origin.
vmac::Scenario twoDisplays(bool screenRecording = true)
{
    auto scenario = DesktopBuilder()
                        .display(1, { 0, 0, 1440, 900 })
                        .display(2, { -1728, 0, 1728, 1117 })
                        .app(501, "Safari")
                        .app(502, "Notes")
                        .window(1001, 501, { 100, 100, 800, 600 }, "Start")
                        .window(1002, 502, { -1500, 100, 600, 500 }, "List")
                        .front(501)
                        .build();
    scenario.desktop.screenRecordingGranted = screenRecording;
    return scenario;
}

std::vector<WindowEntry> named(const WindowListReply& reply, const std::string& name)
{
    std::vector<WindowEntry> found;
    std::copy_if(reply.entries->begin(), reply.entries->end(), std::back_inserter(found),
        [&](const WindowEntry& e) { return e.name.asString() == name; });
    return found;
}

} // namespace

// Every display has a menu bar with the system's status items and, once the program makes one,
// Talvora's. Without screen recording the names of other processes' windows are left out, but
// not the window server's own nor the program's. That every display has its desktop picture,
// and the primary the Dock's own window, the Mission Control tests' backdrop counts show.
TEST(VirtualWindowList, MenuBarsStatusItemsAndNamesWithoutScreenRecording)
{
    VirtualMacFixture f(twoDisplays(/*screenRecording=*/false));
    auto menuBars = f.onScreenAtLayer(24);
    ASSERT_EQ(menuBars.size(), 2u);
    EXPECT_EQ(entryOwnerName(menuBars[1]), "Window Server");
    EXPECT_EQ(entryBounds(menuBars[1]), (Rect { -1728, 0, 1728, 24 })) << "negative origins left of the primary";
    EXPECT_EQ(named(f.list(), "Menubar").size(), 2u);
    EXPECT_TRUE(named(f.list(), "Item-0").empty()) << "no status item until the program makes one";
    auto item = static_cast<StatusBar&>(f.mac.statusBar()).statusItemWithVariableLength();
    EXPECT_EQ(named(f.list(), "Item-0").size(), 2u) << "the program's own, on every menu bar";
    EXPECT_TRUE(f.entry(1001)->name.isAbsent());

    f.mac.setScreenRecordingGranted(true);
    EXPECT_EQ(f.entry(1001)->name.asString(), "Start");
    EXPECT_EQ(named(f.list(), "FocusModes").size(), 2u);
    item.reset();
    EXPECT_TRUE(named(f.list(), "Item-0").empty()) << "gone with its handle";
}

TEST(VirtualWindowList, HiddenMinimizedAndQuitApplicationsLeaveTheScreen)
{
    VirtualMacFixture f(twoDisplays());
    f.mac.setAppHidden(501, true);
    EXPECT_FALSE(f.onScreen(1001));
    EXPECT_EQ(f.frontPID(), 502) << "the next app comes forward";
    f.mac.setAppHidden(501, false);
    f.mac.setWindowMinimized(1001, true);
    EXPECT_FALSE(f.onScreen(1001));

    auto handle = static_cast<Workspace&>(f.mac).runningApplication(502);
    ASSERT_TRUE(handle);
    f.mac.quitApp(502);
    EXPECT_FALSE(f.entry(1002));
    EXPECT_TRUE(handle->isTerminated()) << "a handle taken earlier follows the process";
    EXPECT_FALSE(static_cast<Workspace&>(f.mac).runningApplication(502));
}

// The windows of a removed display gather onto the others; without the primary, the next
// display becomes the origin of the coordinates.
TEST(VirtualWindowList, RemovingADisplay)
{
    VirtualMacFixture rear(twoDisplays());
    rear.mac.removeDisplay(2);
    EXPECT_GT(intersectionArea(rear.bounds(1002), { 0, 0, 1440, 900 }), 0);
    EXPECT_EQ(static_cast<Screens&>(rear.mac).screens().size(), 1u);

    VirtualMacFixture primary(twoDisplays());
    primary.mac.removeDisplay(1);
    auto screens = static_cast<Screens&>(primary.mac).screens();
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].frame, (Rect { 0, 0, 1728, 1117 }));
    EXPECT_EQ(static_cast<WindowServer&>(primary.mac).mainDisplayID(), 2u);
    EXPECT_EQ(static_cast<WindowServer&>(primary.mac).displayBounds(2), (Rect { 0, 0, 1728, 1117 }));
}

TEST(VirtualWindowList, ManyWindowsOnMixedLayersKeepTheirOrderAndHelpersStayBounded)
{
    // Windows written in an order far from the list's: layers interleaved, some minimized, so
    // that the entries move in long cycles into place and the on-screen list drops some.
    DesktopBuilder builder;
    builder.display(1, { 0, 0, 1440, 900 }).app(501, "Safari").app(502, "Notes");
    for (int i = 0; i < 3000; ++i)
        builder.window(static_cast<WindowNumber>(2000 + i), i % 2 ? 501 : 502, { 10.0 + i % 400, 40, 300, 200 }, "W" + std::to_string(i));
    auto scenario = builder.build();
    const int layers[] = { 0, 3, 0, 8, 3, 0, 25 };
    for (std::size_t i = 0; i < scenario.desktop.windows.size(); ++i) {
        scenario.desktop.windows[i].layer = layers[i % std::size(layers)];
        scenario.desktop.windows[i].minimized = i % 5 == 4;
    }
    VirtualMacFixture test(scenario);

    for (auto option : { WindowListOption::All, WindowListOption::OnScreenOnly }) {
        auto reply = test.list(option);
        ASSERT_TRUE(reply.ok());
        const auto& entries = *reply.entries;
        // Highest layer first; within a layer, the desktop's front-to-back order.
        std::vector<std::pair<long long, std::size_t>> seen;
        for (const auto& e : entries) {
            auto number = entryWindowNumber(e);
            if (number && *number >= 2000 && *number < 5000)
                seen.emplace_back(*entryLayer(e), *number - 2000);
        }
        const std::size_t expected = option == WindowListOption::All ? 3000 : 3000 - 600;
        ASSERT_EQ(seen.size(), expected);
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first > b.first : a.second < b.second;
        }));
        if (option == WindowListOption::All) {
            EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(),
                [](const WindowEntry& a, const WindowEntry& b) { return entryLayer(a).value_or(0) > entryLayer(b).value_or(0); }));
            // Helpers belong to applications, not to windows: thousands of windows do not bring
            // ten times as many of them.
            const auto offScreen = std::count_if(entries.begin(), entries.end(),
                [](const WindowEntry& e) { return !isOnScreenEntry(e); });
            EXPECT_GE(offScreen, 10000);
            EXPECT_LE(offScreen, 10000 + 600);
        }
    }
}
