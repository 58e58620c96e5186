#include "engine/closed_window_registry.h"
#include "engine/icon_geometry.h"
#include "settings/preference_keys.h"
#include "support/detector_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace talvora;
using test_support::DesktopBuilder;
using test_support::DetectorFixture;
using test_support::twoApps;
using test_support::twoDisplays;
using testing::ElementsAre;
using testing::Optional;

namespace {

// A 51-point icon at full scale over a 200 × 150 thumbnail centred at (400, 375): its corners
// are at x 374.5 and 425.5, y 349.5 and 400.5; its hover zone is [319.5, 480.5) × [294.5, 455.5).
WindowInfo iconAt400x375(double scaleFactor = 1)
{
    WindowInfo w;
    w.localBounds = { 300, 300, 200, 150 };
    w.currentPosition = { 400, 375 };
    w.scaleFactor = scaleFactor;
    return w;
}

double justBelow(double v)
{
    return std::nextafter(v, -std::numeric_limits<double>::infinity());
}

} // namespace

TEST(IconGeometry, HoverZoneReaches55PointsBeyondTheIconWithHalfOpenEdges)
{
    const IconPlacement icon = iconPlacement(iconAt400x375(), 51, 0);
    EXPECT_TRUE(hoverZoneContains(icon, { 319.5, 294.5 })) << "55 points left of and above the icon, edges included";
    EXPECT_FALSE(hoverZoneContains(icon, { justBelow(319.5), 375 }));
    EXPECT_FALSE(hoverZoneContains(icon, { 480.5, 375 })) << "the right edge is outside";
    EXPECT_FALSE(hoverZoneContains(icon, { 400, 455.5 })) << "and so is the bottom edge";
    EXPECT_TRUE(hoverZoneContains(icon, { justBelow(480.5), justBelow(455.5) }));
}

TEST(IconGeometry, ButtonsAreHitWithin18PointsOfTheIconsCorners)
{
    const WindowInfo w = iconAt400x375();
    const IconGeometrySettings top { 51, 0, /*buttonsOnBottom=*/false };
    const IconGeometrySettings bottom { 51, 0, /*buttonsOnBottom=*/true };
    EXPECT_TRUE(hitsCloseButton(w, { 374.5 + 18, 349.5 + 18 }, top)) << "the square's edges are hits";
    EXPECT_FALSE(hitsCloseButton(w, { 374.5 + 18.01, 349.5 }, top));
    EXPECT_TRUE(hitsMinimizeButton(w, { 425.5 - 18, 349.5 - 18 }, top));
    EXPECT_FALSE(hitsMinimizeButton(w, { 374.5, 349.5 }, top)) << "each button has its own corner";
    EXPECT_TRUE(hitsCloseButton(w, { 374.5, 400.5 }, bottom)) << "bottom-left";
    EXPECT_TRUE(hitsMinimizeButton(w, { 425.5, 400.5 }, bottom)) << "bottom-right";
    EXPECT_FALSE(hitsCloseButton(w, { 374.5, 400.5 }, top));
    // A 40-point icon: the window's scale of the setting. An offset beyond 1 brings it down
    // to the thumbnail's bottom edge; a damaged one leaves it centred.
    EXPECT_TRUE(hitsCloseButton(iconAt400x375(0.5), { 380, 410 }, { 80, 3, false }));
    EXPECT_TRUE(hitsCloseButton(iconAt400x375(0.5), { 380, 355 }, { 80, std::nan(""), false }));
}

namespace {

constexpr double kPrimaryHeight = 900;

// Mission Control on the virtual Mac as the detector sees it, with the pointer under the test's
// control. Positions are given in the window server's space; on display 1 that is also the
// overlay's.
struct HoverDesk : DetectorFixture {
    explicit HoverDesk(DesktopBuilder desktop = twoDisplays())
        : DetectorFixture(std::move(desktop))
    {
    }
    ~HoverDesk() { ClosedWindowRegistry::shared().removeAll(); }

    // Both windows shown as thumbnails unless told otherwise; the icons settle on them.
    void open(std::map<WindowNumber, Rect> thumbnails = test_support::twoDisplayThumbnails())
    {
        openMissionControl(std::move(thumbnails), 4, 40);
        ASSERT_EQ(engine->activeWindows.value().size(), 2u);
    }
    void pointAt(Point global) { sim->input().movePointer({ global.x, kPrimaryHeight - global.y }); }
    void pointAtAndTick(Point global)
    {
        pointAt(global);
        tick();
    }
    // On display 1, where the overlay's space is the window server's.
    Point buttonOf(WindowNumber id, ButtonHoverKind kind)
    {
        return buttonCenter(iconPlacement(*icon(id), 51, 0), kind, /*buttonsOnBottom=*/false);
    }
    CursorKind cursor() { return sim->input().cursor(); }
    int cursorChanges() { return sim->input().cursorChanges(); }
};

const WindowButton closeOf1001 { 1001, ButtonHoverKind::Close };

} // namespace

