#include "qt/usage_events_section.h"

#include "qt/settings_page.h"
#include "qt/settings_style.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStringList>
#include <QVBoxLayout>

namespace talvora::qt {

namespace {

QLabel* wrappedLabel(const char* name)
{
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

void addUsageEventsSection(SettingsPage& page, std::function<TelemetryDisclosure()> describe)
{
    auto* section = page.addSection("Usage Events");
    auto* summary = wrappedLabel("usageEventsSummary");
    auto* optOut = wrappedLabel("usageEventsOptOut");
    makeCaption(optOut);
    auto* destination = wrappedLabel("usageEventsDestination");
    makeSecondary(destination);
    auto* schedule = wrappedLabel("usageEventsSchedule");
    makeSecondary(schedule);
    auto* bodyTitle = wrappedLabel("usageEventsBodyTitle");
    // The body is compact JSON without spaces, which a label cannot wrap: a small read-only
    // text view wraps it anywhere and lets the person select and copy it.
    auto* body = new QPlainTextEdit;
    body->setObjectName("usageEventsBody");
    body->setReadOnly(true);
    body->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    body->setWordWrapMode(QTextOption::WrapAnywhere);
    body->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    body->setFixedHeight(body->fontMetrics().lineSpacing() * 3 + 12);
    for (QWidget* row : std::initializer_list<QWidget*> { summary, optOut, destination, schedule, bodyTitle, body })
        section->addWidget(row);

    page.onRefresh([describe = std::move(describe), summary, optOut, destination, schedule, bodyTitle, body] {
        const TelemetryDisclosure d = describe();
        summary->setText(QString::fromStdString(d.summary));
        optOut->setText(QString::fromStdString(d.optOut));
        optOut->setVisible(!d.optOut.empty());
        const bool on = d.state == TelemetryDisclosure::State::On;
        for (QWidget* row : std::initializer_list<QWidget*> { destination, schedule, bodyTitle, body })
            row->setVisible(on);
        if (!on)
            return;
        destination->setText(QString::fromStdString("Sent to: " + d.destination));
        QStringList lines;
        for (const auto& line : d.schedule)
            lines << QString::fromStdString(line);
        schedule->setText(lines.join('\n'));
        bodyTitle->setText(QString::fromStdString("The next event, exactly as it is sent (" + d.nextEvent + "):"));
        const QString text = QString::fromStdString(d.nextBody);
        if (body->toPlainText() != text)
            body->setPlainText(text);
    });
}

} // namespace talvora::qt
