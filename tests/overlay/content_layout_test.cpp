#include "overlay/activity_reporter.h"
#include "overlay/content_layout.h"
#include "overlay/halo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

using namespace talvora;

namespace {

constexpr DisplayID kScreen = 7;

template<typename T>
const T& item(const WindowGroup& group, std::size_t nth = 0)
{
    for (const auto& i : group.items) {
        if (auto* t = std::get_if<T>(&i); t && nth-- == 0)
            return *t;
    }
    throw std::runtime_error("missing item");
}

template<typename T>
bool has(const WindowGroup& group)
{
    return std::ranges::any_of(group.items, [](auto& i) { return std::holds_alternative<T>(i); });
}

// A thumbnail at (100, 200), 300 × 160 points; with the default settings its 51-point icon is
// centred at (245, 280), half side 25.5, top edge at 254.5.
struct OverlayLayout : ::testing::Test {
    OverlayContentSettings settings;
    std::vector<WindowInfo> windows;
    std::vector<PinnedAppEntry> pinned;
    OverlayEngineState engine;

    OverlayLayout()
    {
        engine.shouldShowIcons = true;
        engine.iconOpacity = 1;
    }
    WindowInfo& addWindow(WindowNumber id, DisplayID screen = kScreen)
    {
        WindowInfo& w = windows.emplace_back();
        w.id = id;
        w.displayName = "Notes";
        w.title = "Groceries";
        w.localBounds = { 100, 200, 300, 160 };
        w.icon = std::make_shared<Image>();
        w.currentPosition = { 245, 283 };
        w.hostScreenID = screen;
        return w;
    }
    std::vector<WindowGroup> layout(double time = 0)
    {
        engine.activeWindows = windows;
        return layoutOverlayContent(kScreen, engine, settings, pinned, time).groups;
    }
    WindowGroup first() { return layout().at(0); }
};

} // namespace

TEST_F(OverlayLayout, IconSizeFallbackAndVerticalOffset)
{
    addWindow(1).scaleFactor = 0.8;
    settings.iconMaxSize = 5;
    EXPECT_DOUBLE_EQ(item<IconItem>(first()).side, 51 * 0.8) << "as if it were 51";

    windows[0].scaleFactor = 1;
    auto centreAt = [&](double offset) {
        settings.iconYOffset = offset;
        return item<IconItem>(first()).center;
    };
    EXPECT_EQ(centreAt(0), (Point { 245, 280 })) << "x from the smoothed anchor, y from the thumbnail";
    EXPECT_EQ(centreAt(-1).y, 225.5);
    EXPECT_EQ(centreAt(0.5).y, 307.25);
    EXPECT_EQ(centreAt(3).y, 334.5) << "clamped to 1: bottom edge on the thumbnail's bottom";
    windows[0].localBounds.height = 40; // lower than the icon
    EXPECT_EQ(centreAt(1).y, 220);
}

TEST_F(OverlayLayout, LabelAboveTheIconWithAndWithoutTitle)
{
    addWindow(1);
    auto withTitle = item<LabelItem>(first());
    EXPECT_EQ(withTitle.center.x, 245);
    EXPECT_DOUBLE_EQ(withTitle.center.y, 254.5 - 11 - 0.7 * (11 + 10));
    EXPECT_EQ(withTitle.maxWidth, 220);
    EXPECT_EQ(withTitle.name.weight, FontWeight::Semibold);
    ASSERT_TRUE(withTitle.title);
    EXPECT_EQ(withTitle.title->text, "Groceries");
    EXPECT_EQ(withTitle.title->color.alpha, 0.85);

    windows[0].title = "";
    settings.closeMinimizeButtonsOnBottom = true; // must not move the label
    auto nameOnly = item<LabelItem>(first());
    EXPECT_FALSE(nameOnly.title);
    EXPECT_DOUBLE_EQ(nameOnly.center.y, 254.5 - 11 - 7.7);

    windows[0].title = "Groceries";
    settings.nameTextSize = 4; // below 6: 11
    settings.titleTextSize = 16;
    EXPECT_DOUBLE_EQ(item<LabelItem>(first()).center.y, 254.5 - 11 - 0.7 * (11 + 16));
}

