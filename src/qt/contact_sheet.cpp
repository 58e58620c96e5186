#include "qt/contact_sheet.h"

#include "qt/interface_font.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace talvora::qt {

namespace {

int thumbnailHeight(const QImage& image, int width)
{
    if (image.isNull() || image.width() <= 0)
        return 0;
    return static_cast<int>(std::lround(static_cast<double>(width) * image.height() / image.width()));
}

// Height of each row: its tallest thumbnail and the caption.
std::vector<int> rowHeights(const std::vector<ContactSheetFrame>& frames, const ContactSheetLayout& layout)
{
    const int count = static_cast<int>(frames.size());
    const int columns = contactSheetColumns(count, layout);
    std::vector<int> rows(static_cast<std::size_t>(contactSheetRows(count, layout)), 0);
    for (int i = 0; i < count; ++i) {
        int& row = rows[static_cast<std::size_t>(i / columns)];
        row = std::max(row, thumbnailHeight(frames[static_cast<std::size_t>(i)].image, layout.thumbnailWidth));
    }
    for (int& row : rows)
        row += layout.captionHeight;
    return rows;
}

} // namespace

int contactSheetColumns(int count, const ContactSheetLayout& layout)
{
    if (count <= 0)
        return 0;
    if (layout.columns > 0)
        return std::min(layout.columns, count);
    return static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
}

int contactSheetRows(int count, const ContactSheetLayout& layout)
{
    const int columns = contactSheetColumns(count, layout);
    return columns == 0 ? 0 : (count + columns - 1) / columns;
}

QSize contactSheetSize(const std::vector<ContactSheetFrame>& frames, const ContactSheetLayout& layout)
{
    const int count = static_cast<int>(frames.size());
    const int columns = contactSheetColumns(count, layout);
    const auto rows = rowHeights(frames, layout);
    int height = 2 * layout.margin;
    for (int row : rows)
        height += row;
    if (!rows.empty())
        height += static_cast<int>(rows.size() - 1) * layout.spacing;
    const int width = 2 * layout.margin + columns * layout.thumbnailWidth + std::max(0, columns - 1) * layout.spacing;
    return QSize(width, height);
}

QImage renderContactSheet(const std::vector<ContactSheetFrame>& frames, const ContactSheetLayout& layout)
{
    const QSize size = contactSheetSize(frames, layout);
    QImage sheet(size, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0x1B, 0x1C, 0x21));
    if (frames.empty())
        return sheet;
    const int columns = contactSheetColumns(static_cast<int>(frames.size()), layout);
    const auto rows = rowHeights(frames, layout);

    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QFont font = interfaceFont(painter, std::clamp(layout.captionHeight * 0.5, 8.0, 15.0), QFont::Medium);
    const QFontMetricsF metrics(font, &sheet);
    painter.setFont(font);

    int top = layout.margin;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < columns; ++c) {
            const std::size_t i = r * static_cast<std::size_t>(columns) + static_cast<std::size_t>(c);
            if (i >= frames.size())
                break;
            const auto& frame = frames[i];
            const int left = layout.margin + c * (layout.thumbnailWidth + layout.spacing);
            const int height = thumbnailHeight(frame.image, layout.thumbnailWidth);
            const QRect picture(left, top, layout.thumbnailWidth, height);
            if (height > 0) {
                // Scaled once with filtering, then placed: sharper than a transformed draw.
                const QImage scaled = frame.image.scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                painter.drawImage(picture.topLeft(), scaled);
                painter.setPen(QPen(QColor(255, 255, 255, 40), 1));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(QRectF(picture).adjusted(-0.5, -0.5, 0.5, 0.5));
            }
            const QRectF caption(left, top + height, layout.thumbnailWidth, layout.captionHeight);
            painter.setPen(QColor(0xD8, 0xDA, 0xE0));
            painter.drawText(caption, Qt::AlignCenter | Qt::TextSingleLine,
                metrics.elidedText(frame.caption, Qt::ElideRight, layout.thumbnailWidth - 8));
        }
        top += rows[r] + layout.spacing;
    }
    painter.end();
    return sheet;
}

} // namespace talvora::qt
