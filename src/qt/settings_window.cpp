#include "qt/settings_window.h"

#include "qt/general_settings_tab.h"
#include "qt/settings_icons.h"
#include "qt/visual_settings_tabs.h"

#include <QPainter>

#include <algorithm>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace talvora::qt {

namespace {

const char* tabIconName(SettingsTab tab)
{
    switch (tab) {
    case SettingsTab::General:
        return "gearshape";
    case SettingsTab::Icons:
        return "app-dashed";
    case SettingsTab::Highlights:
        return "sparkles";
    case SettingsTab::Labels:
        return "textformat";
    }
    return "gearshape";
}

QString title(SettingsTab tab)
{
    const auto text = tabTitle(tab);
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

} // namespace

SettingsWindow::SettingsWindow(SettingsWindowModel& model, HighlightSettingsTab::ApplicationPicker chooseApplications,
    std::function<TelemetryDisclosure()> describeUsageEvents, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_model(model)
{
    setObjectName("settingsWindow");
    setFixedWidth(560);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 8, 0, 0);
    m_tabs = new QTabWidget(this);
    m_tabs->setDocumentMode(true);
    m_tabs->setIconSize(QSize(16, 16));
    layout->addWidget(m_tabs);

    m_general = new GeneralSettingsTab(model, std::move(describeUsageEvents));
    m_icons = new IconSettingsTab(model);
    m_highlights = new HighlightSettingsTab(model, std::move(chooseApplications));
    m_labels = new LabelSettingsTab(model);
    const std::pair<SettingsTab, QWidget*> pages[] = { { SettingsTab::General, m_general }, { SettingsTab::Icons, m_icons },
        { SettingsTab::Highlights, m_highlights }, { SettingsTab::Labels, m_labels } };
    for (const auto& [tab, page] : pages)
        m_tabs->addTab(page, settingsIcon(tabIconName(tab)), title(tab));
    // A window titled after its tab, as preference windows are.
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { setWindowTitle(title(currentTab())); });
    setWindowTitle(title(SettingsTab::General));
    m_model.setChangeHandler([this] { refresh(); });
}

SettingsWindow::~SettingsWindow()
{
    m_model.followChanges(false);
    m_model.setChangeHandler(nullptr);
}

void SettingsWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_model.followChanges(true);
}

void SettingsWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_model.followChanges(false);
}

void SettingsWindow::showTab(SettingsTab tab)
{
    m_tabs->setCurrentIndex(static_cast<int>(tab));
}

SettingsTab SettingsWindow::currentTab() const
{
    const int index = m_tabs->currentIndex();
    return index >= 0 && index < static_cast<int>(kSettingsTabs.size()) ? kSettingsTabs[static_cast<std::size_t>(index)]
                                                                          : SettingsTab::General;
}

void SettingsWindow::refresh()
{
    m_general->refresh();
    m_icons->refresh();
    m_highlights->refresh();
    m_labels->refresh();
    growToContent();
}

void SettingsWindow::growToContent()
{
    // A window's minimum size leaves out the height that wrapped text needs at the window's
    // width, so rows whose text grew after the window was sized would be squeezed together.
    layout()->activate();
    const int wanted = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width()) : layout()->totalSizeHint().height();
    if (wanted > height())
        resize(width(), wanted);
}

QImage SettingsWindow::picture(SettingsTab tab, double scale)
{
    showTab(tab);
    layout()->activate();
    // Each picture is as tall as its tab's form, not as the tallest tab: the window is cut
    // below the form, which sits at the top of its page.
    QWidget* page = m_tabs->currentWidget();
    const int chrome = page->mapTo(this, QPoint(0, 0)).y();
    const int pageHeight = page->hasHeightForWidth() ? page->heightForWidth(page->width()) : page->sizeHint().height();
    const QSize shown(width(), std::min(height(), chrome + pageHeight));
    QImage image(shown * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(palette().color(QPalette::Window));
    render(&image, QPoint(), QRegion(QRect(QPoint(), shown)));
    return image;
}

} // namespace talvora::qt
