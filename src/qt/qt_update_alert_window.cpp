#include "qt/qt_update_alert_window.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace talvora::qt {

QtUpdateAlertWindow::QtUpdateAlertWindow()
    : m_dialog(std::make_unique<QDialog>())
{
    openLink = [](const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::StrictMode)); };

    m_dialog->setWindowTitle(QStringLiteral("Software Update"));
    m_dialog->setObjectName(QStringLiteral("updateAlert"));
    m_dialog->setMinimumWidth(420);
    auto* layout = new QVBoxLayout(m_dialog.get());
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(10);

    m_title = new QLabel(m_dialog.get());
    m_title->setObjectName(QStringLiteral("title"));
    QFont bold = m_title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    m_title->setFont(bold);
    layout->addWidget(m_title);

    m_message = new QLabel(m_dialog.get());
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText); // a feed's text is never markup here
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_message);

    auto* buttons = new QDialogButtonBox(m_dialog.get());
    m_releaseNotes = buttons->addButton(QStringLiteral("Release Notes\u2026"), QDialogButtonBox::ActionRole);
    m_releaseNotes->setObjectName(QStringLiteral("releaseNotes"));
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    layout->addWidget(buttons);

    QObject::connect(ok, &QPushButton::clicked, m_dialog.get(), &QDialog::accept);
    QObject::connect(m_releaseNotes, &QPushButton::clicked, m_dialog.get(), [this] {
        if (!m_link.empty() && openLink)
            openLink(m_link);
        m_dialog->accept();
    });
}

QtUpdateAlertWindow::~QtUpdateAlertWindow() = default;

void QtUpdateAlertWindow::showUpdateAlert(const UpdateAlert& alert)
{
    m_title->setText(QString::fromStdString(alert.title));
    m_message->setText(QString::fromStdString(alert.message));
    m_link = alert.releaseNotesURL.value_or("");
    m_releaseNotes->setVisible(alert.releaseNotesURL.has_value());
    m_dialog->adjustSize();
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

} // namespace talvora::qt
