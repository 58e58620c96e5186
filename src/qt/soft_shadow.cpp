#include "qt/soft_shadow.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <vector>

namespace talvora::qt {

namespace {

// One box-blur pass over a row or column of alpha values with a running sum: linear in the
// length whatever the radius.
void boxBlurLine(const std::uint8_t* in, std::uint8_t* out, int length, int stride, int radius)
{
    const int window = 2 * radius + 1;
    int sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += (i >= 0 && i < length) ? in[i * stride] : 0;
    for (int i = 0; i < length; ++i) {
        out[i * stride] = static_cast<std::uint8_t>((sum + window / 2) / window);
        const int leaving = i - radius;
        const int entering = i + radius + 1;
        if (leaving >= 0)
            sum -= in[leaving * stride];
        if (entering < length)
            sum += in[entering * stride];
    }
}

} // namespace

int shadowMargin(double blurRadius)
{
    return static_cast<int>(std::ceil(std::max(0.0, blurRadius) * 1.5)) + 1;
}

void paintDiscShadow(QPainter& painter, QPointF center, double discRadius, double blurRadius, const QColor& color)
{
    if (discRadius <= 0 || color.alpha() == 0)
        return;
    const double blur = std::max(0.0, blurRadius);
    const double outer = discRadius + blur;
    QColor clear = color;
    clear.setAlpha(0);
    QRadialGradient gradient(center, outer);
    const double inner = std::max(0.0, discRadius - blur) / outer;
    gradient.setColorAt(0, color);
    gradient.setColorAt(inner, color);
    QColor half = color;
    half.setAlphaF(color.alphaF() * 0.5);
    gradient.setColorAt(discRadius / outer, half);
    gradient.setColorAt(1, clear);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawEllipse(center, outer, outer);
    painter.restore();
}

QImage softShadow(const QImage& source, double blurRadius, const QColor& color)
{
    const int margin = shadowMargin(blurRadius);
    const int width = source.width() + 2 * margin;
    const int height = source.height() + 2 * margin;
    const QImage alpha = source.convertToFormat(QImage::Format_Alpha8);

    std::vector<std::uint8_t> a(static_cast<std::size_t>(width) * height, 0);
    for (int y = 0; y < alpha.height(); ++y)
        std::copy_n(alpha.constScanLine(y), alpha.width(), &a[static_cast<std::size_t>(y + margin) * width + margin]);

    // Three box passes approximate a Gaussian; a shadow "radius" is read as about two standard
    // deviations, the way desktop toolkits size their shadows.
    const double sigma = std::max(0.0, blurRadius) * 0.5;
    const int box = std::max(0, static_cast<int>(std::lround(std::sqrt(4.0 * sigma * sigma + 1.0) / 2.0 - 0.5)));
    if (box > 0) {
        std::vector<std::uint8_t> b(a.size());
        for (int pass = 0; pass < 3; ++pass) {
            for (int y = 0; y < height; ++y)
                boxBlurLine(&a[static_cast<std::size_t>(y) * width], &b[static_cast<std::size_t>(y) * width], width, 1, box);
            for (int x = 0; x < width; ++x)
                boxBlurLine(&b[x], &a[x], height, width, box);
        }
    }

    QImage shadow(width, height, QImage::Format_ARGB32_Premultiplied);
    const QRgb tint = color.rgba();
    const int r = qRed(tint), g = qGreen(tint), bl = qBlue(tint), ta = qAlpha(tint);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        const std::uint8_t* in = &a[static_cast<std::size_t>(y) * width];
        for (int x = 0; x < width; ++x) {
            const int al = in[x] * ta / 255;
            row[x] = qRgba(r * al / 255, g * al / 255, bl * al / 255, al);
        }
    }
    return shadow;
}

} // namespace talvora::qt