TEST_F(OverlayLayout, OpacitiesWithAndWithoutFading)
{
    addWindow(1).placementOpacity = 0.6;
    engine.previousActiveWindowID = engine.hoveredWindowID = 1;
    engine.iconOpacity = 0.5;
    auto faded = first();
    EXPECT_DOUBLE_EQ(item<IconItem>(faded).opacity, 0.5 * 0.6 * 0.8);
    EXPECT_DOUBLE_EQ(item<HaloItem>(faded).opacity, 0.5 * 0.6 * 0.8);
    EXPECT_DOUBLE_EQ(item<LabelItem>(faded).opacity, 0.5 * 0.6 * 0.95);
    EXPECT_EQ(item<ButtonItem>(faded).opacity, 0.5) << "buttons follow the global fade only";

    settings.fadeEnabled = false;
    auto unfaded = first();
    EXPECT_DOUBLE_EQ(item<IconItem>(unfaded).opacity, 0.5 * 0.8);
    EXPECT_DOUBLE_EQ(item<HaloItem>(unfaded).opacity, 0.5 * 0.8);
    EXPECT_DOUBLE_EQ(item<LabelItem>(unfaded).opacity, 0.5 * 0.95);
    EXPECT_EQ(item<ButtonItem>(unfaded, 1).opacity, 0.5);

    settings.iconMaxOpacity = 1.5; // written out of range by hand
    engine.iconOpacity = 1;
    EXPECT_EQ(item<IconItem>(first()).opacity, 1);
}

TEST_F(OverlayLayout, ThisScreensWindowsWithIconsInOrderEachBackToFront)
{
    addWindow(3);
    addWindow(4, /*screen=*/8);
    addWindow(5).icon = nullptr;
    addWindow(6);
    engine.previousActiveWindowID = engine.hoveredWindowID = 5;
    auto groups = layout();
    ASSERT_EQ(groups.size(), 2u) << "nothing at all for another screen's window or one without an icon";
    EXPECT_EQ(groups[0].windowID, 3u);
    EXPECT_EQ(groups[1].windowID, 6u);

    engine.previousActiveWindowID = engine.hoveredWindowID = 3;
    const auto items = layout()[0].items;
    ASSERT_EQ(items.size(), 5u);
    EXPECT_TRUE(std::holds_alternative<HaloItem>(items[0]));
    EXPECT_TRUE(std::holds_alternative<IconItem>(items[1]));
    EXPECT_TRUE(std::holds_alternative<LabelItem>(items[2])) << "a label background never covers a button";
    EXPECT_EQ(std::get<ButtonItem>(items[3]).kind, ButtonHoverKind::Close);
    EXPECT_EQ(std::get<ButtonItem>(items[4]).kind, ButtonHoverKind::Minimize);

    engine.shouldShowIcons = false;
    EXPECT_TRUE(layout().empty());
}

TEST_F(OverlayLayout, ButtonsOnTheHoveredIconsCornersWithTheirOwnHoverAndArming)
{
    addWindow(1);
    addWindow(2);
    engine.hoveredWindowID = 1;
    engine.hoveredButton = WindowButton { 1, ButtonHoverKind::Minimize };
    engine.pendingButtonClick = WindowButton { 1, ButtonHoverKind::Close };
    auto groups = layout();
    EXPECT_FALSE(has<ButtonItem>(groups[1]));
    const auto& close = item<ButtonItem>(groups[0], 0);
    const auto& minimize = item<ButtonItem>(groups[0], 1);
    EXPECT_EQ(close.center, (Point { 219.5, 254.5 }));
    EXPECT_EQ(minimize.center, (Point { 270.5, 254.5 }));
    EXPECT_EQ(close.appearance.symbolScale, 1.0);
    EXPECT_EQ(minimize.appearance.symbolScale, 1.15);
    EXPECT_EQ(close.appearance.armedRingColor.alpha, 1);
    EXPECT_EQ(minimize.appearance.armedRingColor.alpha, 0);

    settings.closeMinimizeButtonsOnBottom = true;
    EXPECT_EQ(item<ButtonItem>(first(), 1).center, (Point { 270.5, 305.5 }));
    settings.closeOnHoverEnabled = false;
    EXPECT_FALSE(has<ButtonItem>(first()));
}

