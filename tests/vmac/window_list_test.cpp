#include "engine/window_entry.h"
#include "support/desktop_builder.h"
#include "vmac/virtual_mac_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace talvora;
using test_support::DesktopBuilder;
using test_support::VirtualMacFixture;

namespace {

constexpr ProcessID kTalvora = 900;

struct Listed {
    WindowListReply reply;
    const WindowList& entries() const { return *reply.entries; }

    std::vector<const WindowEntry*> where(std::function<bool(const WindowEntry&)> predicate) const
    {
        std::vector<const WindowEntry*> found;
        for (const auto& e : entries()) {
            if (predicate(e))
                found.push_back(&e);
        }
        return found;
    }
    const WindowEntry* window(WindowNumber n) const
    {
        auto found = where([&](const WindowEntry& e) { return entryWindowNumber(e) == n; });
        return found.empty() ? nullptr : found.front();
    }
};

Listed list(vmac::VirtualMac& mac, WindowListOption option = WindowListOption::All)
{
    return { static_cast<WindowServer&>(mac).copyWindowList(option, 0) };
}

VirtualMacFixture twoDisplayMac(bool screenRecording = true)
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
    return VirtualMacFixture(scenario);
}

} // namespace

TEST(VirtualWindowList, OrderedByLayerThenFrontToBack)
{
    auto test = twoDisplayMac();
    auto& mac = test.mac;
    auto l = list(mac);
    ASSERT_TRUE(l.reply.ok());
    std::vector<long long> layers;
    for (const auto& e : l.entries())
        layers.push_back(*entryLayer(e));
    EXPECT_TRUE(std::is_sorted(layers.begin(), layers.end(), std::greater<>()));
    // Within layer 0 the front application's window comes first.
    auto apps = l.where([](const WindowEntry& e) { return entryLayer(e) == 0 && isOnScreenEntry(e); });
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(entryWindowNumber(*apps[0]), 1001u);
    mac.activateApp(502);
    apps = list(mac).where([](const WindowEntry& e) { return entryLayer(e) == 0 && isOnScreenEntry(e); });
    EXPECT_EQ(entryWindowNumber(*apps[0]), 1002u);
}

TEST(VirtualWindowList, EveryDisplayHasAMenuBarStatusItemsAndADesktopPicture)
{
    auto test = twoDisplayMac();
    auto& mac = test.mac;
    auto l = list(mac);
    auto menuBars = l.where([](const WindowEntry& e) { return entryOwnerName(e) == "Window Server" && entryLayer(e) == 24; });
    ASSERT_EQ(menuBars.size(), 2u);
    EXPECT_EQ(entryBounds(*menuBars[1]), (Rect { -1728, 0, 1728, 24 })) << "negative origins left of the primary";
    auto focusModes = l.where([](const WindowEntry& e) { return e.name.asString() == "FocusModes"; });
    EXPECT_EQ(focusModes.size(), 2u);
    EXPECT_TRUE(l.where([](const WindowEntry& e) { return e.name.asString() == "Item-0"; }).empty())
        << "no status item until the program makes one";
    auto item = static_cast<StatusBar&>(mac.statusBar()).statusItemWithVariableLength();
    l = list(mac);
    auto ownItems = l.where([](const WindowEntry& e) { return e.name.asString() == "Item-0"; });
    EXPECT_EQ(ownItems.size(), 2u) << "Talvora's status item on every menu bar";
    item.reset();
    EXPECT_TRUE(list(mac).where([](const WindowEntry& e) { return e.name.asString() == "Item-0"; }).empty()) << "gone with its handle";
    auto pictures = l.where([](const WindowEntry& e) { return entryLayer(e) == -2147483624; });
    ASSERT_EQ(pictures.size(), 2u);
    for (auto* p : pictures)
        EXPECT_EQ(entryOwnerName(*p), "Dock");
    auto dock = l.where([](const WindowEntry& e) { return entryLayer(e) == 20 && isOnScreenEntry(e); });
    ASSERT_EQ(dock.size(), 1u) << "the Dock's own window, on the primary display only";
    EXPECT_EQ(entryBounds(*dock[0]), (Rect { 0, 0, 1440, 900 }));
}

TEST(VirtualWindowList, OffScreenEntriesOutnumberOnScreenOnesAndLackTheKey)
{
    auto test = twoDisplayMac();
    auto& mac = test.mac;
    auto l = list(mac);
    auto onScreen = l.where([](const WindowEntry& e) { return isOnScreenEntry(e); });
    auto offScreen = l.where([](const WindowEntry& e) { return !isOnScreenEntry(e); });
    EXPECT_GE(offScreen.size(), onScreen.size() * 8);
    for (auto* e : offScreen)
        EXPECT_TRUE(e->isOnscreen.isAbsent()) << "never written as false";
    EXPECT_EQ(list(mac, WindowListOption::OnScreenOnly).entries().size(), onScreen.size());
}

