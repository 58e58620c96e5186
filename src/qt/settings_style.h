#pragma once

#include <QString>

class QLabel;

namespace talvora::qt {

// A button or check box label shown as written: '&' would otherwise mark a shortcut key.
QString literalButtonText(const char* text);
// The secondary text style: the palette's placeholder colour.
void makeSecondary(QLabel* label);
// The caption font: a little smaller than the body, in the secondary style, wrapped.
void makeCaption(QLabel* label);

} // namespace talvora::qt
