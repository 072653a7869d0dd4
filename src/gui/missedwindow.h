#pragma once

#include "event.h"
#include "ui_missedwindow.h"

#include <QWidget>

class EventStore;
class ReminderChime;

// "错过的提醒": the reminders that fell due while the program was not running or the
// computer slept, in one list instead of a window each. "完成" records the selected ones as
// their reminder windows would have, "忽略" drops them from the list, "全部忽略" closes it.
// Given a chime, it is "更多提醒" instead: reminders due now that found no room on the screen
// for a window of their own, sounding as their windows would until the user acts in it.
class MissedWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MissedWindow(EventStore &store, ReminderChime *chime = nullptr,
                          QWidget *parent = nullptr);

    // Adds reminders to the list; with a chime, the list sounds again.
    void add(const QList<Reminder> &missed);

signals:
    void completedSignal();

public slots:
    void doIt();
    void ignore();

private:
    void quiet();
    // The selected rows, last first, so that they can be taken out one after another.
    QList<int> selectedRows() const;
    void showRows();

    Ui::MissedWindow ui;
    EventStore &m_store;
    ReminderChime *m_chime;
    QList<Reminder> m_missed; // what the list shows, row for row
};
