#include "qt/gui_test.h"
#include "host/simulation.h"
#include "qt/desktop_compositor.h"
#include "qt/hosted_overlay.h"
#include "support/desktop_builder.h"
#include "support/temp_home.h"
#include "vmac/system_logs.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <memory>

using namespace talvora;
using test_support::DesktopBuilder;

namespace {

// The app on the virtual Mac with its overlay windows drawn by the compositor, as the
// headless demo shows it: one red application window on the second display, none on the first.
class OverlayOnDesktopTest : public test_support::GuiTest {
protected:
    void SetUp() override
    {
        auto desktop = DesktopBuilder()
                           .display(1, { 0, 0, 1440, 900 })
                           .display(2, { 1440, 0, 1280, 800 })
                           .app(501, "Reader")
                           .window(1001, 501, { 1600, 120, 900, 600 }, "A page")
                           .front(501)
                           .build();
        desktop.desktop.apps.back()->icon = vmac::makeSolidIcon(0xFFFF0000);
        sim = std::make_unique<host::Simulation>(std::move(desktop), home.home, log);
        sim->start();
        sim->runFor(4); // the closed state is learned first
        sim->mac().openMissionControl();
        for (int i = 0; i < 600 && !(sim->engine().shouldShowIcons.value() && sim->engine().iconOpacity.value() >= 0.8); ++i)
            sim->runFor(1.0 / 120);
        ASSERT_EQ(sim->engine().activeWindows.value().size(), 1u);
    }
    void TearDown() override { sim.reset(); }

    QImage render(std::size_t display, bool withOverlay)
    {
        qt::HostedViewPainter hosted;
        if (withOverlay)
            hosted = qt::overlayHostedViewPainter(painter, [this] { return sim->clock().mediaTime(); });
        return compositor.render(sim->mac(), display, 1, hosted);
    }

    test_support::TempHome home;
    vmac::RecordingSystemLog log;
    std::unique_ptr<host::Simulation> sim;
    qt::OverlayPainter painter;
    qt::DesktopCompositor compositor;
};

} // namespace

TEST_F(OverlayOnDesktopTest, TheIconSitsOnItsThumbnailOnItsOwnDisplayOnly)
{
    const WindowInfo& window = sim->engine().activeWindows.value().front();
    ASSERT_EQ(window.hostScreenID, 2u);
    const QPoint iconCenter(qRound(window.currentPosition.x), qRound(window.localBounds.y + window.localBounds.height / 2));

    const QImage bare = render(1, false);
    const QImage drawn = render(1, true);
    ASSERT_EQ(drawn.size(), QSize(1280, 800));
    const QColor before = bare.pixelColor(iconCenter);
    const QColor after = drawn.pixelColor(iconCenter);
    // The red icon at the overlay's opacity over its light backing disc.
    EXPECT_GT(after.red(), after.green() + 80) << after.name().toStdString();
    EXPECT_GT(after.red(), after.blue() + 80) << after.name().toStdString();
    EXPECT_NE(before, after);

    // The first display has no window: its overlay draws nothing at all.
    EXPECT_EQ(render(0, true), render(0, false));

    // Once Mission Control has closed, the overlays draw nothing.
    sim->mac().closeMissionControl();
    sim->runFor(1.5);
    ASSERT_FALSE(sim->engine().shouldShowIcons.value());
    EXPECT_EQ(render(1, true), render(1, false));
}
