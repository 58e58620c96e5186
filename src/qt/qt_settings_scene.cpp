#include "qt/qt_settings_scene.h"

#include "qt/application_chooser.h"

namespace talvora::qt {

QtSettingsScene::QtSettingsScene(SettingsServices services, std::string applicationsFolder)
    : m_model(services)
    , m_workspace(services.workspace)
    , m_applicationsFolder(std::move(applicationsFolder))
{
}

QtSettingsScene::~QtSettingsScene() = default;

void QtSettingsScene::openSettings()
{
    if (!m_window) {
        std::function<TelemetryDisclosure()> describeUsageEvents;
        if (m_telemetry)
            describeUsageEvents = [telemetry = m_telemetry] { return describeTelemetry(*telemetry); };
        m_window = std::make_unique<SettingsWindow>(
            m_model, [this](QWidget* parent) { return chooseApplications(m_applicationsFolder, m_workspace, parent); },
            std::move(describeUsageEvents));
    }
    m_window->refresh();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void QtSettingsScene::openSettings(SettingsTab tab)
{
    openSettings();
    m_window->showTab(tab);
}

} // namespace talvora::qt
