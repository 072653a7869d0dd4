#pragma once

#include "event.h"

#include <QHash>
#include <QObject>

class DesktopNotifier;
class EventStore;
class ReminderChime;

// Reminders as desktop notifications, where the program cannot place a window of its own:
// one notification a reminder, ringing the chime as its window would until answered. "完成"
// records it as the window's "完成" does, "稍后提醒" puts it off for ten minutes, closing it
// silences it. Missed reminders come as one notification, whose click opens their list.
class ReminderNotifications : public QObject
{
    Q_OBJECT
public:
    ReminderNotifications(EventStore &store, ReminderChime *chime, QObject *parent = nullptr);

    void show(const Reminder &reminder);
    void showMissed(int count);

signals:
    void completed();                           // a reminder was done: today's list changed
    void undelivered(const Reminder &reminder); // no service took it: its window shows
    void missedOpened();                        // the list of missed reminders is wanted

private:
    void sent(const QString &tag, uint id);
    void failed(const QString &tag);
    void answered(uint id, const QString &action);
    void finish(uint id);

    EventStore &m_store;
    ReminderChime *m_chime;
    DesktopNotifier *m_notifier;
    qint64 m_tags = 0;
    QHash<QString, Reminder> m_pending; // sent, their ids not known yet
    struct Shown
    {
        Reminder reminder;
        QObject *sounding; // its part in the chime
    };
    QHash<uint, Shown> m_shown;
    uint m_missed = 0; // the notification of the missed reminders
};
