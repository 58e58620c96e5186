#include "qt/gui_test.h"
#include "qt/contact_sheet.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <memory>

using namespace talvora;

namespace {

class ContactSheetTest : public test_support::GuiTest {
protected:
    static QImage solid(QSize size, QColor color)
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(color);
        return image;
    }
};

TEST_F(ContactSheetTest, TheSheetHasTheGridsSize)
{
    // Five frames of 1440 by 900 (thumbnails 480 by 300) and one of 1920 by 1080 (270): three
    // columns, two rows.
    std::vector<qt::ContactSheetFrame> frames;
    for (int i = 0; i < 5; ++i)
        frames.push_back({ QStringLiteral("frame %1").arg(i), solid({ 1440, 900 }, QColor(40 * i, 100, 200)) });
    frames.push_back({ QStringLiteral("wide"), solid({ 1920, 1080 }, Qt::green) });
    const qt::ContactSheetLayout layout; // 480 wide, margin 24, spacing 20, captions 28
    const QImage sheet = qt::renderContactSheet(frames, layout);
    const int width = 2 * 24 + 3 * 480 + 2 * 20;
    const int height = 2 * 24 + (300 + 28) + 20 + (300 + 28);
    EXPECT_EQ(sheet.size(), QSize(width, height));
    EXPECT_EQ(qt::contactSheetSize(frames, layout), sheet.size());
    EXPECT_EQ(qt::contactSheetColumns(3, { .columns = 5 }), 3) << "never more columns than frames";

    // The first thumbnail's middle shows the first frame; the second row starts below the
    // first row's captions; the background is dark.
    EXPECT_EQ(sheet.pixelColor(24 + 240, 24 + 150), QColor(0, 100, 200));
    EXPECT_EQ(sheet.pixelColor(24 + 240, 24 + 328 + 20 + 150), QColor(120, 100, 200));
    EXPECT_EQ(sheet.pixelColor(24 + 2 * 500 + 240, 24 + 328 + 20 + 135), QColor(0, 255, 0));
    EXPECT_LT(sheet.pixelColor(5, 5).lightness(), 40);
    // Captions are written under the thumbnails: something light in the caption band.
    int light = 0;
    for (int x = 24; x < 24 + 480; ++x) {
        for (int y = 24 + 300; y < 24 + 328; ++y)
            light += sheet.pixelColor(x, y).lightness() > 150;
    }
    EXPECT_GT(light, 20);
}

} // namespace
