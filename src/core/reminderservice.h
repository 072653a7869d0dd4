#pragma once

#include "event.h"
#include "reminderclock.h"
#include "storeerror.h"

#include <QDateTime>
#include <QList>

class EventStore;

// The minute loop: at each tick it checks the minutes not yet checked for due reminders,
// hands back the snoozed reminders whose time has come, and rebuilds today's list when the
// day has turned. The main window only forwards its timer here and opens what comes back.
//
// Nothing is lost to a failure: a minute counts as checked only once its events were read,
// so a read that fails (a file locked by another program) is tried again at the next tick,
// and a file that could not be opened is opened again at each tick until it opens.
//
// Nothing slips by while the program is not running: the last minute checked is noted in
// the file, and at the next start (or after a suspend) a gap of more than a few minutes
// comes back as one list of missed reminders rather than a window for each.
class ReminderService
{
public:
    // The longest the program sleeps between ticks when nothing falls due: a change of
    // the time zone, which nothing announces, is noticed within this time.
    static constexpr int QuietLimitMinutes = 30;
    // A tick that could not read the file (another program holds it) is tried again after
    // RetrySeconds, for RetryQuicklyMinutes; then once a minute.
    static constexpr int RetrySeconds = 5;
    static constexpr int RetryQuicklyMinutes = 3;

    explicit ReminderService(EventStore &store);

    struct Tick
    {
        QList<Reminder> due;      // to remind of now, minute by minute, in storage order
        QList<Reminder> missed;   // due while the program was away, earliest first
        bool listChanged = false; // today's list was rebuilt: show it again
        // What went wrong, for the user; each is repeated at every tick it happens again.
        QList<StoreError> failures;
        // What the user is told once: a year the calendar of working days does not cover.
        QStringList notices;
        // When the next tick is needed: the next moment something can fall due, the turn
        // of the day, or QuietLimitMinutes ahead; after a failure, within seconds. The
        // minutes before it count as checked unless the events change: any change to the
        // file must be followed by a tick, which aims again.
        QDateTime wakeAt;
    };

    // The program runs from `now`: the minute it started in is checked at the first tick,
    // also when that comes a moment later.
    void start(const QDateTime &now) { m_clock.start(now); }

    // The tick at `now`. With `rebuild`, today's list is rebuilt even when not due (after
    // a change); the rebuild waits while earlier minutes could not be checked, so that a
    // once-only event is never moved to the history before its minute was checked.
    Tick tick(const QDateTime &now, bool rebuild = false);

    // Notes the last minute checked in the file, as the program does before it quits.
    void saveMarker();
    // Whether the file changed or was replaced (or the last tick failed) since the last
    // tick aimed its wake: a tick is due then, since that aim may no longer hold.
    bool changedSinceAim();

private:
    // The steps of a tick.
    void countQuietMinutes(const QDateTime &now, bool replaced);
    bool checkMissed(const ReminderClock::Plan &plan, Tick *tick);
    bool checkMinutes(const ReminderClock::Plan &plan, Tick *tick);
    bool takeSnoozes(const QDateTime &now, Tick *tick);
    void rebuildIfDue(const QDateTime &now, const ReminderClock::Plan &plan, bool rebuild,
                      Tick *tick);
    // Sets the tick's wakeAt and notes the minutes before it as quiet.
    bool aimWake(const QDateTime &now, Tick *tick);
    void retryAfterFailure(const QDateTime &now, const StoreError &failure, Tick *tick);

    EventStore &m_store;
    ReminderClock m_clock;
    bool m_resumed = false;     // the marker of the last run has been read
    bool m_markerBehind = true; // reminders came (or the run began) since it was noted
    QDateTime m_quietUpTo;      // the last minute known to have nothing due, when aimed
    qint64 m_aimedAtStamp = 0;  // the file's change stamp then
    bool m_toldReadOnly = false;
    QDateTime m_failingSince; // the first of the ticks failing in a row
};
