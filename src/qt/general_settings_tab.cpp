#include "qt/general_settings_tab.h"

#include "qt/settings_icons.h"
#include "qt/settings_style.h"
#include "qt/usage_events_section.h"
#include "settings/settings_window_model.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace talvora::qt {

namespace {

QLabel* iconLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFixedSize(18, 18);
    label->setPixmap(settingsPixmap(name, 18, parent->devicePixelRatioF()));
    return label;
}

} // namespace

GeneralSettingsTab::GeneralSettingsTab(
    SettingsWindowModel& model, std::function<TelemetryDisclosure()> describeUsageEvents, QWidget* parent)
    : SettingsPage(model, parent)
{
    // The permissions and the login item are read afresh whenever the tab is made.
    m_model.refreshSystemState();
    auto* toggles = addSection();
    auto* launch = new QCheckBox(QString::fromUtf8(SettingsText::launchAtLogin));
    launch->setObjectName("launchAtLogin");
    toggles->addWidget(launch);
    // Only the person's clicks register or unregister; a refresh just shows the service's state.
    connect(launch, &QCheckBox::clicked, this, [this](bool on) { m_model.setLaunchAtLogin(on); });
    onRefresh([this, launch] {
        const QSignalBlocker quiet(launch);
        launch->setChecked(m_model.launchAtLogin());
    });
    for (const ToggleSpec* toggle : { &Toggles::fade, &Toggles::closeOnHover, &Toggles::buttonsOnBottom, &Toggles::doubleClickRequired })
        addToggle(toggles, *toggle);

    addPowerSection();

    auto* permissions = addSection("Permissions");
    addPermissionRow(permissions, Permission::ScreenRecording);
    addPermissionRow(permissions, Permission::Accessibility);

    if (describeUsageEvents)
        addUsageEventsSection(*this, std::move(describeUsageEvents));

    auto* reset = addSection();
    auto* resetRow = new QHBoxLayout;
    auto* resetCaption = new QLabel(QString::fromUtf8(SettingsText::resetCaption));
    makeCaption(resetCaption);
    auto* resetButton = new QPushButton(QString::fromUtf8(SettingsText::resetButton));
    resetButton->setObjectName("resetToDefaults");
    resetRow->addWidget(resetCaption, 1);
    resetRow->addWidget(resetButton);
    reset->addLayout(resetRow);
    connect(resetButton, &QPushButton::clicked, this, [this] { m_model.resetToDefaults(); });

    addDebuggingSection();

    auto* about = addSection();
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(new QLabel(QString::fromUtf8(SettingsText::version)));
    versionRow->addStretch(1);
    auto* version = new QLabel(QString::fromStdString(m_model.versionText()));
    version->setObjectName("version");
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    makeSecondary(version);
    versionRow->addWidget(version);
    about->addLayout(versionRow);

    refresh();
}

void GeneralSettingsTab::addPowerSection()
{
    auto* power = addSection("Power");
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QString::fromUtf8(SettingsText::responsiveness)));
    row->addStretch(1);
    auto* picker = new QComboBox;
    picker->setObjectName(PrefKey::responsivenessMode);
    picker->setToolTip(QString::fromUtf8(SettingsText::responsivenessHelp));
    for (auto mode : kAllResponsivenessModes)
        picker->addItem(QString::fromUtf8(responsivenessLabel(mode).data(), static_cast<int>(responsivenessLabel(mode).size())));
    row->addWidget(picker);
    power->addLayout(row);
    auto* description = new QLabel;
    description->setObjectName("responsivenessDescription");
    makeCaption(description);
    power->addWidget(description);
    // `activated` is the person's choice; filling in the stored mode posts nothing.
    connect(picker, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(kAllResponsivenessModes.size()))
            m_model.setResponsiveness(kAllResponsivenessModes[static_cast<std::size_t>(index)]);
    });
    onRefresh([this, picker, description] {
        const auto mode = m_model.responsiveness();
        const QSignalBlocker quiet(picker);
        picker->setCurrentIndex(static_cast<int>(std::find(kAllResponsivenessModes.begin(), kAllResponsivenessModes.end(), mode)
            - kAllResponsivenessModes.begin()));
        const auto text = responsivenessDescription(mode);
        description->setText(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    });
}

