#pragma once

#include "reminderservice.h"

#include <QDateTime>
#include <QObject>

#include <functional>

class EventStore;
class QFileSystemWatcher;
class QTimer;
class WakeTimer;

// The minute loop as it runs: it sleeps until the next moment the service aims at, on a
// timer that counts time spent suspended, and wakes early when the clock is set or event.db
// changes (a write of another program, a file put in its place). Each tick's result goes to
// whoever shows it, whatever made the tick (the timer, a change, the user's action), and
// every tick aims the wake anew.
class ReminderLoop : public QObject
{
    Q_OBJECT
public:
    // `now` reads the clock: the system's, or one a test sets.
    ReminderLoop(EventStore &store, std::function<QDateTime()> now, QObject *parent = nullptr);
    ~ReminderLoop() override;

    // The program runs from now: the minute it started in is checked `firstCheckMs` later
    // (or at the first check() before that).
    void start(int firstCheckMs);
    // A tick at `now`; with `rebuild`, today's list is rebuilt even when not due.
    void check(const QDateTime &now, bool rebuild = false);
    // A tick now, unless one was made already.
    void checkIfNotYet();
    // Notes the last minute checked in the file, as the program does before it quits.
    void saveMarker() { m_service.saveMarker(); }

signals:
    void ticked(const ReminderService::Tick &tick);
    // event.db or its folder changed, whoever wrote (this program too): for those that
    // follow every write, as the calendar sync does.
    void fileTouched();

private:
    void fileChanged();
    void watchFile();

    EventStore &m_store;
    std::function<QDateTime()> m_now;
    ReminderService m_service;
    WakeTimer *m_wake = nullptr;
    QFileSystemWatcher *m_watch = nullptr;
    QTimer *m_settle = nullptr;
    bool m_checked = false;
};
