#pragma once

#include "qt/settings_page.h"
#include "settings/settings_window_model.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QMenu;

namespace talvora::qt {

// One pinned application: its icon and name, a colour well for its own halo colour (with
// "Use default color" on right-click while it has one) and a button that removes it.
class PinnedAppRow : public QWidget {
public:
    PinnedAppRow(const PinnedAppRowModel& row, SettingsWindowModel& model, QWidget* parent = nullptr);

    const std::string& bundleID() const { return m_bundleID; }
    ColorSwatch* swatch() const { return m_swatch; }
    // The swatch's context menu as last shown; nothing when it offered nothing.
    QMenu* contextMenu() const { return m_menu; }

private:
    void showContextMenu(const QPoint& at);

    std::string m_bundleID;
    bool m_hasCustomColor;
    SettingsWindowModel& m_model;
    ColorSwatch* m_swatch;
    QMenu* m_menu = nullptr;
};

// Highlights: the halo's size and intensity, the previous window's halo, and the pinned
// applications with their colours and "Add Application…".
class HighlightSettingsTab : public SettingsPage {
public:
    // `chooseApplications` shows the "Add Application…" panel: the chosen bundle paths, or
    // nothing when cancelled.
    using ApplicationPicker = std::function<std::optional<std::vector<std::string>>(QWidget* parent)>;

    HighlightSettingsTab(SettingsWindowModel& model, ApplicationPicker chooseApplications, QWidget* parent = nullptr);

    std::vector<PinnedAppRow*> rows() const;

private:
    void rebuildRows();

    ApplicationPicker m_chooseApplications;
    QVBoxLayout* m_rowsLayout = nullptr;
    QLabel* m_empty = nullptr;
    std::vector<PinnedAppRowModel> m_shownRows;
};

} // namespace talvora::qt
