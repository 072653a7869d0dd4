#pragma once

#include "event.h"
#include "ui_missedwindow.h"

#include <QWidget>

class EventStore;

// "错过的提醒": the reminders that fell due while the program was not running or the
// computer slept, in one list instead of a window each. "完成" records the selected ones as
// their reminder windows would have, "忽略" drops them from the list, "全部忽略" closes it.
class MissedWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MissedWindow(EventStore &store, QWidget *parent = nullptr);

    // Adds reminders to the list.
    void add(const QList<Reminder> &missed);

signals:
    void completedSignal();

public slots:
    void doIt();
    void ignore();

private:
    // The selected rows, last first, so that they can be taken out one after another.
    QList<int> selectedRows() const;
    void showRows();

    Ui::MissedWindow ui;
    EventStore &m_store;
    QList<Reminder> m_missed; // what the list shows, row for row
};
