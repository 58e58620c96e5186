#pragma once

#include "platform/settings_scene.h"
#include "qt/settings_window.h"
#include "settings/settings_window_model.h"

#include <memory>
#include <string>

namespace talvora::qt {

// The settings scene on Qt: one window for the process, made on first opening and kept
// (hidden) when closed, so opening again shows the same window; the model lives as long as the
// scene. "Add Application…" lists the bundles of `applicationsFolder`.
class QtSettingsScene final : public SettingsScene {
public:
    QtSettingsScene(SettingsServices services, std::string applicationsFolder);
    ~QtSettingsScene() override;

    // SettingsScene:
    void openSettings() override;

    // Usage events to describe in the General tab; set before the window is first opened.
    void setTelemetry(Telemetry* telemetry) { m_telemetry = telemetry; }
    // Opens the window on a tab.
    void openSettings(SettingsTab tab);
    SettingsWindowModel& model() { return m_model; }
    // The window, once opened.
    SettingsWindow* window() const { return m_window.get(); }

private:
    SettingsWindowModel m_model;
    Workspace& m_workspace;
    std::string m_applicationsFolder;
    Telemetry* m_telemetry = nullptr;
    std::unique_ptr<SettingsWindow> m_window;
};

} // namespace talvora::qt
