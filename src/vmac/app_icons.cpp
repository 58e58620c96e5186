#include "vmac/app_icons.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>

namespace talvora::vmac {

namespace {

constexpr int kSide = kAppIconSide;
constexpr int kSupersampling = 4; // per axis: 16 samples a pixel
constexpr double kCenter = kSide / 2.0;
// Half the side of the rounded square: 104 of 128 pixels, the share of the canvas a macOS
// icon's shape takes, leaving the rest for the system's shadow.
constexpr double kHalf = 52;
// The superellipse exponent: 2 is an ellipse, larger is squarer; about 5 matches the
// continuous corners of current application icons.
constexpr double kExponent = 5;
double power5(double x) { return x * x * x * x * x; } // the exponent's power, without pow()

struct Rgb {
    double r = 0;
    double g = 0;
    double b = 0;
};

Rgb mix(const Rgb& a, const Rgb& b, double t)
{
    return { a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t };
}

Rgb scaled(const Rgb& c, double f) { return { c.r * f, c.g * f, c.b * f }; }

constexpr Rgb kWhite { 1, 1, 1 };

struct Vec {
    double x;
    double y;
};

template <std::size_t N>
bool insidePolygon(const std::array<Vec, N>& p, double x, double y)
{
    bool inside = false;
    for (std::size_t i = 0, j = N - 1; i < N; j = i++) {
        if ((p[i].y > y) != (p[j].y > y) && x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
            inside = !inside;
    }
    return inside;
}

bool insideCircle(double x, double y, double cx, double cy, double r)
{
    const double dx = x - cx;
    const double dy = y - cy;
    return dx * dx + dy * dy <= r * r;
}

// Distance from a point to a segment at most `halfWidth`: a stroke with round ends.
bool nearSegment(double x, double y, Vec a, Vec b, double halfWidth)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    const double px = a.x + t * dx - x, py = a.y + t * dy - y;
    return px * px + py * py <= halfWidth * halfWidth;
}

// A regular polygon with a corner at the top.
template <std::size_t N>
std::array<Vec, N> regularPolygon(double radius)
{
    std::array<Vec, N> corners {};
    for (std::size_t i = 0; i < N; ++i) {
        const double angle = -std::numbers::pi / 2 + 2 * std::numbers::pi * static_cast<double>(i) / N;
        corners[i] = { radius * std::cos(angle), radius * std::sin(angle) };
    }
    return corners;
}

std::array<Vec, 10> makeStar()
{
    std::array<Vec, 10> star {};
    for (int i = 0; i < 10; ++i) {
        const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        const double r = i % 2 == 0 ? 0.56 : 0.23;
        star[static_cast<std::size_t>(i)] = { r * std::cos(angle), r * std::sin(angle) + 0.04 };
    }
    return star;
}

// The glyphs, in units of the shape's half side, centred on the icon, y down.
bool insideGlyph(int glyph, double x, double y)
{
    static const std::array<Vec, 10> star = makeStar();
    const double r = std::hypot(x, y);
    switch (glyph) {
    case 0: // ring
        return r >= 0.30 && r <= 0.50;
    case 1: { // triangle pointing up
        static constexpr std::array<Vec, 3> t { { { 0, -0.50 }, { 0.50, 0.38 }, { -0.50, 0.38 } } };
        return insidePolygon(t, x, y);
    }
    case 2: // diamond
        return std::abs(x) + std::abs(y) <= 0.52;
    case 3: // plus
        return (std::abs(x) <= 0.13 && std::abs(y) <= 0.48) || (std::abs(y) <= 0.13 && std::abs(x) <= 0.48);
    case 4: // five-pointed star
        return insidePolygon(star, x, y);
    case 5: // three bars of a list
        for (int i = -1; i <= 1; ++i) {
            if (std::abs(y - i * 0.30) <= 0.085 && x >= -0.46 && x <= 0.46 - (i == 1 ? 0.22 : 0))
                return true;
        }
        return false;
    case 6: { // compass: a ring around a needle
        if (r >= 0.44 && r <= 0.54)
            return true;
        static constexpr std::array<Vec, 4> needle { { { 0.30, -0.30 }, { 0.07, 0.07 }, { -0.30, 0.30 }, { -0.07, -0.07 } } };
        return insidePolygon(needle, x, y);
    }
    case 7: // two overlapping discs, their overlap cut out
        return insideCircle(x, y, -0.18, 0, 0.34) != insideCircle(x, y, 0.18, 0, 0.34);
    case 8: { // play triangle
        static constexpr std::array<Vec, 3> t { { { -0.30, -0.46 }, { 0.48, 0 }, { -0.30, 0.46 } } };
        return insidePolygon(t, x, y);
    }
    case 9: // crescent moon
        return insideCircle(x, y, 0, 0, 0.48) && !insideCircle(x, y, 0.22, -0.16, 0.40);
    case 10: // four dots in a square
        for (double cx : { -0.24, 0.24 }) {
            for (double cy : { -0.24, 0.24 }) {
                if (insideCircle(x, y, cx, cy, 0.17))
                    return true;
            }
        }
        return false;
    case 11: { // a square frame, turned a little
        const double c = std::cos(0.26), s = std::sin(0.26);
        const double u = std::abs(c * x + s * y);
        const double v = std::abs(-s * x + c * y);
        const double outer = std::max(u, v);
        return outer <= 0.44 && outer >= 0.30;
    }
    case 12: { // a hexagon's frame
        static const std::array<Vec, 6> outer = regularPolygon<6>(0.52);
        static const std::array<Vec, 6> inner = regularPolygon<6>(0.33);
        return insidePolygon(outer, x, y) && !insidePolygon(inner, x, y);
    }
    case 13: // sun: a disc in a ring of dots
        if (r <= 0.22)
            return true;
        for (int i = 0; i < 8; ++i) {
            const double angle = i * std::numbers::pi / 4;
            if (insideCircle(x, y, 0.42 * std::cos(angle), 0.42 * std::sin(angle), 0.075))
                return true;
        }
        return false;
    case 14: // two chevrons pointing up
        for (double dy : { -0.24, 0.10 }) {
            if (nearSegment(x, y, { -0.40, dy + 0.30 }, { 0, dy - 0.06 }, 0.075)
                || nearSegment(x, y, { 0, dy - 0.06 }, { 0.40, dy + 0.30 }, 0.075))
                return true;
        }
        return false;
    case 15: { // lightning bolt
        static constexpr std::array<Vec, 6> bolt { { { 0.12, -0.54 }, { -0.30, 0.06 }, { -0.03, 0.06 }, { -0.12, 0.54 },
            { 0.30, -0.08 }, { 0.03, -0.08 } } };
        return insidePolygon(bolt, x, y);
    }
    default:
        return false;
    }
}

constexpr int kGlyphCount = 16;

} // namespace

int appIconGlyphCount() { return kGlyphCount; }

ImageRef makeAppIcon(std::uint32_t argb, std::uint32_t seed)
{
    const Rgb base { ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0 };
    // The gradient runs from lighter to darker by the same amount either side of the colour,
    // so the icon's average is the colour given; a channel near 0 or 1 varies less rather than
    // clipping.
    auto swing = [](double c) { return 0.28 * std::min(c, 1 - c); };
    const Rgb top { base.r + swing(base.r), base.g + swing(base.g), base.b + swing(base.b) };
    const Rgb bottom { base.r - swing(base.r), base.g - swing(base.g), base.b - swing(base.b) };
    const Rgb rim = scaled(base, 0.62);
    const int glyph = static_cast<int>(seed % kGlyphCount);
    // The glyph's shadow, a little below it: the glyph reads on light colours too.
    constexpr double kGlyphShadowOffset = 0.035;
    constexpr double kGlyphShadowStrength = 0.22;
    constexpr double kRimWidth = 1.6; // pixels
    // Inside this value of the superellipse's sum every point is farther than the rim's width
    // from the edge: (1 − kRimWidth / kHalf) to the fifth, rounded down.
    constexpr double kRimStart = 0.85;
    constexpr double kGlyphOpacity = 0.96;

    auto image = std::make_shared<Image>();
    image->width = kSide;
    image->height = kSide;
    image->pixels.assign(static_cast<std::size_t>(kSide) * kSide, 0);

    constexpr int kSamples = kSupersampling * kSupersampling;
    for (int py = 0; py < kSide; ++py) {
        for (int px = 0; px < kSide; ++px) {
            double sumR = 0, sumG = 0, sumB = 0;
            int covered = 0;
            for (int sy = 0; sy < kSupersampling; ++sy) {
                for (int sx = 0; sx < kSupersampling; ++sx) {
                    const double x = px + (sx + 0.5) / kSupersampling;
                    const double y = py + (sy + 0.5) / kSupersampling;
                    const double u = (x - kCenter) / kHalf;
                    const double v = (y - kCenter) / kHalf;
                    const double f = power5(std::abs(u)) + power5(std::abs(v));
                    if (f > 1)
                        continue;
                    ++covered;
                    Rgb c = mix(top, bottom, std::clamp((y - (kCenter - kHalf)) / (2 * kHalf), 0.0, 1.0));
                    if (f > kRimStart) {
                        // Distance to the edge, nearly exact along the sides and close enough
                        // in the corners for a rim a pixel and a half wide.
                        const double edgeDistance = (1 - std::pow(f, 1 / kExponent)) * kHalf;
                        if (edgeDistance < kRimWidth)
                            c = mix(c, rim, 0.45 * (1 - edgeDistance / kRimWidth));
                    }
                    if (insideGlyph(glyph, u, v - kGlyphShadowOffset))
                        c = scaled(c, 1 - kGlyphShadowStrength);
                    if (insideGlyph(glyph, u, v))
                        c = mix(c, kWhite, kGlyphOpacity);
                    sumR += c.r;
                    sumG += c.g;
                    sumB += c.b;
                }
            }
            if (covered == 0)
                continue;
            // Outside samples add nothing: the averages are premultiplied already.
            auto channel = [](double sum) {
                return static_cast<std::uint32_t>(std::clamp(std::lround(sum * 255.0 / kSamples), 0L, 255L));
            };
            const auto alpha = static_cast<std::uint32_t>(std::lround(covered * 255.0 / kSamples));
            const std::uint32_t r = std::min(channel(sumR), alpha);
            const std::uint32_t g = std::min(channel(sumG), alpha);
            const std::uint32_t b = std::min(channel(sumB), alpha);
            image->pixels[static_cast<std::size_t>(py) * kSide + px] = (alpha << 24) | (r << 16) | (g << 8) | b;
        }
    }
    return image;
}

} // namespace talvora::vmac