TEST(Hover, FollowsThePointerPublishingOnlyChangesWithTheHandOnlyOverAButton)
{
    HoverDesk d;
    d.open();
    ASSERT_EQ(d.icon(1001)->currentPosition, (Point { 400, 375 }));
    auto& e = *d.engine;
    const int changesBefore = d.cursorChanges();

    d.pointAtAndTick({ 400, 375 });
    EXPECT_THAT(e.hoveredWindowID.value(), Optional(1001u));
    EXPECT_EQ(e.hoveredButton.value(), std::nullopt);
    EXPECT_EQ(d.cursorChanges(), changesBefore) << "the cursor is set only when the button changes";
    d.ticks(5);
    EXPECT_EQ(e.hoveredWindowID.publicationCount(), 1u) << "a steady hover is published once";
    EXPECT_EQ(e.hoveredButton.publicationCount(), 0u);

    d.pointAtAndTick(d.buttonOf(1001, ButtonHoverKind::Close));
    EXPECT_THAT(e.hoveredButton.value(), Optional(closeOf1001));
    EXPECT_EQ(d.cursor(), CursorKind::PointingHand);
    d.ticks(5);
    EXPECT_EQ(e.hoveredButton.publicationCount(), 1u);
    EXPECT_EQ(e.hoveredWindowID.publicationCount(), 1u) << "moving onto a button keeps the window";

    d.pointAtAndTick(d.buttonOf(1001, ButtonHoverKind::Minimize));
    EXPECT_THAT(e.hoveredButton.value(), Optional(WindowButton { 1001, ButtonHoverKind::Minimize }));
    EXPECT_EQ(d.cursor(), CursorKind::PointingHand);

    d.pointAtAndTick({ 400, 375 });
    EXPECT_EQ(e.hoveredButton.value(), std::nullopt);
    EXPECT_EQ(d.cursor(), CursorKind::Arrow);

    d.pointAtAndTick({ 1000, 800 });
    EXPECT_EQ(e.hoveredWindowID.value(), std::nullopt);
    EXPECT_EQ(e.hoveredWindowID.publicationCount(), 2u);
    EXPECT_EQ(d.cursorChanges(), changesBefore + 3);
}

TEST(Hover, OverlappingZonesGoToTheEarlierWindowAndClosedWindowsAreSkipped)
{
    HoverDesk d(twoApps());
    // Full-size icons 100 points apart: zones [319.5, 480.5) and [419.5, 580.5) wide.
    d.open({ { 1001, { 300, 300, 200, 150 } }, { 1002, { 400, 300, 200, 150 } } });
    auto& e = *d.engine;
    ASSERT_EQ(e.activeWindows.value()[0].id, 1001u) << "front to back, as the window list";
    ASSERT_EQ(d.icon(1002)->currentPosition, (Point { 500, 375 }));
    ASSERT_EQ(d.icon(1002)->scaleFactor, 1.0);

    d.pointAtAndTick({ 450, 375 });
    EXPECT_THAT(e.hoveredWindowID.value(), Optional(1001u)) << "the earlier window, though the later is drawn on top";

    // Between a click that closes the window and the next tick its icon is still listed.
    ClosedWindowRegistry::shared().record(1001, d.dateNow());
    e.updateHover();
    EXPECT_THAT(e.hoveredWindowID.value(), Optional(1002u));
    d.pointAt({ 340, 375 });
    e.updateHover();
    EXPECT_EQ(e.hoveredWindowID.value(), std::nullopt) << "the closed window's own zone hovers nothing";
}

TEST(Hover, NothingIsHoveredWhileCloseOnHoverIsOff)
{
    HoverDesk d(twoDisplays().preference(PrefKey::closeOnHoverEnabled, false));
    d.open();
    d.pointAtAndTick({ 400, 375 });
    d.pointAtAndTick(d.buttonOf(1001, ButtonHoverKind::Close));
    EXPECT_EQ(d.engine->hoveredWindowID.publicationCount(), 0u);
    EXPECT_EQ(d.engine->hoveredButton.publicationCount(), 0u);
    EXPECT_EQ(d.cursorChanges(), 0);

    // Switched off while a button is under the pointer: the next settings refresh lets go.
    d.sim->preferences().set(PrefKey::closeOnHoverEnabled, true);
    d.tick(1.1);
    ASSERT_THAT(d.engine->hoveredButton.value(), Optional(closeOf1001));
    d.sim->preferences().set(PrefKey::closeOnHoverEnabled, false);
    d.tick(1.1);
    EXPECT_EQ(d.engine->hoveredWindowID.value(), std::nullopt);
    EXPECT_EQ(d.engine->hoveredButton.value(), std::nullopt);
    EXPECT_EQ(d.cursor(), CursorKind::Arrow);
}

