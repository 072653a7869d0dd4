#pragma once

#include "event.h"
#include "ui_msgwindow.h"

#include <QWidget>

class EventStore;
class ReminderChime;

// The pop-up of one due reminder: shows its content and sounds the reminder chime; "稍等"
// silences it, "稍后提醒" puts the reminder off for a while (the window closes and comes
// back then) and "完成" records the item as completed and closes.
class MsgWindow : public QWidget
{
    Q_OBJECT
public:
    MsgWindow(const Reminder &reminder, EventStore &store, ReminderChime *chime,
              QWidget *parent = nullptr);

signals:
    void completedSignal();

public slots:
    void quiet();
    void doIt();
    // Puts the reminder off for `minutes`.
    void later(int minutes);

private:
    // Shows the next part of a long text.
    void showMore();

    Ui::MsgWindow ui;
    Reminder m_reminder;
    EventStore &m_store;
    ReminderChime *m_chime;
    qsizetype m_shown = 0; // how much of the content the text box holds
};
