#include "qt/highlight_settings_tab.h"

#include "qt/color_swatch.h"
#include "qt/settings_icons.h"
#include "qt/settings_style.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace talvora::qt {

namespace {

QPixmap pixmapFromImage(const ImageRef& image, int points, double ratio)
{
    if (!image || image->width <= 0 || image->height <= 0
        || image->pixels.size() != static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height))
        return {};
    QImage view(reinterpret_cast<const uchar*>(image->pixels.data()), image->width, image->height, image->width * 4,
        QImage::Format_ARGB32_Premultiplied);
    const int pixels = qRound(points * ratio);
    QPixmap pixmap = QPixmap::fromImage(view.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

bool sameRow(const PinnedAppRowModel& a, const PinnedAppRowModel& b)
{
    return a.bundleID == b.bundleID && a.name == b.name && a.icon == b.icon && a.isKnown == b.isKnown && a.color == b.color
        && a.hasCustomColor == b.hasCustomColor;
}

} // namespace

PinnedAppRow::PinnedAppRow(const PinnedAppRowModel& row, SettingsWindowModel& model, QWidget* parent)
    : QWidget(parent)
    , m_bundleID(row.bundleID)
    , m_hasCustomColor(row.hasCustomColor)
    , m_model(model)
{
    setObjectName(QString::fromStdString(row.bundleID));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    auto* icon = new QLabel;
    icon->setFixedSize(24, 24);
    icon->setPixmap(row.isKnown ? pixmapFromImage(row.icon, 24, devicePixelRatioF())
                                : settingsPixmap("questionmark-app", 24, devicePixelRatioF()));
    layout->addWidget(icon);
    auto* name = new QLabel;
    name->setObjectName("name");
    name->setText(name->fontMetrics().elidedText(QString::fromStdString(row.name), Qt::ElideRight, 300));
    if (!row.isKnown)
        makeSecondary(name);
    layout->addWidget(name, 1);

    m_swatch = new ColorSwatch;
    m_swatch->setColor(row.color);
    m_swatch->setToolTip(QString::fromStdString(row.colorHelp));
    m_swatch->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(m_swatch);
    const std::string id = row.bundleID;
    m_swatch->onPick = [this, id](const std::optional<RGBA>& picked) { m_model.setPinnedAppColor(id, picked); };
    connect(m_swatch, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) { showContextMenu(at); });

    auto* remove = new QToolButton;
    remove->setObjectName("remove");
    remove->setAutoRaise(true);
    remove->setIcon(settingsIcon("trash"));
    remove->setToolTip(QString::fromUtf8(SettingsText::removeHelp));
    layout->addWidget(remove);
    connect(remove, &QToolButton::clicked, this, [this, id] { m_model.removePinnedApp(id); });
}

void PinnedAppRow::showContextMenu(const QPoint& at)
{
    delete m_menu;
    m_menu = nullptr;
    // Only a row with its own colour has a default to go back to.
    if (!m_hasCustomColor)
        return;
    m_menu = new QMenu(this);
    const std::string id = m_bundleID;
    m_menu->addAction(QString::fromUtf8(SettingsText::useDefaultColor), this, [this, id] { m_model.useDefaultColor(id); });
    m_menu->popup(m_swatch->mapToGlobal(at));
}

HighlightSettingsTab::HighlightSettingsTab(SettingsWindowModel& model, ApplicationPicker chooseApplications, QWidget* parent)
    : SettingsPage(model, parent)
    , m_chooseApplications(std::move(chooseApplications))
{
    auto* halo = addSection("Halo");
    addSlider(halo, Sliders::haloSize);
    addSlider(halo, Sliders::haloIntensity);

    auto* quickReturn = addSection("Quick Return");
    addToggle(quickReturn, Toggles::highlightPreviousWindow);
    addColorPicker(quickReturn, ColorPickers::previousHalo);

    auto* pinned = addSection("Pinned Apps");
    addToggle(pinned, Toggles::pinnedHalo);
    addColorPicker(pinned, ColorPickers::pinnedHalo);
    m_rowsLayout = new QVBoxLayout;
    m_rowsLayout->setSpacing(2);
    pinned->addLayout(m_rowsLayout);
    m_empty = new QLabel(QString::fromUtf8(SettingsText::noAppsPinned));
    m_empty->setObjectName("noAppsPinned");
    makeSecondary(m_empty);
    pinned->addWidget(m_empty);
    auto* add = new QPushButton(QString::fromUtf8(SettingsText::addApplication));
    add->setObjectName("addApplication");
    auto* addRow = new QHBoxLayout;
    addRow->addWidget(add);
    addRow->addStretch(1);
    pinned->addLayout(addRow);
    connect(add, &QPushButton::clicked, this, [this] {
        if (!m_chooseApplications)
            return;
        if (auto chosen = m_chooseApplications(window()))
            m_model.pinApplications(*chosen);
    });
    onRefresh([this] { rebuildRows(); });
    refresh();
}

std::vector<PinnedAppRow*> HighlightSettingsTab::rows() const
{
    std::vector<PinnedAppRow*> rows;
    for (int i = 0; i < m_rowsLayout->count(); ++i) {
        if (auto* row = dynamic_cast<PinnedAppRow*>(m_rowsLayout->itemAt(i)->widget()))
            rows.push_back(row);
    }
    return rows;
}

void HighlightSettingsTab::rebuildRows()
{
    auto current = m_model.pinnedAppRows();
    const bool same = current.size() == m_shownRows.size()
        && std::equal(current.begin(), current.end(), m_shownRows.begin(), sameRow);
    if (same)
        return;
    // The old rows may be the very sender of the change (a remove button, a menu action), so
    // they go once control has returned to the event loop.
    while (auto* item = m_rowsLayout->takeAt(0)) {
        if (auto* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    for (const auto& row : current)
        m_rowsLayout->addWidget(new PinnedAppRow(row, m_model));
    m_empty->setVisible(current.empty());
    m_shownRows = std::move(current);
}

} // namespace talvora::qt