TEST(VirtualWindowList, NamesOfOtherProcessesNeedScreenRecording)
{
    auto test = twoDisplayMac(/*screenRecording=*/false);
    auto& mac = test.mac;
    auto item = static_cast<StatusBar&>(mac.statusBar()).statusItemWithVariableLength();
    auto l = list(mac);
    EXPECT_TRUE(l.window(1001)->name.isAbsent());
    EXPECT_EQ(l.where([](const WindowEntry& e) { return e.name.asString() == "Menubar"; }).size(), 2u);
    EXPECT_EQ(l.where([](const WindowEntry& e) { return e.name.asString() == "Item-0"; }).size(), 2u) << "our own names";
    mac.setScreenRecordingGranted(true);
    EXPECT_EQ(list(mac).window(1001)->name.asString(), "Start");
}

TEST(VirtualWindowList, HiddenMinimizedAndQuitApplicationsLeaveTheScreen)
{
    auto test = twoDisplayMac();
    auto& mac = test.mac;
    mac.setAppHidden(501, true);
    EXPECT_FALSE(isOnScreenEntry(*list(mac).window(1001)));
    EXPECT_EQ(static_cast<Workspace&>(mac).frontmostApplication()->processIdentifier(), 502) << "the next app comes forward";
    mac.setAppHidden(501, false);
    mac.setWindowMinimized(1001, true);
    EXPECT_FALSE(isOnScreenEntry(*list(mac).window(1001)));

    auto handle = static_cast<Workspace&>(mac).runningApplication(502);
    ASSERT_TRUE(handle);
    mac.quitApp(502);
    EXPECT_FALSE(list(mac).window(1002));
    EXPECT_TRUE(handle->isTerminated()) << "a handle taken earlier follows the process";
    EXPECT_FALSE(static_cast<Workspace&>(mac).runningApplication(502));
}

TEST(VirtualWindowList, RemovingTheRearDisplayGathersItsWindowsOntoTheOthers)
{
    auto test = twoDisplayMac();
    auto& mac = test.mac;
    mac.removeDisplay(2);
    auto bounds = entryBounds(*list(mac).window(1002));
    ASSERT_TRUE(bounds);
    EXPECT_GT(intersectionArea(*bounds, { 0, 0, 1440, 900 }), 0);
    EXPECT_EQ(static_cast<Screens&>(mac).screens().size(), 1u);
}

TEST(VirtualWindowList, RemovingThePrimaryMakesTheNextDisplayTheOrigin)
{
    auto test = twoDisplayMac();
    auto& mac = test.mac;
    mac.removeDisplay(1);
    auto screens = static_cast<Screens&>(mac).screens();
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].frame, (Rect { 0, 0, 1728, 1117 }));
    EXPECT_EQ(static_cast<WindowServer&>(mac).mainDisplayID(), 2u);
    EXPECT_EQ(static_cast<WindowServer&>(mac).displayBounds(2), (Rect { 0, 0, 1728, 1117 }));
}

TEST(VirtualWindowList, AFailedQueryFailsOnceAndTheListIsReusedUntilSomethingChanges)
{
    auto test = twoDisplayMac();
    auto& mac = test.mac;
    auto first = list(mac);
    EXPECT_EQ(list(mac).reply.entries, first.reply.entries);
    mac.failNextWindowListQuery(WindowListReply::Status::Malformed);
    auto failed = list(mac);
    EXPECT_EQ(failed.reply.status, WindowListReply::Status::Malformed);
    EXPECT_FALSE(failed.reply.ok());
    EXPECT_TRUE(list(mac).reply.ok());
    mac.moveWindow(1001, { 0, 30 });
    auto moved = list(mac);
    EXPECT_NE(moved.reply.entries, first.reply.entries);
    EXPECT_EQ(entryBounds(*moved.window(1001)), (Rect { 0, 30, 800, 600 }));
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
        auto l = list(test.mac, option);
        ASSERT_TRUE(l.reply.ok());
        // Highest layer first; within a layer, the desktop's front-to-back order.
        std::vector<std::pair<long long, std::size_t>> seen;
        for (const auto& e : l.entries()) {
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
            EXPECT_TRUE(std::is_sorted(l.entries().begin(), l.entries().end(),
                [](const WindowEntry& a, const WindowEntry& b) { return entryLayer(a).value_or(0) > entryLayer(b).value_or(0); }));
            // Helpers belong to applications, not to windows: thousands of windows do not bring
            // ten times as many of them.
            auto offScreen = l.where([](const WindowEntry& e) { return !isOnScreenEntry(e); });
            EXPECT_GE(offScreen.size(), 10000u);
            EXPECT_LE(offScreen.size(), 10000u + 600u);
        }
    }
}