void GeneralSettingsTab::addPermissionRow(QBoxLayout* section, Permission permission)
{
    const PermissionSpec& spec = permissionSpec(permission);
    auto* row = new QWidget;
    row->setObjectName(QString::fromUtf8(spec.anchor));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 2, 0, 2);
    auto* icon = new QLabel;
    icon->setFixedSize(18, 18);
    layout->addWidget(icon, 0, Qt::AlignTop);
    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    text->addWidget(new QLabel(QString::fromUtf8(spec.title)));
    auto* description = new QLabel(QString::fromUtf8(spec.description));
    description->setWordWrap(true);
    makeSecondary(description);
    text->addWidget(description);
    layout->addLayout(text, 1);
    auto* granted = new QLabel(QString::fromUtf8(SettingsText::granted));
    granted->setObjectName("granted");
    makeSecondary(granted);
    auto* open = new QPushButton(QString::fromUtf8(SettingsText::openSystemSettings));
    open->setObjectName("openSystemSettings");
    layout->addWidget(granted);
    layout->addWidget(open);
    section->addWidget(row);
    connect(open, &QPushButton::clicked, this, [this, permission] { m_model.openSystemSettings(permission); });
    onRefresh([this, permission, icon, granted, open] {
        const bool isGranted = m_model.isGranted(permission);
        icon->setPixmap(settingsPixmap(isGranted ? "checkmark-circle" : "warning-triangle", 18, devicePixelRatioF()));
        granted->setVisible(isGranted);
        open->setVisible(!isGranted);
    });
}

void GeneralSettingsTab::addDebuggingSection()
{
    auto* debugging = addSection("Debugging");
    addToggle(debugging, Toggles::debugLogging);
    m_model.noteDebugSectionShown();

    auto* restart = new QWidget;
    restart->setObjectName("restartRow");
    auto* restartLayout = new QHBoxLayout(restart);
    restartLayout->setContentsMargins(0, 0, 0, 0);
    restartLayout->setSpacing(6);
    restartLayout->addWidget(iconLabel("warning-triangle", this));
    auto* restartText = new QLabel(QString::fromUtf8(SettingsText::restartRequired));
    restartText->setWordWrap(true);
    restartLayout->addWidget(restartText, 1);
    auto* relaunch = new QPushButton(QString::fromUtf8(SettingsText::relaunchNow));
    relaunch->setObjectName("relaunchNow");
    restartLayout->addWidget(relaunch);
    debugging->addWidget(restart);
    auto* relaunchError = new QLabel;
    relaunchError->setObjectName("relaunchError");
    relaunchError->setWordWrap(true);
    debugging->addWidget(relaunchError);
    connect(relaunch, &QPushButton::clicked, this, [this] { m_model.relaunchNow(); });

    auto* caption = new QLabel(QString::fromUtf8(SettingsText::debugCaption));
    makeCaption(caption);
    debugging->addWidget(caption);
    auto* showLog = new QPushButton(QString::fromUtf8(SettingsText::showLogFile));
    showLog->setObjectName("showLogFile");
    auto* showLogRow = new QHBoxLayout;
    showLogRow->addWidget(showLog);
    showLogRow->addStretch(1);
    debugging->addLayout(showLogRow);
    connect(showLog, &QPushButton::clicked, this, [this] { m_model.showLogFile(); });

    onRefresh([this, restart, relaunchError] {
        const bool required = m_model.isRelaunchRequired();
        restart->setVisible(required);
        const auto& error = m_model.relaunchError();
        relaunchError->setVisible(required && error.has_value());
        relaunchError->setText(error ? QString::fromStdString("Talvora could not relaunch: " + *error + ".") : QString());
    });
}

} // namespace talvora::qt