TEST_F(OverlayLayout, HalosShareOnePhaseAndFollowTheIconSize)
{
    addWindow(41).bundleIdentifier = "a.notes";
    addWindow(42).scaleFactor = 0.5;
    pinned = { { "a.notes", std::nullopt } };
    engine.previousActiveWindowID = 42;
    settings.haloSizeMultiplier = 2;
    auto groups = layout(/*time=*/1234.5);
    const auto& pinnedHalo = item<HaloItem>(groups[0]);
    const auto& previousHalo = item<HaloItem>(groups[1]);
    EXPECT_EQ(pinnedHalo.color, settings.pinnedHaloColor());
    EXPECT_EQ(pinnedHalo.diameter, 102);
    EXPECT_EQ(pinnedHalo.center, item<IconItem>(groups[0]).center);
    EXPECT_EQ(previousHalo.diameter, 51);
    EXPECT_EQ(pinnedHalo.pulse, haloPulse(1.5, 1234.5));
    EXPECT_EQ(previousHalo.pulse, pinnedHalo.pulse);
}

TEST_F(OverlayLayout, ActivityReportedOnlyWhenIconsAppearSinceTheLastRender)
{
    struct Counter : ActivityReporter {
        int count = 0;
        void sendActiveEvent() override { ++count; }
    } reporter;
    auto render = [&](std::optional<bool> last, bool now) {
        engine.shouldShowIcons = now;
        layoutOverlayContent(kScreen, engine, settings, pinned, 0, { &reporter, last });
        return reporter.count;
    };
    EXPECT_EQ(render(std::nullopt, true), 0) << "not on the view's first render";
    EXPECT_EQ(render(true, true), 0);
    EXPECT_EQ(render(true, false), 0);
    EXPECT_EQ(render(false, true), 1);
}

TEST(HaloColor, PinnedBeforePreviousWindowBeforeNothing)
{
    const RGBA orange { 1, 0.5, 0, 0.9 };
    OverlayContentSettings s;
    const std::vector<PinnedAppEntry> pinned { { "a.mail", std::nullopt }, { "a.notes", orange }, { "a.notes", RGBA {} } };
    auto color = [&](std::optional<std::string> bundle, std::optional<WindowNumber> previous) {
        return haloColor(1, bundle, previous, s, pinned);
    };
    EXPECT_EQ(color("a.notes", 1), orange) << "the first entry, and pinned wins over previous";
    EXPECT_EQ(color("a.mail", std::nullopt), s.pinnedHaloColor());
    EXPECT_EQ(color("A.MAIL", std::nullopt), std::nullopt) << "bundle identifiers match exactly";
    EXPECT_EQ(color(std::nullopt, 1), s.previousHaloColor());
    EXPECT_EQ(color("a.other", 2), std::nullopt);
    EXPECT_EQ(color("a.other", std::nullopt), std::nullopt);
    s.pinnedHaloEnabled = false;
    EXPECT_EQ(color("a.notes", 1), s.previousHaloColor());
    EXPECT_EQ(color("a.notes", std::nullopt), std::nullopt);
    s.highlightPreviousWindow = false;
    EXPECT_EQ(color("a.notes", 1), std::nullopt);
}

TEST(HaloPulse, OpacityAndScaleOverOnePeriodOfTheAbsoluteClock)
{
    auto atPhase = [](double intensity, double s) { return haloPulse(intensity, std::asin(2 * s - 1) / 4.5); };
    EXPECT_NEAR(atPhase(1.5, 0).opacity, 0.525, 1e-12);
    EXPECT_NEAR(atPhase(1.5, 0).scale, 0.92, 1e-12);
    EXPECT_NEAR(atPhase(1.5, 1).scale, 1.08, 1e-12);
    EXPECT_EQ(atPhase(1.5, 1).opacity, 1) << "capped";
    EXPECT_LT(atPhase(1.5, 0.70).opacity, 1);
    EXPECT_EQ(atPhase(1.5, 0.71).opacity, 1);
    EXPECT_EQ(atPhase(0, 1).opacity, 0) << "intensity 0 hides the halo";

    const double t = 812345.678, period = 2 * std::numbers::pi / 4.5;
    EXPECT_NEAR(haloPulse(1.5, t).phase, haloPulse(1.5, t + period).phase, 1e-6);
}
