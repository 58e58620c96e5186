#include "vmac/app_icons.h"

#include <gtest/gtest.h>

#include <set>

using namespace talvora;

namespace {

std::uint32_t alphaAt(const Image& image, int x, int y) { return image.pixels[static_cast<std::size_t>(y) * image.width + x] >> 24; }

TEST(AppIcons, ARoundedSquareOnATransparentCanvas)
{
    auto icon = vmac::makeAppIcon(0xFF1E88E5u, 7);
    ASSERT_EQ(icon->width, vmac::kAppIconSide);
    ASSERT_EQ(icon->height, vmac::kAppIconSide);
    ASSERT_EQ(icon->pixels.size(), 128u * 128u);
    EXPECT_EQ(alphaAt(*icon, 0, 0), 0u);
    EXPECT_EQ(alphaAt(*icon, 127, 127), 0u);
    EXPECT_EQ(alphaAt(*icon, 14, 14), 0u) << "continuous corners: the shape's bounding corner is outside";
    EXPECT_EQ(alphaAt(*icon, 64, 14), 255u) << "the middle of the top edge is inside";
    EXPECT_EQ(alphaAt(*icon, 14, 64), 255u);
    // Antialiased: the edge has partly covered pixels.
    int partial = 0;
    for (std::uint32_t p : icon->pixels) {
        const std::uint32_t a = p >> 24;
        partial += a > 0 && a < 255;
        // Premultiplied: no component exceeds the alpha.
        EXPECT_LE((p >> 16) & 0xFF, a);
        EXPECT_LE((p >> 8) & 0xFF, a);
        EXPECT_LE(p & 0xFF, a);
    }
    EXPECT_GT(partial, 100);
}

TEST(AppIcons, TheSameArgumentsGiveTheSamePixels)
{
    EXPECT_EQ(vmac::makeAppIcon(0xFFFBC02Du, 3)->pixels, vmac::makeAppIcon(0xFFFBC02Du, 3)->pixels);
}

TEST(AppIcons, ConsecutiveSeedsTakeTheGlyphsInTurn)
{
    std::set<std::vector<std::uint32_t>> distinct;
    for (std::uint32_t seed = 500; seed < 500 + static_cast<std::uint32_t>(vmac::appIconGlyphCount()); ++seed)
        distinct.insert(vmac::makeAppIcon(0xFF8E24AAu, seed)->pixels);
    EXPECT_EQ(static_cast<int>(distinct.size()), vmac::appIconGlyphCount());
    EXPECT_EQ(vmac::makeAppIcon(0xFF8E24AAu, 3)->pixels,
        vmac::makeAppIcon(0xFF8E24AAu, 3 + static_cast<std::uint32_t>(vmac::appIconGlyphCount()))->pixels);
}

} // namespace
