#include "privacy_windows.h"

#include "privacy_grants.h"

#include "host/composition.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

namespace talvora::app {

namespace {

std::optional<QPoint> centreOnScreen(const QWidget* widget)
{
    if (!widget || !widget->isVisible() || !widget->window()->isVisible())
        return std::nullopt;
    return widget->mapToGlobal(widget->rect().center());
}

} // namespace

PrivacyWindows::PrivacyWindows(host::Composition& app)
    : m_app(app)
{
    // The app opens System Settings by address; the virtual Mac answers the privacy pane's.
    app.settingsSupport().workspaceActions().urlHandler = [this](const std::string& url) {
        if (auto section = qt::privacySectionOf(url)) {
            openPane(*section);
            return true;
        }
        return url.starts_with("x-apple.systempreferences:");
    };
}

PrivacyWindows::~PrivacyWindows() = default;

void PrivacyWindows::openPane(qt::PrivacyPaneWindow::Section section)
{
    if (!m_pane) {
        m_pane = std::make_unique<qt::PrivacyPaneWindow>(m_app.privacy());
        m_pane->onChange = [this] {
            const auto& privacy = m_app.privacy();
            if (!storePrivacyGrants(m_app.home(), privacy.screenRecordingAllowed(), privacy.accessibilityAllowed()))
                QMessageBox::warning(m_pane.get(), QStringLiteral("Privacy & Security"),
                    QStringLiteral("The setting could not be saved in %1; it holds only until Talvora quits.")
                        .arg(QString::fromStdString(privacyGrantsFile(m_app.home()))));
        };
        m_pane->quitAndReopen = [this] {
            // Quitting before the new instance is on its way would leave nothing running.
            auto& process = m_app.settingsSupport().process();
            if (auto error = process.relaunchAfterExit()) {
                QMessageBox::warning(m_pane.get(), QStringLiteral("Quit & Reopen"),
                    QStringLiteral("Talvora could not be reopened: %1.").arg(QString::fromStdString(*error)));
                return;
            }
            process.terminate();
        };
    }
    m_pane->reveal(section);
}

void PrivacyWindows::refresh()
{
    auto& privacy = m_app.privacy();
    if (m_promptHandled || !privacy.isScreenCapturePromptShown())
        return;
    m_promptHandled = true; // the system asks once per launch
    m_prompt = std::make_unique<QMessageBox>();
    m_prompt->setWindowTitle(QStringLiteral("Screen & System Audio Recording"));
    m_prompt->setIcon(QMessageBox::Information);
    m_prompt->setText(QStringLiteral("\u201CTalvora\u201D would like to record this computer\u2019s screen and audio."));
    m_prompt->setInformativeText(
        QStringLiteral("Grant access to this application in Privacy & Security settings, located in System Settings."));
    auto* open = m_prompt->addButton(QStringLiteral("Open System Settings"), QMessageBox::AcceptRole);
    m_prompt->addButton(QStringLiteral("Deny"), QMessageBox::RejectRole);
    m_openButton = open;
    QObject::connect(m_prompt.get(), &QMessageBox::buttonClicked, [this, open](QAbstractButton* button) {
        m_app.privacy().dismissScreenCapturePrompt();
        m_openButton = nullptr;
        if (button == open)
            openPane(qt::PrivacyPaneWindow::Section::ScreenRecording);
    });
    m_prompt->setModal(false);
    m_prompt->show();
}

std::optional<QPoint> PrivacyWindows::promptOpenButton() const { return m_openButton ? centreOnScreen(m_openButton) : std::nullopt; }

std::optional<QPoint> PrivacyWindows::paneToggle(qt::PrivacyPaneWindow::Section section) const
{
    if (!m_pane)
        return std::nullopt;
    // The switch's box, at the left of its row.
    const QCheckBox* toggle = m_pane->toggle(section);
    if (!toggle->isVisible())
        return std::nullopt;
    return toggle->mapToGlobal(QPoint(8, toggle->height() / 2));
}

bool PrivacyWindows::isPaneShown() const { return m_pane && m_pane->isVisible(); }

} // namespace talvora::app
