#include "calendarfiles.h"

#include "calendartransfer.h"
#include "clock.h"
#include "dialogs.h"

#include <QAction>
#include <QWidget>

namespace {

const QString Filter = QStringLiteral("iCalendar 日历 (*.ics);;所有文件 (*)");

void tell(QWidget *window, const QString &title, const CalendarTransfer::Report &report)
{
    if (report.outcome == CalendarTransfer::Report::Outcome::Done)
        Dialogs::about(window, title, report.text);
    else
        Dialogs::error(window, title, report.text);
}

} // namespace

CalendarFiles::CalendarFiles(EventStore &store, QWidget *window, QAction *importAction,
                             QAction *exportAction)
    : QObject(window), m_store(store), m_window(window)
{
    connect(importAction, &QAction::triggered, this, &CalendarFiles::importCalendar);
    connect(exportAction, &QAction::triggered, this, &CalendarFiles::exportCalendar);
}

void CalendarFiles::importCalendar()
{
    const QString title = QStringLiteral("导入日历");
    const QString path = Dialogs::openFileName(m_window, title, Filter);
    if (path.isEmpty())
        return;
    const CalendarTransfer::Report report =
        CalendarTransfer::importFile(m_store, path, Clock::now());
    if (report.outcome == CalendarTransfer::Report::Outcome::Done)
        emit imported();
    tell(m_window, title, report);
}

void CalendarFiles::exportCalendar()
{
    const QString title = QStringLiteral("导出日历");
    const QString path = Dialogs::saveFileName(m_window, title, Filter);
    if (!path.isEmpty())
        tell(m_window, title, CalendarTransfer::exportFile(m_store, path, Clock::now()));
}
