#include "qt/gui_test.h"
#include "overlay/content_layout.h"
#include "qt/overlay_painter.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

using namespace talvora;

namespace {

// Fonts and text layout need a GUI application; the offscreen platform paints into images
// without a display.
class OverlayPainterTest : public test_support::GuiTest {
protected:
    static ImageRef solidIcon(std::uint32_t premultipliedArgb, int width = 64, int height = 64)
    {
        auto image = std::make_shared<Image>();
        image->width = width;
        image->height = height;
        image->pixels.assign(static_cast<std::size_t>(width) * height, premultipliedArgb);
        return image;
    }

    static IconItem icon(ImageRef image, Point center, double side = 50, double opacity = 1)
    {
        IconItem item;
        item.image = std::move(image);
        item.center = center;
        item.side = side;
        item.opacity = opacity;
        return item;
    }

    static HaloItem yellowHalo(Point center, double diameter)
    {
        HaloItem halo;
        halo.center = center;
        halo.diameter = diameter;
        halo.color = { 1, 1, 0, 1 };
        halo.intensity = 1.5;
        halo.opacity = 1;
        halo.pulse = { 0.5, 1, 1 };
        halo.gradient = haloGradient(halo.color, halo.intensity);
        return halo;
    }

    static LabelItem label(Point center, std::string name, std::optional<std::string> title)
    {
        LabelItem item;
        item.center = center;
        item.name = { std::move(name), 11, FontWeight::Semibold, { 1, 1, 1, 1 } };
        if (title)
            item.title = LabelRow { std::move(*title), 10, FontWeight::Regular, { 1, 1, 1, 0.85 } };
        item.opacity = 1;
        return item;
    }

    static OverlayContent oneGroup(std::vector<OverlayItem> items)
    {
        OverlayContent content;
        content.groups.push_back({ 1, std::move(items) });
        return content;
    }

    qt::OverlayPainter painter;
};

::testing::AssertionResult near(int actual, int expected, int tolerance, const char* what)
{
    if (std::abs(actual - expected) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << what << " is " << actual << ", expected " << expected << " ± " << tolerance;
}

bool painted(QRgb p) { return qAlpha(p) > 0; }

// Pixels that `counts` in the column range [fromX, toX) of an image.
template<typename Counts>
int pixelsInColumns(const QImage& image, int fromX, int toX, Counts counts)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = std::max(0, fromX); x < std::min(image.width(), toX); ++x)
            count += counts(image.pixel(x, y));
    return count;
}

TEST_F(OverlayPainterTest, IconCentreShowsTheIconColourAtTheIconOpacity)
{
    const auto content = oneGroup({ icon(solidIcon(0xffff0000), { 100, 80 }, 50, 0.8) });
    const QImage image = qt::renderOverlayImage(painter, content, { 200, 160 });
    ASSERT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);

    // The opaque icon covers its white backing, and the whole element fades as one: pure red
    // at 80 %, premultiplied.
    const QRgb centre = image.pixel(100, 80);
    EXPECT_TRUE(near(qAlpha(centre), 204, 3, "alpha"));
    EXPECT_TRUE(near(qRed(centre), 204, 3, "red"));
    EXPECT_TRUE(near(qGreen(centre), 0, 4, "green"));
    EXPECT_TRUE(near(qBlue(centre), 0, 4, "blue"));

    // At two pixels a point the icon is drawn sharp up to its disc's edge.
    const QImage sharp = qt::renderOverlayImage(painter, content, { 400, 320 }, 2);
    EXPECT_TRUE(near(qRed(sharp.pixel(200, 160 - 44)), 204, 3, "inside the edge"));
    EXPECT_EQ(qAlpha(sharp.pixel(200, 160 - 60)), 0) << "beyond the disc and its shadow";
}

TEST_F(OverlayPainterTest, IconIsClippedToItsDiscOverTheTranslucentWhiteBacking)
{
    // A wide icon fitted into the square leaves the disc's top and bottom to the backing.
    const auto content = oneGroup({ icon(solidIcon(0xff0000ff, 64, 16), { 100, 100 }, 60, 1) });
    const QImage image = qt::renderOverlayImage(painter, content, { 200, 200 });

    const QRgb backing = image.pixel(100, 78); // inside the disc, above the 15-point-high icon
    EXPECT_TRUE(near(qAlpha(backing), 51, 6, "backing alpha"));
    EXPECT_TRUE(near(qRed(backing), qAlpha(backing), 3, "backing white"));
    EXPECT_EQ(qAlpha(image.pixel(75, 75)), 0) << "the square's corner lies outside the disc";
    EXPECT_TRUE(near(qBlue(image.pixel(100, 100)), 255, 3, "icon"));
}

