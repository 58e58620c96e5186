#pragma once

#include "settings/rgba.h"

#include <QColor>

#include <algorithm>

namespace talvora::qt {

// The one place where the system's sRGB colours become Qt colours. `brightness` is added to
// the three components, as a brightness adjustment does.
inline QColor toQColor(const RGBA& c, double brightness = 0)
{
    auto unit = [](double v) { return std::clamp(v, 0.0, 1.0); };
    return QColor::fromRgbF(static_cast<float>(unit(c.red + brightness)), static_cast<float>(unit(c.green + brightness)),
        static_cast<float>(unit(c.blue + brightness)), static_cast<float>(unit(c.alpha)));
}

} // namespace talvora::qt
