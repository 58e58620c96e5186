// The two click paths into the icons' buttons and the click-twice rule.

#include "settings/preference_keys.h"
#include "support/click_desk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace talvora;
using test_support::ClickDesk;
using test_support::twoDisplayDesk;
using testing::Optional;
using vmac::IconButton;

namespace {

PendingButtonClick armed(WindowNumber window, ButtonHoverKind kind, double at) { return { window, kind, at }; }

} // namespace

TEST(DoubleClickMode, ArmsFiresReArmsOnTheOtherButtonAndExpires)
{
    ClickDesk desk(twoDisplayDesk().preference(PrefKey::closeMinimizeDoubleClickRequired, true));
    desk.openMissionControl();
    auto& pending = desk.engine().pendingButtonClick;

    desk.clickButton(1001, IconButton::Close);
    const double firstAt = desk.sim->clock().mediaTime();
    EXPECT_THAT(pending.value(), Optional(armed(1001, ButtonHoverKind::Close, firstAt)));
    EXPECT_TRUE(desk.isListed(1001)) << "the first click only arms";
    EXPECT_EQ(desk.mac().missionControlPhase(), vmac::MissionControlPhase::Open) << "and is swallowed as well";

    // The other button within the interval arms that one instead.
    desk.clickButton(1001, IconButton::Minimize);
    EXPECT_THAT(pending.value(), Optional(armed(1001, ButtonHoverKind::Minimize, desk.sim->clock().mediaTime())));
    EXPECT_FALSE(desk.isMinimized(1001));
    desk.clickButton(1001, IconButton::Minimize);
    EXPECT_TRUE(desk.isMinimized(1001));
    EXPECT_EQ(pending.value(), std::nullopt);

    // Too late: the next click arms again (the expiry itself is the hover tests').
    desk.clickButton(1002, IconButton::Close);
    desk.sim->runFor(0.5 + 1.0 / 60);
    desk.clickButton(1002, IconButton::Close);
    EXPECT_TRUE(desk.isListed(1002));
}

TEST(Clicks, AClickOnTheThumbnailAroundAHoveredIconPicksIt)
{
    ClickDesk desk(twoDisplayDesk());
    desk.openMissionControl();
    // The pointer rests on the icon itself, between its buttons: hovered, no button.
    desk.sim->app().clickIconButton(1002, IconButton::Close);
    desk.sim->runFor(0.05);
    const Point onButton = desk.sim->input().pointerLocation();
    desk.sim->input().movePointer({ onButton.x + 20, onButton.y - 30 });
    desk.runUntil([&] { return !desk.engine().hoveredButton.value(); }, 0.1);
    ASSERT_EQ(desk.engine().hoveredWindowID.value(), std::optional<WindowNumber>(1002));
    desk.sim->runFor(0.1); // the scripted click lands here, off the button

    EXPECT_TRUE(desk.isListed(1002));
    EXPECT_EQ(desk.mac().desktop().windows.front().number, 1002u) << "the thumbnail was picked: its window is in front";
    EXPECT_NE(desk.mac().missionControlPhase(), vmac::MissionControlPhase::Open);
}

TEST(Clicks, TheTapPathActsOnlyOnAButtonOfTheHoveredIcon)
{
    ClickDesk desk(twoDisplayDesk());
    InputController& input = desk.sim->inputController();
    EXPECT_FALSE(input.handleTapMouseDown()) << "no icons shown";

    desk.openMissionControl();
    const Point onButton = desk.sim->app().iconButtonLocation(1003, IconButton::Minimize).value();
    desk.sim->input().movePointer(onButton);
    desk.sim->runFor(0.05);
    ASSERT_TRUE(desk.engine().hoveredButton.value());

    desk.sim->input().movePointer({ onButton.x + 19, onButton.y });
    EXPECT_FALSE(input.handleTapMouseDown()) << "19 points off the button's centre";
    desk.sim->input().movePointer({ onButton.x + 17.5, onButton.y - 17.5 });
    EXPECT_TRUE(input.handleTapMouseDown()) << "near the hit square's corner";
    desk.sim->runFor(0.01);
    EXPECT_TRUE(desk.isMinimized(1003));
    EXPECT_TRUE(desk.isListed(1001));
}

TEST(Clicks, AnOverlayClickOffTheButtonsIsPassedOnAndLogged)
{
    ClickDesk desk(twoDisplayDesk());
    desk.openMissionControl();
    desk.sim->input().movePointer(desk.sim->app().iconButtonLocation(1001, IconButton::Close).value());
    desk.sim->runFor(0.05);
    ASSERT_TRUE(desk.engine().hoveredButton.value());
    // An event delivered to the overlay of display 1 far from the button (the pointer moved
    // between the tick and the click).
    const auto& overlays = desk.sim->app().overlays()->overlayWindowsByScreen();
    const LocalEvent event { EventType::LeftMouseDown, overlays.at(1).windowRef(), { 700, 850 } };
    auto delivered = desk.sim->inputController().handleLocalMouseDown(event);
    EXPECT_TRUE(delivered);
    EXPECT_EQ(desk.lines("[event-mon]   click=").back(), "[event-mon]   click=(700.0, 50.0) inside=false");
    EXPECT_TRUE(desk.isListed(1001));
}
