#pragma once

#include "syncprocess.h"

#include <QObject>

#include <utility>

class QTimer;

// The background syncs with the account of the data folder, each a run of the program's own
// `sync` sub-command (see SyncProcess), so that the reminders never wait for the network:
// shortly after the start, soon after each change to event.db, every few minutes, after a
// wake-up from suspend, and when the user asks. One runs at a time; what is asked for
// meanwhile runs after it. Without an account it does nothing.
class SyncRunner : public QObject
{
    Q_OBJECT
public:
    static constexpr int StartDelayMs = 5 * 1000;    // after the tray icon and first tick
    static constexpr int ChangeDelayMs = 2 * 1000;   // a burst of writes syncs once
    static constexpr int IntervalMs = 5 * 60 * 1000; // the server's changes come down
    static constexpr int WakeDelayMs = 15 * 1000;    // the network comes up after a wake
    static constexpr int WakeJumpMs = 90 * 1000;     // a regular sync this much late: a wake

    // `program` is the tasquill executable; `folder` the data folder, holding event.db and
    // sync.conf.
    SyncRunner(const QString &program, const QString &folder, QObject *parent = nullptr);

    // The program runs from now: with an account, a first sync comes shortly, then the
    // regular ones. Without one no timer runs (the program stays asleep between minutes).
    void start();
    bool isRunning() const { return m_command->isRunning(); }
    // Whether the user asked for the run that is running, or that has just finished.
    bool askedByUser() const { return m_asked; }

public slots:
    // event.db (or its folder) changed: a sync follows within seconds, unless the file is as
    // the last sync left it, which was that sync's own write.
    void localChange();
    // The user asked: a sync now (or after the one running), whose end is always reported.
    void syncNow();
    // The account was set or changed: a sync follows shortly.
    void accountChanged();
    // The computer woke from suspend: the network comes up, then a sync.
    void wokeUp();

signals:
    // A sync ended: `message` is what the sub-command said.
    void finished(bool ok, const QString &message);
    // A sync wrote event.db: what came down may change today's list.
    void wrote();

private:
    using Stamp = std::pair<qint64, qint64>; // event.db's size and change time
    Stamp stamp() const;
    void soon(int delayMs);
    // `followUp`: run only for writes seen during the last run, which may have been its own.
    void request(bool asked, bool followUp = false);
    void run(bool asked, bool followUp);
    void ended(const SyncProcess::Result &result);
    // A regular sync's time came: later than due means the computer slept meanwhile.
    void regular();

    QString m_folder;
    SyncProcess *m_command = nullptr;
    QTimer *m_soon = nullptr;
    QTimer *m_every = nullptr;
    qint64 m_everyStarted = 0; // the wall clock when the regular timer was last started, in ms
    bool m_asked = false;      // of the run running or just ended
    bool m_followUp = false;   // the running sync is one more after writes during the last
    bool m_pending = false;
    bool m_pendingAsked = false;
    Stamp m_atStart; // as the running sync found it
    Stamp m_synced;  // as the last sync left it (or as found before the first)
    bool m_changedMeanwhile = false;
};
