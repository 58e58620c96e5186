#pragma once

#include "diagnostics/telemetry_disclosure.h"
#include "qt/highlight_settings_tab.h"
#include "settings/settings_controls.h"

#include <QImage>
#include <QWidget>

class QTabWidget;

namespace talvora::qt {

class GeneralSettingsTab;
class IconSettingsTab;
class LabelSettingsTab;

// The settings window: four tabs, 560 points wide, each a form over the model. Whatever
// changes the model (the person, another process, the pinned list, the system state on
// activation) shows in the open window at once.
class SettingsWindow : public QWidget {
public:
    // With `describeUsageEvents`, the General tab tells what usage events are sent.
    SettingsWindow(SettingsWindowModel& model, HighlightSettingsTab::ApplicationPicker chooseApplications,
        std::function<TelemetryDisclosure()> describeUsageEvents = {}, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    void showTab(SettingsTab tab);
    SettingsTab currentTab() const;
    void refresh();

    GeneralSettingsTab* generalTab() const { return m_general; }
    IconSettingsTab* iconTab() const { return m_icons; }
    HighlightSettingsTab* highlightTab() const { return m_highlights; }
    LabelSettingsTab* labelTab() const { return m_labels; }
    QTabWidget* tabs() const { return m_tabs; }

    // A picture of the window showing `tab`, at `scale` pixels per point.
    QImage picture(SettingsTab tab, double scale);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void growToContent();

    SettingsWindowModel& m_model;
    QTabWidget* m_tabs;
    GeneralSettingsTab* m_general;
    IconSettingsTab* m_icons;
    HighlightSettingsTab* m_highlights;
    LabelSettingsTab* m_labels;
};

} // namespace talvora::qt
