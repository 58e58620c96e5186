#pragma once

#include <QFont>
#include <QString>

class QPainter;

namespace talvora::qt {

// The family the virtual Mac's own interface text (menu bar, window titles, captions) uses:
// "Inter" when it is installed (Debian package fonts-inter), else the system's sans. Resolved
// once; needs a QGuiApplication.
const QString& interfaceFontFamily();

// The interface font at `points` of the painter's user space, whatever the resolution of the
// device it paints on.
QFont interfaceFont(const QPainter& painter, double points, QFont::Weight weight = QFont::Normal);

} // namespace talvora::qt
