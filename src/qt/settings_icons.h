#pragma once

#include <QIcon>
#include <QPixmap>

namespace talvora::qt {

// An icon of the settings window, drawn from its SVG file (src/qt/icons) at one and two pixels
// per point. `name` is the file name without ".svg"; an unknown name gives a null icon.
QIcon settingsIcon(const char* name);
// The same drawing as a pixmap of `points` square, sharp at the widget's pixel ratio.
QPixmap settingsPixmap(const char* name, int points, double pixelRatio);

} // namespace talvora::qt
