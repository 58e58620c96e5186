#include "vmac/thumbnail_layout.h"

#include "vmac/spaces.h"

#include <algorithm>
#include <cmath>

namespace talvora::vmac {

namespace {

struct Grid {
    std::size_t columns = 1;
    double cellWidth = 0;
    double cellHeight = 0;
    double padding = 0;
};

Grid gridWith(const Rect& area, std::size_t count, std::size_t columns, const ThumbnailLayoutRules& rules)
{
    const std::size_t rows = (count + columns - 1) / columns;
    Grid g { columns, area.width / static_cast<double>(columns), area.height / static_cast<double>(rows), 0 };
    g.padding = std::min({ rules.cellPadding, 0.1 * g.cellWidth, 0.1 * g.cellHeight });
    return g;
}

// The scale of a window's thumbnail in a cell of this grid.
double scaleIn(const Grid& grid, const Rect& display, const Rect& frame, const ThumbnailLayoutRules& rules)
{
    const double innerWidth = grid.cellWidth - 2 * grid.padding;
    const double innerHeight = grid.cellHeight - 2 * grid.padding;
    double scale = std::min({ rules.maxWindowScale, rules.maxDisplayFraction * display.width / frame.width,
        rules.maxDisplayFraction * display.height / frame.height, innerWidth / frame.width, innerHeight / frame.height });
    return std::max(scale, 0.0);
}

} // namespace

Rect thumbnailArea(const Rect& display, const ThumbnailLayoutRules& rules)
{
    const double margin = rules.marginFraction * std::min(display.width, display.height);
    const double top = display.y + rules.spacesBarHeightFraction * display.height + margin;
    Rect area { display.x + margin, top, display.width - 2 * margin, display.maxY() - margin - top };
    area.width = std::max(area.width, 0.0);
    area.height = std::max(area.height, 0.0);
    return area;
}

std::vector<Thumbnail> layoutDisplayThumbnails(const Rect& display, std::span<const LayoutWindow> windows,
    const ThumbnailLayoutRules& rules)
{
    std::vector<LayoutWindow> shown;
    for (const auto& w : windows) {
        if (!w.frame.isEmpty())
            shown.push_back(w);
    }
    const Rect area = thumbnailArea(display, rules);
    if (shown.empty() || area.isEmpty())
        return {};

    // The column count that gives the thumbnails the most area in total; fewer columns win a tie.
    // Only the fewest columns for each row count are tried: more columns with as many rows only
    // narrow the cells. That is about 2√n grids instead of n, so that a desktop of a hundred
    // thousand windows is laid out in moments rather than minutes.
    Grid best;
    double bestArea = -1;
    const std::size_t n = shown.size();
    for (std::size_t columns = 1; columns <= n;) {
        Grid grid = gridWith(area, n, columns, rules);
        double total = 0;
        for (const auto& w : shown) {
            double s = scaleIn(grid, display, w.frame, rules);
            total += s * s * w.frame.area();
        }
        if (total > bestArea) {
            bestArea = total;
            best = grid;
        }
        // The next column count that needs fewer rows.
        const std::size_t rows = (n + columns - 1) / columns;
        if (rows == 1)
            break;
        columns = (n + rows - 2) / (rows - 1);
    }

    std::vector<Thumbnail> result;
    result.reserve(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const std::size_t row = i / best.columns;
        const std::size_t column = i % best.columns;
        const std::size_t inRow = std::min(best.columns, shown.size() - row * best.columns);
        const double rowOffset = static_cast<double>(best.columns - inRow) * best.cellWidth / 2;
        const double cellX = area.x + rowOffset + static_cast<double>(column) * best.cellWidth;
        const double cellY = area.y + static_cast<double>(row) * best.cellHeight;
        const Rect& frame = shown[i].frame;
        const double s = scaleIn(best, display, frame, rules);
        const double w = frame.width * s;
        const double h = frame.height * s;
        result.push_back({ shown[i].number, { cellX + (best.cellWidth - w) / 2, cellY + (best.cellHeight - h) / 2, w, h } });
    }
    return result;
}

std::vector<Thumbnail> layoutThumbnails(std::span<const Rect> displays, std::span<const LayoutWindow> windows,
    const ThumbnailLayoutRules& rules)
{
    std::vector<std::vector<LayoutWindow>> perDisplay(displays.size());
    for (const auto& w : windows) {
        if (auto d = owningDisplayIndex(displays, w.frame))
            perDisplay[*d].push_back(w);
    }
    std::vector<Thumbnail> result;
    for (std::size_t d = 0; d < displays.size(); ++d) {
        auto thumbnails = layoutDisplayThumbnails(displays[d], perDisplay[d], rules);
        result.insert(result.end(), thumbnails.begin(), thumbnails.end());
    }
    return result;
}

} // namespace talvora::vmac