TEST(Hover, ThePointersScreenIsTheOneWhoseFrameHoldsItElseTheMainScreen)
{
    HoverDesk d;
    d.open({ { 1001, { 0, 300, 100, 80 } }, { 1002, { 2000, 300, 600, 400 } } });
    auto& e = *d.engine;
    const WindowInfo& notes = *d.icon(1002);
    ASSERT_EQ(notes.hostScreenID, 2u);
    ASSERT_EQ(notes.currentPosition, (Point { 860, 600 })) << "local to display 2, whose top is at y = -100";

    d.pointAtAndTick({ 2300, 500 }); // global; (860, 600) on display 2
    EXPECT_THAT(e.hoveredWindowID.value(), Optional(1002u));

    d.pointAtAndTick({ 860, 600 }); // the same local point, but on display 1
    EXPECT_EQ(e.hoveredWindowID.value(), std::nullopt) << "a window is hovered only on its own screen";

    // Left of every display: counted on the main screen, where the zone of an icon at the
    // left edge reaches beyond the screen.
    ASSERT_EQ(d.icon(1001)->currentPosition, (Point { 50, 340 }));
    d.pointAtAndTick({ -10, 340 });
    EXPECT_THAT(e.hoveredWindowID.value(), Optional(1001u));
}

TEST(Hover, AWaitingFirstClickOutlivesAClearedHoverAndExpiresAfterTheDoubleClickInterval)
{
    HoverDesk d;
    d.open();
    auto& e = *d.engine;
    d.sim->input().setDoubleClickInterval(1.0);
    d.pointAtAndTick(d.buttonOf(1001, ButtonHoverKind::Close));
    e.pendingButtonClick.publish(PendingButtonClick { 1001, ButtonHoverKind::Close, d.sim->clock().mediaTime() });

    // A suppression period clears the hover but leaves the first click waiting.
    e.setSuppressOverlayUntil(d.dateNow().addingSeconds(0.5));
    d.tick(0.3);
    EXPECT_EQ(e.sampling().lastTickOutcome, TickOutcome::Suppressed);
    EXPECT_EQ(e.hoveredWindowID.value(), std::nullopt);
    EXPECT_EQ(e.hoveredButton.value(), std::nullopt);
    EXPECT_EQ(d.cursor(), CursorKind::Arrow);
    EXPECT_TRUE(e.pendingButtonClick.value());

    d.tick(0.4);
    EXPECT_EQ(e.sampling().lastTickOutcome, TickOutcome::Completed);
    EXPECT_TRUE(e.pendingButtonClick.value()) << "0.7 s: within the system's interval, longer than the default";
    d.tick(0.4);
    EXPECT_EQ(e.pendingButtonClick.value(), std::nullopt);
    d.ticks(3);
    EXPECT_EQ(e.pendingButtonClick.publicationCount(), 2u) << "armed once, emptied once";
}

TEST(Hover, LeavingMissionControlLetsGoOfTheHover)
{
    HoverDesk d;
    d.open();
    auto& e = *d.engine;
    std::vector<std::optional<WindowButton>> seen;
    auto subscription = e.hoveredButton.subscribe([&](const auto& button) { seen.push_back(button); });
    d.pointAtAndTick(d.buttonOf(1001, ButtonHoverKind::Close));

    // The backdrops go; the thumbnails stay where they are, and so does the pointer.
    d.server->extraBackdrops = 0;
    for (int i = 0; i < 20 && e.isMCActive.value(); ++i)
        d.tick();
    ASSERT_FALSE(e.isMCActive.value());
    // Fading icons stay hoverable, so the same tick hovers the button again.
    EXPECT_THAT(seen, ElementsAre(Optional(closeOf1001), std::nullopt, Optional(closeOf1001)));

    for (int i = 0; i < 60 && e.shouldShowIcons.value(); ++i)
        d.tick();
    ASSERT_FALSE(e.shouldShowIcons.value());
    EXPECT_EQ(e.hoveredWindowID.value(), std::nullopt);
    EXPECT_EQ(e.hoveredButton.value(), std::nullopt);
    EXPECT_EQ(d.cursor(), CursorKind::Arrow);
}

TEST(Hover, ASubscriberMayDestroyTheEngineWhenTheHoverChanges)
{
    HoverDesk d;
    d.open();
    const Point close = d.buttonOf(1001, ButtonHoverKind::Close);
    auto subscription = d.engine->hoveredWindowID.subscribe([&](const auto&) { d.engine.reset(); });
    // The window and its button change in one tick; the button must not be touched once the
    // engine is gone (the sanitizer build reports it).
    d.pointAtAndTick(close);
    EXPECT_EQ(d.engine, nullptr);
    EXPECT_EQ(d.cursorChanges(), 0);
}
