#pragma once

namespace talvora {

// A colour in sRGB components, each 0 to 1, with its opacity. Converted to a painter's colour
// type only at the boundary to the drawing code.
struct RGBA {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    friend bool operator==(const RGBA&, const RGBA&) = default;
};

} // namespace talvora
