#pragma once

#include <QObject>

class EventStore;
class QAction;
class QWidget;

// The main window's 导入日历… and 导出日历…: a file chosen, the reminders moved as the
// command line moves them, and the user told what came in, what went out and what was
// left out.
class CalendarFiles : public QObject
{
    Q_OBJECT
public:
    // Answers `importAction` and `exportAction` of `window`'s menu.
    CalendarFiles(EventStore &store, QWidget *window, QAction *importAction, QAction *exportAction);

    void importCalendar();
    void exportCalendar();

signals:
    // Reminders were added: today's list may have changed.
    void imported();

private:
    EventStore &m_store;
    QWidget *m_window;
};
