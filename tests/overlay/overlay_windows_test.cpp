#include "support/click_desk.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace talvora;
using test_support::ClickDesk;
using test_support::DesktopBuilder;

namespace {

// The app on two displays side by side, the second one a little higher.
struct TwoDisplays : ClickDesk {
    TwoDisplays()
        : ClickDesk(test_support::twoDisplayDesk())
    {
    }

    OverlayWindows& overlays() { return *sim->app().overlays(); }
    AppWindow& overlayOn(DisplayID id) { return const_cast<MissionControlOverlay&>(overlays().overlayWindowsByScreen().at(id)).window(); }
    bool ignores(DisplayID id) { return overlayOn(id).ignoresMouseEvents(); }
    std::vector<std::string> setupLines() const { return lines("[setup] per-screen overlays"); }
};

} // namespace

TEST(OverlayWindows, OneClickThroughWindowPerDisplayOverItsScreenAndAHiddenRootWindow)
{
    TwoDisplays app;
    auto& byScreen = app.overlays().overlayWindowsByScreen();
    ASSERT_EQ(byScreen.size(), 2u);
    Screens& screens = app.mac();
    for (const auto& screen : screens.screens()) {
        const AppWindow& w = byScreen.at(displayIDOf(screen)).window();
        EXPECT_EQ(w.frame(), screen.frame);
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.ignoresMouseEvents());
        EXPECT_FALSE(w.canBecomeKeyWindow());
        EXPECT_FALSE(w.canBecomeMainWindow());
    }
    EXPECT_EQ(app.setupLines(), std::vector<std::string> { "[setup] per-screen overlays: 2 screens, ids=[1, 2]" });

    // The window server lists them under the app's own process at the pop-up-menu level.
    const auto own = app.mac().ownWindows();
    const auto overlays = std::count_if(own.begin(), own.end(), [](const auto& w) {
        return w->level() == 101 && w->collectionBehavior() == 0x111 && !w->hasShadow() && !w->isOpaque()
            && w->backgroundColor() == WindowColor::clear();
    });
    EXPECT_EQ(overlays, 2);

    auto root = app.sim->app().rootWindow();
    ASSERT_TRUE(root);
    EXPECT_EQ(app.overlays().hiddenRootWindow(), root);
    EXPECT_EQ(root->frame(), (Rect { -2000, -2000, 1, 1 }));
    EXPECT_TRUE(root->ignoresMouseEvents());
    EXPECT_TRUE(root->isVisible()); // hidden by its alpha, not ordered out or closed
    auto& virtualRoot = static_cast<vmac::VirtualAppWindow&>(*root);
    EXPECT_EQ(virtualRoot.alphaValue(), 0);
    EXPECT_EQ(virtualRoot.styleMask(), WindowStyleMask::borderless);
}

TEST(OverlayWindows, OnlyTheDisplayOfAHoveredButtonTakesTheMouse)
{
    TwoDisplays app;
    app.openMissionControl();
    OverlayViewModel& vm = app.engine();
    // The overlays are display-sized windows in the list, under the app's own process; the
    // engine's own-process filter keeps them from becoming windows with icons.
    ASSERT_EQ(vm.activeWindows.value().size(), 3u);

    // An icon under the pointer without a button leaves the thumbnail around it clickable.
    vm.hoveredWindowID.publish(1002);
    EXPECT_TRUE(app.ignores(1));
    EXPECT_TRUE(app.ignores(2));

    vm.hoveredButton.publish(WindowButton { 1002, ButtonHoverKind::Close }); // a window on display 2
    EXPECT_TRUE(app.ignores(1));
    EXPECT_FALSE(app.ignores(2));
    EXPECT_FALSE(app.overlayOn(2).canBecomeKeyWindow());

    vm.hoveredButton.publish(std::nullopt);
    EXPECT_TRUE(app.ignores(1));
    EXPECT_TRUE(app.ignores(2));

    // A hovered id that is not among the active windows counts as no hover.
    vm.hoveredButton.publish(WindowButton { 4242, ButtonHoverKind::Close });
    EXPECT_TRUE(app.ignores(1));
    EXPECT_TRUE(app.ignores(2));
}

// A display goes while a button on it is hovered. The set is built afresh, the unchanged
// display's window included, and starts click-through although the hover stays; the root window
// is left where something moved it meanwhile.
TEST(OverlayWindows, UnpluggingADisplayRebuildsTheSetClickThroughAndLeavesTheRootWindowAlone)
{
    TwoDisplays app;
    app.openMissionControl();
    std::vector<std::weak_ptr<vmac::VirtualAppWindow>> before;
    for (const auto& w : app.mac().ownWindows()) {
        if (w->level() == 101)
            before.push_back(w);
    }
    ASSERT_EQ(before.size(), 2u);
    auto root = app.sim->app().rootWindow();
    root->setFrame({ 10, 10, 200, 100 }, false);
    OverlayViewModel& vm = app.engine();
    vm.hoveredButton.publish(WindowButton { 1002, ButtonHoverKind::Close });
    ASSERT_FALSE(app.ignores(2));

    app.mac().removeDisplay(2);
    app.sim->runFor(0.5);
    auto& byScreen = app.overlays().overlayWindowsByScreen();
    ASSERT_EQ(byScreen.size(), 1u);
    EXPECT_TRUE(app.ignores(1));
    EXPECT_EQ(app.setupLines().back(), "[setup] per-screen overlays: 1 screens, ids=[1]");
    for (const auto& old : before)
        EXPECT_TRUE(old.expired());
    const auto own = app.mac().ownWindows();
    EXPECT_EQ(std::count_if(own.begin(), own.end(), [](const auto& w) { return w->level() == 101; }), 1);
    auto view = std::dynamic_pointer_cast<vmac::VirtualAppWindow>(own.back());
    ASSERT_TRUE(view);
    auto* content = dynamic_cast<const OverlayContentView*>(view->contentView().get());
    ASSERT_TRUE(content);
    EXPECT_EQ(content->screenID(), 1u);
    EXPECT_EQ(root->frame(), (Rect { 10, 10, 200, 100 })) << "the root window is hidden once only";

    vm.hoveredButton.publish(WindowButton { 1001, ButtonHoverKind::Close });
    EXPECT_FALSE(app.ignores(1));
}

TEST(OverlayWindows, TwoScreensWithOneIdKeepOnlyTheLaterOverlay)
{
    ClickDesk app(
        DesktopBuilder().display(std::nullopt, { 0, 0, 1440, 900 }).display(std::nullopt, { 1440, 0, 1280, 800 }),
        /*settle=*/0.2);
    auto& byScreen = app.sim->app().overlays()->overlayWindowsByScreen();
    ASSERT_EQ(byScreen.size(), 1u);
    EXPECT_EQ(byScreen.begin()->first, 0u);
    EXPECT_EQ(byScreen.begin()->second.window().frame().width, 1280);
    // The earlier window of the pair does not linger on screen with nothing to tear it down.
    const auto own = app.mac().ownWindows();
    EXPECT_EQ(std::count_if(own.begin(), own.end(), [](const auto& w) { return w->level() == 101 && w->isVisible(); }), 1);
}
