#pragma once

#include "qt/privacy_pane_window.h"

#include <QPoint>

#include <memory>
#include <optional>

class QMessageBox;
class QWidget;

namespace talvora::host {
class Composition;
}

namespace talvora::app {

// The virtual Mac's privacy windows in the interactive app: the system's prompt when Talvora
// asks for screen recording without it ("Open System Settings" or "Deny"), and the "Privacy &
// Security" pane, which that button, and any "Open System Settings…" address the app opens,
// bring up at their section.
class PrivacyWindows {
public:
    explicit PrivacyWindows(host::Composition& app);
    ~PrivacyWindows();

    // Shows the system's prompt once the app has asked for screen recording; called after each
    // tick.
    void refresh();
    void openPane(qt::PrivacyPaneWindow::Section section);

    // Where a person clicks, in screen pixels, while the window is shown: for driving the app
    // from outside.
    std::optional<QPoint> promptOpenButton() const;
    std::optional<QPoint> paneToggle(qt::PrivacyPaneWindow::Section section) const;
    bool isPaneShown() const;

private:
    host::Composition& m_app;
    std::unique_ptr<qt::PrivacyPaneWindow> m_pane;
    std::unique_ptr<QMessageBox> m_prompt;
    QWidget* m_openButton = nullptr;
    bool m_promptHandled = false;
};

} // namespace talvora::app
