#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <span>

namespace talvora {

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// A rectangle whose coordinate space is given by the name of the variable that holds it:
// window-server rectangles have their origin at the top-left of the primary display with y
// growing downwards, AppKit frames have it at the bottom-left with y growing upwards.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    double area() const { return width * height; }
    bool isEmpty() const { return width <= 0 || height <= 0; }

    friend bool operator==(const Rect&, const Rect&) = default;
};

// Area of the intersection of two rectangles; 0 when they do not overlap (a null
// intersection, as CoreGraphics calls it).
inline double intersectionArea(const Rect& a, const Rect& b)
{
    double w = std::min(a.maxX(), b.maxX()) - std::max(a.minX(), b.minX());
    double h = std::min(a.maxY(), b.maxY()) - std::max(a.minY(), b.minY());
    if (w <= 0 || h <= 0)
        return 0;
    return w * h;
}

// Index of the rectangle with the largest positive intersection with `r`; the first wins a
// tie, and there is none when nothing overlaps.
inline std::optional<std::size_t> indexOfLargestIntersection(std::span<const Rect> rects, const Rect& r)
{
    std::optional<std::size_t> best;
    double bestArea = 0;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        double area = intersectionArea(rects[i], r);
        if (area > bestArea) {
            bestArea = area;
            best = i;
        }
    }
    return best;
}

} // namespace talvora
