#include "vmac/spaces.h"
#include "vmac/thumbnail_layout.h"

#include <gtest/gtest.h>

#include <random>

using namespace talvora;
using vmac::LayoutWindow;
using vmac::Thumbnail;

namespace {

struct RandomDesktop {
    std::vector<Rect> displays; // window-server coordinates, the first is the primary
    std::vector<LayoutWindow> windows; // front to back
};

// Displays side by side (some left of or above the primary), windows of every kind: small,
// larger than their display, across two displays, on no display, without area.
RandomDesktop randomDesktop(std::mt19937& rng)
{
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    RandomDesktop d;
    const int displays = pick(1, 3);
    double right = 0;
    double left = 0;
    for (int i = 0; i < displays; ++i) {
        const double w = uniform(800, 2560);
        const double h = uniform(600, 1440);
        const double y = i == 0 ? 0 : uniform(-400, 400);
        if (i == 2) {
            d.displays.push_back({ left - w, y, w, h });
        } else {
            d.displays.push_back({ right, y, w, h });
            right += w;
        }
        left = std::min(left, d.displays.back().x);
    }
    const int windows = pick(0, 14);
    for (int i = 0; i < windows; ++i) {
        const Rect& host = d.displays[static_cast<std::size_t>(pick(0, displays - 1))];
        Rect frame { uniform(host.x - 200, host.maxX() - 100), uniform(host.y, host.maxY() - 100), uniform(40, host.width * 1.3),
            uniform(30, host.height * 1.2) };
        switch (pick(0, 9)) {
        case 0:
            frame.width = 0;
            break;
        case 1:
            frame = { -50000, -50000, 400, 300 }; // on no display
            break;
        case 2:
            frame.width = uniform(1, 20);
            frame.height = uniform(1, 20);
            break;
        default:
            break;
        }
        d.windows.push_back({ static_cast<WindowNumber>(1000 + i), frame });
    }
    return d;
}

const Thumbnail* thumbnailOf(const std::vector<Thumbnail>& thumbnails, WindowNumber n)
{
    for (const auto& t : thumbnails) {
        if (t.number == n)
            return &t;
    }
    return nullptr;
}

bool inside(const Rect& inner, const Rect& outer)
{
    constexpr double e = 1e-9;
    return inner.minX() >= outer.minX() - e && inner.minY() >= outer.minY() - e && inner.maxX() <= outer.maxX() + e
        && inner.maxY() <= outer.maxY() + e;
}

} // namespace

TEST(ThumbnailLayout, PropertiesHoldOnRandomDesktops)
{
    std::mt19937 rng(20240611);
    const vmac::ThumbnailLayoutRules rules;
    int thumbnailsChecked = 0;
    for (int round = 0; round < 300; ++round) {
        const auto desktop = randomDesktop(rng);
        const auto thumbnails = vmac::layoutThumbnails(desktop.displays, desktop.windows, rules);
        SCOPED_TRACE("round " + std::to_string(round));

        for (const auto& w : desktop.windows) {
            const Thumbnail* t = thumbnailOf(thumbnails, w.number);
            if (w.frame.isEmpty()) {
                EXPECT_FALSE(t) << "a window without area has no thumbnail";
                continue;
            }
            ASSERT_TRUE(t) << "window " << w.number;
            ++thumbnailsChecked;
            // The display the window lives on, or the primary for a window on none.
            const auto host = vmac::hostDisplayIndex(desktop.displays, w.frame).value_or(0);
            const Rect& display = desktop.displays[host];
            EXPECT_TRUE(inside(t->frame, vmac::thumbnailArea(display, rules))) << "stays on its display, inside the margins";
            EXPECT_GE(t->frame.minY(), display.y + rules.spacesBarHeightFraction * display.height) << "below the Spaces bar";
            EXPECT_NEAR(t->frame.width / t->frame.height, w.frame.width / w.frame.height, 1e-9 * w.frame.width / w.frame.height)
                << "keeps its aspect ratio";
            EXPECT_LE(t->frame.width, rules.maxWindowScale * w.frame.width + 1e-9) << "shrinks to at most 0.6";
            // What the engine takes for a thumbnail.
            EXPECT_LT(t->frame.width, 0.8 * display.width);
            EXPECT_LT(t->frame.height, 0.8 * display.height);
            EXPECT_LT(t->frame.area(), 0.4 * display.area());
        }
        EXPECT_EQ(thumbnails.size(),
            static_cast<std::size_t>(std::count_if(desktop.windows.begin(), desktop.windows.end(), [](const auto& w) { return !w.frame.isEmpty(); })));
        for (std::size_t i = 0; i < thumbnails.size(); ++i) {
            for (std::size_t j = i + 1; j < thumbnails.size(); ++j)
                EXPECT_EQ(intersectionArea(thumbnails[i].frame, thumbnails[j].frame), 0) << thumbnails[i].number << " overlaps " << thumbnails[j].number;
        }
        EXPECT_EQ(vmac::layoutThumbnails(desktop.displays, desktop.windows, rules), thumbnails) << "deterministic";
    }
    EXPECT_GT(thumbnailsChecked, 500);
}

TEST(ThumbnailLayout, FewWindowsKeepAUsefulSizeAndFollowTheGivenOrder)
{
    const Rect display { 0, 0, 1440, 900 };
    const vmac::ThumbnailLayoutRules rules;
    // A lone small window still shrinks, by no more than the rule allows.
    std::vector<LayoutWindow> one { { 1, { 500, 400, 300, 200 } } };
    auto single = vmac::layoutDisplayThumbnails(display, one, rules);
    ASSERT_EQ(single.size(), 1u);
    EXPECT_DOUBLE_EQ(single[0].frame.width, rules.maxWindowScale * 300);

    // Up to four ordinary windows: none is reduced to a speck.
    std::vector<LayoutWindow> four { { 1, { 0, 24, 1440, 876 } }, { 2, { 100, 100, 800, 600 } }, { 3, { 300, 200, 700, 500 } },
        { 4, { 900, 500, 500, 380 } } };
    auto laidOut = vmac::layoutDisplayThumbnails(display, four, rules);
    ASSERT_EQ(laidOut.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(laidOut[i].number, four[i].number);
        EXPECT_GE(laidOut[i].frame.width / four[i].frame.width, 0.25) << "window " << four[i].number;
    }
    // Front to back reads left to right, top to bottom.
    EXPECT_LT(laidOut[0].frame.x, laidOut[1].frame.x);
    EXPECT_LE(laidOut[1].frame.y, laidOut[2].frame.y);
}
