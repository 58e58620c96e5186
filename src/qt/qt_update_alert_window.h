#pragma once

#include "platform/update_alert.h"

#include <functional>
#include <memory>

class QDialog;
class QLabel;
class QPushButton;

namespace talvora::qt {

// The update check's result as a small window: a bold title, the message, and for a newer
// version a "Release Notes…" button that opens the link in the browser. One window; a new
// result replaces what it shows and brings it forward. Needs a QApplication.
class QtUpdateAlertWindow final : public UpdateAlertWindow {
public:
    QtUpdateAlertWindow();
    ~QtUpdateAlertWindow() override;
    QtUpdateAlertWindow(const QtUpdateAlertWindow&) = delete;
    QtUpdateAlertWindow& operator=(const QtUpdateAlertWindow&) = delete;

    // UpdateAlertWindow:
    void showUpdateAlert(const UpdateAlert& alert) override;

    // Opens a link; the browser by default.
    std::function<void(const std::string& url)> openLink;

    QDialog* dialog() const { return m_dialog.get(); }

private:
    std::unique_ptr<QDialog> m_dialog;
    QLabel* m_title = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_releaseNotes = nullptr;
    std::string m_link;
};

} // namespace talvora::qt
