#include "qt/gui_test.h"
#include "host/simulation.h"
#include "qt/desktop_compositor.h"
#include "qt/hosted_overlay.h"
#include "qt/overlay_painter.h"
#include "qt/virtual_mac_canvas.h"
#include "support/click_desk.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <memory>

using namespace talvora;

namespace {

// The two-display desk past start-up; the window in front before Mission Control opened gets
// a pulsing halo.
class VirtualMacCanvasTest : public test_support::GuiTest {
protected:
    std::unique_ptr<qt::VirtualMacCanvas> makeCanvas(qt::OverlayPainter& painter, QSize size)
    {
        auto made = std::make_unique<qt::VirtualMacCanvas>(sim->mac(), painter, [this] { return sim->clock().mediaTime(); });
        made->setWindowSize(size);
        return made;
    }

    // A display as the headless demo pictures it: the compositor, with the overlays or without.
    QImage render(std::size_t display, bool withOverlay)
    {
        qt::HostedViewPainter hosted;
        if (withOverlay)
            hosted = qt::overlayHostedViewPainter(overlayPainter, [this] {
                return sim->clock().mediaTime();
            });
        return qt::renderDisplay(sim->mac(), display, 1, hosted);
    }

    qt::PointerOverlay pointer() const { return { sim->input().pointerLocation(), sim->input().cursor() }; }

    // Paints what the canvas calls damaged into `image`; returns the damage.
    QRegion frame(QImage& image)
    {
        const QRegion damage = canvas->takeDamage(pointer());
        QPainter p(&image);
        canvas->paint(p, damage, image.devicePixelRatio(), pointer());
        return damage;
    }

    // The whole window as a canvas that has painted nothing before draws it.
    QImage freshPaint(QSize size, double ratio)
    {
        qt::OverlayPainter painter;
        auto fresh = makeCanvas(painter, size);
        QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::magenta); // as the repainted image, where no display is
        const QRegion all = fresh->takeDamage(pointer());
        QPainter p(&image);
        fresh->paint(p, all, ratio, pointer());
        return image;
    }

    test_support::ClickDesk desk { test_support::twoDisplayDesk() };
    std::unique_ptr<host::Simulation>& sim = desk.sim;
    qt::OverlayPainter overlayPainter;
    std::unique_ptr<qt::VirtualMacCanvas> canvas;
};

// Pixels that differ by more than rounding between two images of one size.
int differingPixels(const QImage& a, const QImage& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 3 || std::abs(qGreen(p) - qGreen(q)) > 3 || std::abs(qBlue(p) - qBlue(q)) > 3)
                ++count;
        }
    }
    return count;
}

std::int64_t area(const QRegion& region)
{
    std::int64_t sum = 0;
    for (const QRect& r : region)
        sum += static_cast<std::int64_t>(r.width()) * r.height();
    return sum;
}

} // namespace

// A frame damages only what changed, and repainting only the damage shows what a whole paint
// shows, at a fractional scale (0.325) and two device pixels a point; the window has the
// displays' proportions.
TEST_F(VirtualMacCanvasTest, RepaintingOnlyTheDamageShowsWhatAWholePaintShows)
{
    const QSize size(1092, 351);
    const double ratio = 2;
    canvas = makeCanvas(overlayPainter, size);
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::magenta);
    EXPECT_EQ(frame(image), QRegion(QRect(QPoint(0, 0), size))) << "the first frame paints everything";
    const int backdrops = canvas->backdropRenders();
    EXPECT_EQ(backdrops, 2);

    // Nothing moves with Mission Control closed: nothing to paint.
    sim->runFor(0.5);
    EXPECT_TRUE(frame(image).isEmpty());
    // The pointer moves: its old and new places only, over the kept backdrop.
    sim->input().movePointer({ 300, 300 });
    const QRegion moved = frame(image);
    EXPECT_FALSE(moved.isEmpty());
    EXPECT_LT(area(moved), 2 * 40 * 40);
    EXPECT_EQ(canvas->backdropRenders(), backdrops);

    // Mission Control comes in; with the overview open and still, the pulsing halo is damaged,
    // not the displays.
    sim->mac().openMissionControl();
    for (int i = 0; i < 150; ++i) {
        sim->runFor(1.0 / 120);
        frame(image);
    }
    ASSERT_EQ(sim->engine().activeWindows.value().size(), 3u);
    const int openBackdrops = canvas->backdropRenders();
    sim->runFor(1.0 / 120);
    const QRegion pulse = frame(image);
    EXPECT_FALSE(pulse.isEmpty());
    EXPECT_LT(area(pulse), size.width() * size.height() / 10);
    EXPECT_EQ(canvas->backdropRenders(), openBackdrops);

    // The pointer comes to rest on an icon (its buttons appear) and a window closes.
    const WindowInfo& w = sim->engine().activeWindows.value().front();
    const auto onIcon = sim->mac().displayPointToAppKit(w.hostScreenID, { w.currentPosition.x, w.localBounds.y + w.localBounds.height / 2 });
    ASSERT_TRUE(onIcon);
    sim->input().movePointer(*onIcon);
    for (int i = 0; i < 60; ++i) {
        sim->runFor(1.0 / 120);
        frame(image);
    }
    ASSERT_TRUE(sim->engine().hoveredWindowID.value());
    sim->mac().closeWindow(1003);
    for (int i = 0; i < 30; ++i) {
        sim->runFor(1.0 / 120);
        frame(image);
    }
    EXPECT_EQ(differingPixels(image, freshPaint(size, ratio)), 0);
}

// Drawn by the compositor, an icon sits on its thumbnail, and nothing is left of the overlays
// once Mission Control has closed. That a hosted view paints on its own display only is the
// compositor's test.
TEST_F(VirtualMacCanvasTest, TheCompositorDrawsAnIconOnItsThumbnailAndNothingOnceClosed)
{
    sim->mac().openMissionControl();
    const auto& engine = sim->engine();
    auto shown = [&] { return engine.shouldShowIcons.value() && engine.iconOpacity.value() >= 1; };
    for (int i = 0; i < 600 && !shown(); ++i)
        sim->runFor(1.0 / 120);
    const auto& windows = engine.activeWindows.value();
    auto reading = std::find_if(windows.begin(), windows.end(), [](const WindowInfo& w) {
        return w.id == 1003;
    });
    ASSERT_NE(reading, windows.end());
    ASSERT_EQ(reading->hostScreenID, 2u);
    const Rect& thumb = reading->localBounds;
    const QPoint iconCenter(qRound(reading->currentPosition.x), qRound(thumb.y + thumb.height / 2));
    const QColor before = render(1, false).pixelColor(iconCenter);
    const QColor after = render(1, true).pixelColor(iconCenter);
    // The blue icon at the overlay's opacity over its light backing disc.
    EXPECT_GT(after.blue(), after.red() + 80) << after.name().toStdString();
    EXPECT_GT(after.blue(), after.green() + 80) << after.name().toStdString();
    EXPECT_NE(before, after);

    sim->mac().closeMissionControl();
    sim->runFor(1.5);
    ASSERT_FALSE(engine.shouldShowIcons.value());
    EXPECT_EQ(render(1, true), render(1, false));
}
