#pragma once

#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;

namespace talvora::vmac {
class PrivacySettings;
} // namespace talvora::vmac

namespace talvora::qt {

// The virtual Mac's System Settings at its "Privacy & Security" pane, as far as it concerns
// Talvora: under "Accessibility" and under "Screen & System Audio Recording", Talvora's row
// with its switch. A switch changes the Mac's privacy settings at once; Accessibility takes
// effect at once, screen recording only once Talvora is quit and opened again, which the
// pane then says under the switch.
class PrivacyPaneWindow final : public QWidget {
public:
    enum class Section { Accessibility, ScreenRecording };

    explicit PrivacyPaneWindow(vmac::PrivacySettings& privacy);

    // Brings the pane to the front with `section` in view.
    void reveal(Section section);
    // Shows the settings as they stand now.
    void refresh();

    // Told after every change made here.
    std::function<void()> onChange;
    // Quits Talvora and opens it again, so a screen-recording change takes effect; the pane
    // offers it beside its note while one is waiting. Set before the pane is first refreshed.
    std::function<void()> quitAndReopen;

    QCheckBox* toggle(Section section) const;

private:
    vmac::PrivacySettings& m_privacy;
    QCheckBox* m_accessibility;
    QCheckBox* m_screenRecording;
    QLabel* m_relaunchNote;
    QPushButton* m_quitAndReopen;
};

// Which section a System Settings address names: the privacy pane's screen-capture anchor or
// its Accessibility anchor; nothing for any other address.
std::optional<PrivacyPaneWindow::Section> privacySectionOf(const std::string& url);

} // namespace talvora::qt
