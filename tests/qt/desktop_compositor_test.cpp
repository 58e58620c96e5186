#include "qt/gui_test.h"
#include "qt/desktop_chrome.h"
#include "qt/desktop_compositor.h"
#include "qt/window_picture.h"
#include "support/desktop_builder.h"
#include "vmac/app_icons.h"
#include "vmac/virtual_mac_fixture.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>

#include <cstdlib>
#include <memory>

using namespace talvora;
using talvora::test_support::DesktopBuilder;
using talvora::test_support::VirtualMacFixture;

namespace {

constexpr ProcessID kSafari = 501;
constexpr ProcessID kNotes = 502;
constexpr std::uint32_t kSafariBlue = 0xFF1E88E5u;
constexpr std::uint32_t kNotesYellow = 0xFFFBC02Du;

// A content view the test paints itself.
class MarkerView final : public HostedView { };

// Fonts and painting need a GUI application; the offscreen platform paints without a display.
class DesktopCompositorTest : public test_support::GuiTest {
protected:
    // One display of 1440 by 900 points; Safari and Notes with application icons in their
    // colours, a window each.
    static vmac::Scenario twoApps()
    {
        auto scenario = DesktopBuilder()
                            .display(1, { 0, 0, 1440, 900 })
                            .app(kSafari, "Safari")
                            .app(kNotes, "Notes")
                            .window(1001, kSafari, { 60, 480, 400, 300 }, "Start Page")
                            .window(1002, kNotes, { 800, 120, 500, 400 }, "Shopping list")
                            .front(kSafari)
                            .build();
        colorIcon(scenario, kSafari, kSafariBlue);
        colorIcon(scenario, kNotes, kNotesYellow);
        return scenario;
    }

    static void colorIcon(vmac::Scenario& scenario, ProcessID pid, std::uint32_t argb)
    {
        for (auto& app : scenario.desktop.apps) {
            if (app->pid == pid)
                app->icon = vmac::makeAppIcon(argb, static_cast<std::uint32_t>(pid));
        }
    }

    static QColor bodyColor(const vmac::VirtualMac& mac, ProcessID pid)
    {
        for (const auto& app : mac.desktop().apps) {
            if (app->pid == pid)
                return qt::appColors(app->icon.get()).body;
        }
        return {};
    }

    static bool near(const QColor& a, const QColor& b, int tolerance = 2)
    {
        return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
            && std::abs(a.blue() - b.blue()) <= tolerance;
    }

    static QColor at(const QImage& image, double x, double y)
    {
        return image.pixelColor(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
    }

    static QPointF centre(const Rect& r) { return { r.x + r.width / 2, r.y + r.height / 2 }; }

    static bool isMarkerRed(const QColor& c) { return c.red() > 220 && c.green() < 40 && c.blue() < 40; }

    static int markerPixels(const QImage& image)
    {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                count += isMarkerRed(image.pixelColor(x, y));
        }
        return count;
    }

    // Paints a red 100 by 80 square at (50, 40) of a MarkerView's window; `sizes` records the
    // sizes it was given.
    static qt::HostedViewPainter redSquare(std::vector<QSizeF>* sizes = nullptr)
    {
        return [sizes](QPainter& painter, const HostedView& view, QSizeF size) {
            if (!dynamic_cast<const MarkerView*>(&view))
                return;
            if (sizes)
                sizes->push_back(size);
            painter.fillRect(QRectF(50, 40, 100, 80), QColor(255, 0, 0));
        };
    }