TEST_F(OverlayPainterTest, NothingIsPaintedOutsideTheGroupsBounds)
{
    OverlayContent content;
    ButtonItem close;
    close.center = { 175, 175 };
    close.opacity = 1;
    close.appearance = buttonAppearance(true, true);
    content.groups.push_back({ 1,
        { yellowHalo({ 200, 200 }, 80), icon(solidIcon(0xff336699), { 200, 200 }),
            label({ 200, 150 }, "Notes", std::string("Groceries")), close } });
    content.groups.push_back({ 2, { icon(solidIcon(0xff993366), { 500, 300 }) } });

    const QImage image = qt::renderOverlayImage(painter, content, { 640, 400 });
    const QRectF first = painter.groupBounds(content.groups[0]);
    const QRectF second = painter.groupBounds(content.groups[1]);
    int strays = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QPointF p(x + 0.5, y + 0.5);
            if (!first.contains(p) && !second.contains(p))
                strays += qAlpha(image.pixel(x, y)) > 0;
        }
    EXPECT_EQ(strays, 0);
    EXPECT_EQ(image.pixel(620, 20), 0u);
    EXPECT_EQ(image.pixel(350, 250), 0u);
    EXPECT_GT(qAlpha(image.pixel(500, 300)), 200);
}

TEST_F(OverlayPainterTest, HaloBrightensAroundTheIconNotBeyondItsDiameterAndPulses)
{
    const Point c { 150, 150 };
    const auto withHalo = qt::renderOverlayImage(painter, oneGroup({ yellowHalo(c, 100), icon(solidIcon(0xff202020), c) }), { 300, 300 });
    const auto without = qt::renderOverlayImage(painter, oneGroup({ icon(solidIcon(0xff202020), c) }), { 300, 300 });

    // Just outside the icon's disc and shadow: only the halo paints there, in its colour.
    for (const QPoint p : { QPoint(150 + 32, 150), QPoint(150, 150 - 32), QPoint(150 - 23, 150 + 23) }) {
        EXPECT_EQ(qAlpha(without.pixel(p)), 0) << p.x() << "," << p.y();
        const QRgb lit = withHalo.pixel(p);
        EXPECT_GT(qAlpha(lit), 60) << p.x() << "," << p.y();
        EXPECT_GT(qRed(lit), 3 * qBlue(lit)) << "yellow at " << p.x() << "," << p.y();
    }
    // The glow fades towards its rim and stops there.
    EXPECT_GT(qAlpha(withHalo.pixel(150 + 32, 150)), qAlpha(withHalo.pixel(150 + 45, 150)));
    for (const QPoint p : { QPoint(150 + 51, 150), QPoint(150, 150 + 52), QPoint(150 - 37, 150 - 37) })
        EXPECT_EQ(qAlpha(withHalo.pixel(p)), 0) << p.x() << "," << p.y();

    // The pulse scales it and sets its opacity.
    HaloItem small = yellowHalo(c, 100);
    small.pulse = { 0, 0.5, 0.92 };
    HaloItem large = yellowHalo(c, 100);
    large.pulse = { 0, 1, 1.08 };
    const auto dim = qt::renderOverlayImage(painter, oneGroup({ small }), { 300, 300 });
    const auto bright = qt::renderOverlayImage(painter, oneGroup({ large }), { 300, 300 });
    EXPECT_EQ(qAlpha(dim.pixel(150 + 48, 150)), 0);
    EXPECT_GT(qAlpha(bright.pixel(150 + 48, 150)), 0);
    const int dimCentre = qAlpha(dim.pixel(150, 150));
    EXPECT_TRUE(near(dimCentre * 2, qAlpha(bright.pixel(150, 150)), 4, "centre alpha × 2"));
}

