#include "qt/settings_style.h"

#include <QLabel>
#include <QPalette>

namespace talvora::qt {

QString literalButtonText(const char* text)
{
    return QString::fromUtf8(text).replace(QLatin1Char('&'), QLatin1String("&&"));
}

void makeSecondary(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
}

void makeCaption(QLabel* label)
{
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    label->setWordWrap(true);
    makeSecondary(label);
}

} // namespace talvora::qt
