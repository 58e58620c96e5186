#include "qt/application_chooser.h"

#include "platform/workspace.h"
#include "settings/settings_controls.h"
#include "qt/settings_style.h"
#include "vmac/applications_listing.h"

#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

namespace talvora::qt {

namespace {

QIcon iconFromImage(const ImageRef& image)
{
    if (!image || image->width <= 0 || image->height <= 0
        || image->pixels.size() != static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height))
        return {};
    QImage copy(reinterpret_cast<const uchar*>(image->pixels.data()), image->width, image->height, image->width * 4,
        QImage::Format_ARGB32_Premultiplied);
    return QIcon(QPixmap::fromImage(copy.copy()));
}

} // namespace

ApplicationChooser::ApplicationChooser(const std::string& folder, Workspace& workspace, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(SettingsText::chooserTitle));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* message = new QLabel(QString::fromUtf8(SettingsText::chooserMessage));
    message->setWordWrap(true);
    layout->addWidget(message);
    auto* location = new QLabel(QString::fromUtf8(SettingsText::chooserStartFolder));
    makeSecondary(location);
    layout->addWidget(location);

    m_list = new QListWidget;
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setIconSize(QSize(24, 24));
    const std::filesystem::path base(folder);
    for (const auto& path : vmac::listApplicationBundles(folder)) {
        const std::filesystem::path bundle(path);
        // Bundles in subfolders show where they are, as a column view would.
        std::string shown = bundle.lexically_relative(base).replace_extension().string();
        auto* item = new QListWidgetItem(iconFromImage(workspace.iconForFile(path)), QString::fromStdString(shown), m_list);
        item->setData(Qt::UserRole, QString::fromStdString(path));
    }
    layout->addWidget(m_list, 1);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QDialogButtonBox::Cancel);
    m_pin = buttons->addButton(QString::fromUtf8(SettingsText::chooserPrompt), QDialogButtonBox::AcceptRole);
    m_pin->setDefault(true);
    m_pin->setEnabled(false);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] { m_pin->setEnabled(!m_list->selectedItems().isEmpty()); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    resize(420, 360);
}

std::vector<std::string> ApplicationChooser::chosenPaths() const
{
    std::vector<std::string> paths;
    for (int row = 0; row < m_list->count(); ++row) {
        if (m_list->item(row)->isSelected())
            paths.push_back(m_list->item(row)->data(Qt::UserRole).toString().toStdString());
    }
    return paths;
}

std::optional<std::vector<std::string>> chooseApplications(const std::string& folder, Workspace& workspace, QWidget* parent)
{
    ApplicationChooser chooser(folder, workspace, parent);
    if (chooser.exec() != QDialog::Accepted)
        return std::nullopt;
    return chooser.chosenPaths();
}

} // namespace talvora::qt