// A truncated name or title stops inside the label's padding: the block is at most 220 points
// wide, its 6 points at each side hold no text, and the text runs up to them.
TEST_F(OverlayPainterTest, TruncatedTextStopsInsideTheLabelsPadding)
{
    std::string longTitle;
    for (int i = 0; i < 40; ++i)
        longTitle += "Quarterly report draft ";
    const auto text = [](QRgb p) { return qGreen(p) > 0; }; // white text over a red block
    for (const double ratio : { 1.0, 2.0 }) {
        SCOPED_TRACE(ratio);
        LabelItem item = label({ 300, 50 }, std::string(200, 'W'), longTitle);
        item.background = { 1, 0, 0, 0.5 };
        const QSize size = QSize(600, 100) * ratio;
        const QImage image = qt::renderOverlayImage(painter, oneGroup({ item }), size, ratio);
        const auto count = [&](double from, double to, auto counts) {
            return pixelsInColumns(image, qRound(from * ratio), qRound(to * ratio), counts);
        };
        EXPECT_EQ(count(0, 190, painted), 0);
        EXPECT_EQ(count(410, 600, painted), 0);
        EXPECT_GT(count(406, 410, painted), 0) << "the block reaches out to the limit";
        EXPECT_EQ(count(190, 196, text), 0);
        EXPECT_EQ(count(404, 410, text), 0);
        EXPECT_GT(count(196, 206, text), 0);
        EXPECT_GT(count(380, 404, text), 0) << "the ellipsis comes close to the padding";
    }
}

TEST_F(OverlayPainterTest, ShortLabelIsNarrowAndCentred)
{
    const QImage image = qt::renderOverlayImage(painter, oneGroup({ label({ 300, 50 }, "Notes", std::nullopt) }), { 600, 100 });
    EXPECT_EQ(pixelsInColumns(image, 0, 300 - 40, painted), 0);
    EXPECT_EQ(pixelsInColumns(image, 300 + 40, 600, painted), 0);
    EXPECT_GT(pixelsInColumns(image, 300 - 20, 300, painted), 0);
    EXPECT_GT(pixelsInColumns(image, 300, 300 + 20, painted), 0);
}

TEST_F(OverlayPainterTest, AButtonIsAWhiteMarkOnADarkDiscAndTheArmedOneHasAYellowRing)
{
    ButtonItem minimize;
    minimize.kind = ButtonHoverKind::Minimize;
    minimize.center = { 50, 50 };
    minimize.opacity = 1;
    minimize.appearance = buttonAppearance(false, true);
    const QImage armed = qt::renderOverlayImage(painter, oneGroup({ minimize }), { 100, 100 });
    minimize.appearance = buttonAppearance(false, false);
    const QImage idle = qt::renderOverlayImage(painter, oneGroup({ minimize }), { 100, 100 });

    const QRgb mark = idle.pixel(50, 50);
    const QRgb disc = idle.pixel(50, 50 + 7);
    EXPECT_GT(qAlpha(mark), 200);
    EXPECT_GT(qRed(mark), 200) << "the white mark";
    EXPECT_GT(qAlpha(disc), 200);
    EXPECT_LT(qRed(disc), 40) << "the dark disc";
    const QRgb ring = armed.pixel(50, 50 + 17);
    EXPECT_GT(qAlpha(ring), 150);
    EXPECT_GT(qGreen(ring), 150);
    EXPECT_LT(qBlue(ring), 60);
    EXPECT_EQ(qAlpha(idle.pixel(50 + 17, 50)), 0);
}

TEST_F(OverlayPainterTest, EachIconImageIsConvertedOnce)
{
    const ImageRef shared = solidIcon(0xff808080);
    OverlayContent content;
    for (int i = 0; i < 5; ++i)
        content.groups.push_back({ static_cast<WindowNumber>(i), { icon(shared, { 40.0 + 60 * i, 50 }) } });
    // Windows of one application may show its icon at different sizes.
    std::get<IconItem>(content.groups[4].items[0]).side = 30;
    qt::renderOverlayImage(painter, content, { 320, 100 });
    const QImage image = qt::renderOverlayImage(painter, content, { 320, 100 });
    EXPECT_EQ(painter.convertedIconCount(), 1u);
    EXPECT_GT(qAlpha(image.pixel(220, 50 - 20)), 200) << "50-point icon";
    EXPECT_EQ(qAlpha(image.pixel(280, 50 - 20)), 0) << "30-point icon";
}

TEST_F(OverlayPainterTest, LabelsUseInterWhenInstalled)
{
    // fonts-inter is one of the project's dependencies; without it the labels still paint.
    EXPECT_EQ(painter.labelFontFamily(), QStringLiteral("Inter"));
}

} // namespace
