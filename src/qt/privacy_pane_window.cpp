#include "qt/privacy_pane_window.h"

#include "qt/settings_style.h"
#include "vmac/virtual_application.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>


namespace talvora::qt {

namespace {

constexpr const char* kPrivacyPane = "x-apple.systempreferences:com.apple.preference.security";

// One section: its title, what it allows, and Talvora's row with its switch.
QCheckBox* addSection(QVBoxLayout* layout, const QString& title, const QString& caption, const QString& objectName)
{
    auto* heading = new QLabel(title);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    auto* explanation = new QLabel(caption);
    makeCaption(explanation);
    layout->addWidget(explanation);
    auto* row = new QFrame;
    row->setFrameShape(QFrame::StyledPanel);
    auto* rowLayout = new QVBoxLayout(row);
    auto* toggle = new QCheckBox(QStringLiteral("Talvora"));
    toggle->setObjectName(objectName);
    rowLayout->addWidget(toggle);
    layout->addWidget(row);
    return toggle;
}

} // namespace

std::optional<PrivacyPaneWindow::Section> privacySectionOf(const std::string& url)
{
    const std::string pane = kPrivacyPane;
    if (url.rfind(pane, 0) != 0)
        return std::nullopt;
    const std::string rest = url.substr(pane.size());
    if (rest == "?Privacy_ScreenCapture")
        return PrivacyPaneWindow::Section::ScreenRecording;
    if (rest == "?Privacy_Accessibility")
        return PrivacyPaneWindow::Section::Accessibility;
    return std::nullopt;
}

PrivacyPaneWindow::PrivacyPaneWindow(vmac::PrivacySettings& privacy)
    : m_privacy(privacy)
{
    setWindowTitle(QStringLiteral("Privacy & Security"));
    setObjectName("privacyPane");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 20);
    layout->setSpacing(6);
    auto* title = new QLabel(QStringLiteral("Privacy & Security"));
    QFont large = title->font();
    large.setPointSizeF(large.pointSizeF() * 1.4);
    large.setBold(true);
    title->setFont(large);
    layout->addWidget(title);
    layout->addSpacing(8);

    m_accessibility = addSection(layout, QStringLiteral("Accessibility"),
        QStringLiteral("Allow the applications below to control your computer."), QStringLiteral("accessibilityToggle"));
    layout->addSpacing(12);
    m_screenRecording = addSection(layout, QStringLiteral("Screen & System Audio Recording"),
        QStringLiteral("Allow the applications below to record the content of your screen and audio."), QStringLiteral("screenRecordingToggle"));
    m_relaunchNote = new QLabel(QStringLiteral("\u201CTalvora\u201D will not be able to record the content of your screen until it is quit."));
    m_relaunchNote->setObjectName("relaunchNote");
    makeCaption(m_relaunchNote);
    m_relaunchNote->setWordWrap(true);
    layout->addWidget(m_relaunchNote);
    m_quitAndReopen = new QPushButton(QStringLiteral("Quit && Reopen"));
    m_quitAndReopen->setObjectName("quitAndReopen");
    auto* reopenRow = new QHBoxLayout;
    reopenRow->addStretch();
    reopenRow->addWidget(m_quitAndReopen);
    layout->addLayout(reopenRow);
    connect(m_quitAndReopen, &QPushButton::clicked, this, [this] {
        if (quitAndReopen)
            quitAndReopen();
    });
    layout->addStretch();

    connect(m_accessibility, &QCheckBox::toggled, this, [this](bool on) {
        m_privacy.setAccessibilityAllowed(on);
        refresh();
        if (onChange)
            onChange();
    });
    connect(m_screenRecording, &QCheckBox::toggled, this, [this](bool on) {
        m_privacy.setScreenRecordingAllowed(on);
        refresh();
        if (onChange)
            onChange();
    });
    refresh();
    resize(460, 360);
}

QCheckBox* PrivacyPaneWindow::toggle(Section section) const
{
    return section == Section::Accessibility ? m_accessibility : m_screenRecording;
}

void PrivacyPaneWindow::refresh()
{
    const QSignalBlocker a(m_accessibility);
    const QSignalBlocker s(m_screenRecording);
    m_accessibility->setChecked(m_privacy.accessibilityAllowed());
    m_screenRecording->setChecked(m_privacy.screenRecordingAllowed());
    m_relaunchNote->setVisible(m_privacy.screenRecordingNeedsRelaunch());
    m_quitAndReopen->setVisible(m_privacy.screenRecordingNeedsRelaunch() && quitAndReopen);
}

void PrivacyPaneWindow::reveal(Section section)
{
    refresh();
    show();
    raise();
    activateWindow();
    toggle(section)->setFocus();
}

} // namespace talvora::qt