    // A borderless, clear window of the program at an AppKit frame, showing a MarkerView.
    static std::shared_ptr<AppWindow> ownWindow(vmac::VirtualMac& mac, const Rect& appKitFrame)
    {
        auto window = static_cast<AppWindows&>(mac).createWindow(appKitFrame, WindowStyleMask::borderless, {});
        window->setBackgroundColor(WindowColor::clear());
        window->setOpaque(false);
        window->setHasShadow(false);
        window->setLevel(1000);
        window->setContentView(std::make_shared<MarkerView>());
        window->orderFront();
        return window;
    }
};

TEST_F(DesktopCompositorTest, WindowsShowTheirApplicationsColourAndTheFrontOneCoversTheOther)
{
    auto scenario = twoApps();
    scenario.desktop.windows[1].bounds = { 110, 530, 300, 200 }; // Notes, behind Safari's window
    VirtualMacFixture f(scenario);
    const QImage image = qt::renderDisplay(f.mac, 0);
    const QColor safari = bodyColor(f.mac, kSafari);
    const QColor notes = bodyColor(f.mac, kNotes);
    ASSERT_FALSE(near(safari, notes, 30)) << "each application has its own colour";
    // Both windows are centred at (260, 630).
    EXPECT_TRUE(near(at(image, 260, 630), safari)) << at(image, 260, 630).name().toStdString();
    qt::DesktopCompositor reused;
    EXPECT_EQ(reused.render(f.mac, 0), image);
    EXPECT_EQ(reused.render(f.mac, 0), image) << "the kept desktop picture paints the same";

    f.mac.activateApp(kNotes);
    const QColor front = at(qt::renderDisplay(f.mac, 0), 260, 630);
    EXPECT_TRUE(near(front, notes)) << "Notes came to the front: " << front.name().toStdString();
    // The body is the icon's colour lightened: blue stays blue, yellow stays yellow.
    EXPECT_GT(safari.blue(), safari.red());
    EXPECT_GT(notes.red(), notes.blue());
}

// A minimized window, a window of a hidden application and one of another Space are not
// painted: the picture is the one without the window. Mission Control does not draw the other
// Space's window either, but in the Spaces bar's small previews.
TEST_F(DesktopCompositorTest, WindowsThatAreNotOnScreenAreNotPainted)
{
    for (int how = 0; how < 3; ++how) {
        auto scenario = twoApps();
        scenario.desktop.displays[0].spaceCount = 2;
        if (how == 2)
            scenario.desktop.windows[1].space = 1;
        VirtualMacFixture f(scenario);
        if (how == 0)
            f.mac.setWindowMinimized(1002, true);
        if (how == 1)
            f.mac.setAppHidden(kNotes, true);
        const QImage painted = qt::renderDisplay(f.mac, 0);
        if (how == 2) {
            ASSERT_TRUE(f.mac.openMissionControl());
            f.advance(1);
            ASSERT_FALSE(f.mac.presentation().presentedBounds.contains(1002));
            const QImage image = qt::renderDisplay(f.mac, 0);
            const QColor notes = bodyColor(f.mac, kNotes);
            int notesPixels = 0;
            const double barFraction = f.mac.desktop().thumbnailLayout.spacesBarHeightFraction;
            for (int y = static_cast<int>(900 * barFraction) + 1; y < image.height(); y += 3) {
                for (int x = 0; x < image.width(); x += 3)
                    notesPixels += near(image.pixelColor(x, y), notes);
            }
            EXPECT_EQ(notesPixels, 0);
            ASSERT_TRUE(f.mac.closeMissionControl());
            f.advance(1);
        }
        f.mac.closeWindow(1002);
        EXPECT_EQ(painted, qt::renderDisplay(f.mac, 0)) << how;
    }
}

TEST_F(DesktopCompositorTest, MissionControlDrawsWindowsOnTheirWayAndThenInsideTheirThumbnails)
{
    VirtualMacFixture f(twoApps());
    const QImage before = qt::renderDisplay(f.mac, 0);
    ASSERT_TRUE(f.mac.openMissionControl());
    f.advance(0.15);
    ASSERT_EQ(f.mac.missionControlPhase(), vmac::MissionControlPhase::Opening);
    const double progress = qt::missionControlProgress(f.mac);
    EXPECT_GT(progress, 0);
    EXPECT_LT(progress, 1);
    const auto presented = f.mac.presentation().presentedBounds;
    ASSERT_TRUE(presented.contains(1002));
    const Rect& bounds = presented.at(1002);
    EXPECT_NE(bounds, (Rect { 800, 120, 500, 400 })) << "on its way";
    const QImage opening = qt::renderDisplay(f.mac, 0);
    const QPointF o = centre(bounds);
    EXPECT_TRUE(near(at(opening, o.x(), o.y()), bodyColor(f.mac, kNotes)));

    f.advance(1);
    ASSERT_EQ(f.mac.missionControlPhase(), vmac::MissionControlPhase::Open);
    EXPECT_EQ(qt::missionControlProgress(f.mac), 1.0);
    auto thumbnail = f.mac.thumbnailFrame(1001);
    ASSERT_TRUE(thumbnail);
    const Rect rest { 60, 480, 400, 300 };
    ASSERT_EQ(intersectionArea(*thumbnail, rest), 0) << "the test wants the thumbnail away from the window's frame";
    const QImage open = qt::renderDisplay(f.mac, 0);
    const QPointF c = centre(*thumbnail);
    EXPECT_TRUE(near(at(open, c.x(), c.y()), bodyColor(f.mac, kSafari))) << at(open, c.x(), c.y()).name().toStdString();
    // Just outside the thumbnail, beyond the shadow's reach on the left, is the backdrop.
    EXPECT_FALSE(near(at(open, thumbnail->x - 40, c.y()), bodyColor(f.mac, kSafari), 40));
    // Where the window rested, the backdrop: the desktop picture, darkened.
    const QPointF r = centre(rest);
    const QColor backdrop = at(open, r.x(), r.y());
    EXPECT_FALSE(near(backdrop, bodyColor(f.mac, kSafari), 40)) << backdrop.name().toStdString();
    VirtualMacFixture empty(DesktopBuilder().display(1, { 0, 0, 1440, 900 }));
    const QColor wallpaper = at(qt::renderDisplay(empty.mac, 0), r.x(), r.y());
    EXPECT_LT(backdrop.lightness(), wallpaper.lightness());

    // Closing again brings every window back to its frame.
    ASSERT_TRUE(f.mac.closeMissionControl());
    f.advance(1);
    EXPECT_EQ(qt::missionControlProgress(f.mac), 0.0);
    EXPECT_EQ(qt::renderDisplay(f.mac, 0), before) << "nothing of the overview is left";
}

// Each display's image has its size times the pixel ratio; a hosted view paints on the display
// of its window only, clipped to the window and scaled with the ratio; so does the pointer.
TEST_F(DesktopCompositorTest, AnOwnWindowsViewAndThePointerPaintAtTheirPlaceOnTheirDisplayOnly)
{
    VirtualMacFixture f(DesktopBuilder().display(1, { 0, 0, 1440, 900 }).display(2, { 1440, 0, 1280, 800 }));
    // Global window-server frame {1540, 100, 300, 200}: display 2's point (100, 100).
    auto window = ownWindow(f.mac, { 1540, 900 - 300, 300, 200 });
    std::vector<QSizeF> sizes;
    const QImage second = qt::renderDisplay(f.mac, 1, 1, redSquare(&sizes));
    EXPECT_EQ(second.size(), QSize(1280, 800));
    EXPECT_EQ(second.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_TRUE(qt::renderDisplay(f.mac, 2).isNull()) << "no third display";
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes.front(), QSizeF(300, 200));
    EXPECT_TRUE(isMarkerRed(at(second, 100 + 50 + 1, 100 + 40 + 1)));
    EXPECT_TRUE(isMarkerRed(at(second, 100 + 150 - 1, 100 + 120 - 1)));
    EXPECT_EQ(markerPixels(second), 100 * 80); // and nothing beyond those corners

    // A window of 120 by 100 at (200, 300) on the first display: the square reaches past its
    // right and bottom edges.
    auto small = ownWindow(f.mac, { 200, 900 - 400, 120, 100 });
    sizes.clear();
    const QImage first = qt::renderDisplay(f.mac, 0, 2, redSquare(&sizes));
    EXPECT_EQ(first.size(), QSize(2880, 1800));
    EXPECT_EQ(sizes, (std::vector<QSizeF> { QSizeF(120, 100) })) << "display 2's view is not asked";
    EXPECT_EQ(markerPixels(first), (120 - 50) * 2 * (100 - 40) * 2);
    EXPECT_TRUE(isMarkerRed(at(first, (200 + 50) * 2 + 1, (300 + 40) * 2 + 1)));
    EXPECT_FALSE(isMarkerRed(at(first, (200 + 120) * 2 + 1, (300 + 60) * 2)));

    // The window is clear: around the square the desktop shows through unchanged. Faded out
    // fully, or ordered out, nothing of it shows.
    window->setAlphaValue(0);
    EXPECT_EQ(markerPixels(qt::renderDisplay(f.mac, 1, 1, redSquare())), 0);
    window->orderOut();
    const QImage without = qt::renderDisplay(f.mac, 1, 1, redSquare());
    EXPECT_EQ(at(second, 100 + 10, 100 + 10), at(without, 100 + 10, 100 + 10));
    EXPECT_EQ(at(second, 100 + 290, 100 + 190), at(without, 100 + 290, 100 + 190));

    // The pointer, too, is drawn on its display only, where it is: near the first display's
    // right edge (global (1430, 300)), the arrow would reach into the second.
    const qt::PointerOverlay pointer { { 1430, 900 - 300 }, CursorKind::Arrow };
    const QImage withPointer = qt::renderDisplay(f.mac, 0, 1, {}, pointer);
    const QImage bare = qt::renderDisplay(f.mac, 0);
    int changed = 0;
    for (int y = 0; y < withPointer.height(); ++y) {
        for (int x = 0; x < withPointer.width(); ++x) {
            if (withPointer.pixel(x, y) == bare.pixel(x, y))
                continue;
            ++changed;
            EXPECT_TRUE(x >= 1426 && y >= 296 && y < 325) << x << "," << y;
        }
    }
    EXPECT_GT(changed, 50);
    EXPECT_LT(at(withPointer, 1431.5, 306).lightness(), 40) << "the arrow is black";
    EXPECT_EQ(qt::renderDisplay(f.mac, 1, 1, {}, pointer), qt::renderDisplay(f.mac, 1));
    const qt::PointerOverlay hand { { 1430, 900 - 300 }, CursorKind::PointingHand };
    EXPECT_NE(qt::renderDisplay(f.mac, 0, 1, {}, hand), withPointer);
}

} // namespace

TEST(MenuBarClock, ShowsTheLocalWeekdayDateAndTime)
{
    // 2026-12-06 16:00 UTC was a Sunday; an hour east of it, and across a leap day and 1970.
    EXPECT_EQ(qt::menuBarClockText(Date { 1796572800 }, 0), QStringLiteral("Sun 6 Dec  16:00"));
    EXPECT_EQ(qt::menuBarClockText(Date { 1796572800 }, 3600), QStringLiteral("Sun 6 Dec  17:00"));
    EXPECT_EQ(qt::menuBarClockText(Date { -60 }, 0), QStringLiteral("Wed 31 Dec  23:59"));
}
