#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <vector>

namespace talvora::qt {

// One picture of a contact sheet and the caption written under it.
struct ContactSheetFrame {
    QString caption;
    QImage image;
};

struct ContactSheetLayout {
    int thumbnailWidth = 480; // every frame is scaled to this width, keeping its aspect ratio
    int columns = 0; // 0: as many as make the grid about square (the ceiling of the square root)
    int margin = 24; // around the grid
    int spacing = 20; // between cells
    int captionHeight = 28; // under each thumbnail
};

// Columns and rows of the grid for `count` frames.
int contactSheetColumns(int count, const ContactSheetLayout& layout = {});
int contactSheetRows(int count, const ContactSheetLayout& layout = {});

// The sheet's size: margins, the cells of each row as tall as its tallest thumbnail plus the
// caption, and the spacing between cells.
QSize contactSheetSize(const std::vector<ContactSheetFrame>& frames, const ContactSheetLayout& layout = {});

// The frames in a grid, left to right and top to bottom, each scaled to the thumbnail width
// with its caption centred under it (elided to fit), on a dark background. Opaque ARGB.
// Pure: the same frames give the same image.
QImage renderContactSheet(const std::vector<ContactSheetFrame>& frames, const ContactSheetLayout& layout = {});

} // namespace talvora::qt
