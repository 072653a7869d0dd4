#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>

// Decides which minutes to check for due reminders so that every minute of the running
// program is checked exactly once: a late, early, doubled or missing tick, a stalled event
// loop or a suspended computer changes nothing. A minute counts as checked only once the
// caller says so, so a minute whose check failed is offered again. The moment is always
// passed in.
//
// Minutes are counted on the real time line; what falls due in each is what the wall clock
// showed meanwhile (see WallClock): every reading once, at the first minute that shows it
// or goes past it. An hour that daylight saving skips brings its reminders at the minute
// the clock jumps to; an hour it repeats brings them the first time only.
class ReminderClock
{
public:
    // A gap longer than this is not caught up with one reminder window after another: its
    // reminders are listed as missed, from at most the last MissedDays.
    static constexpr int PopUpGapMinutes = 10;
    static constexpr int MissedDays = 31;
    // The clock set back by more than this was wrong before and has been corrected (a
    // hardware clock kept in local time and read as UTC, until the network time came): the
    // minutes ahead of it were never lived, and checking starts afresh from the corrected
    // minute. A smaller step back waits until the clock reaches the minutes not yet checked,
    // so that nothing comes twice.
    static constexpr int SetBackToleranceMinutes = 5;

    struct Minute
    {
        QDateTime start;           // the moment the minute begins
        QList<QDateTime> readings; // the wall-clock minutes due in it, oldest first
    };
    struct Plan
    {
        // The minutes to check one by one, oldest first, ending with the minute `now`
        // falls in; empty when that has been checked.
        QList<Minute> minutes;
        // A longer gap before them: the readings after `missedAfter` up to `missedUpTo`,
        // checked once the gap's last minute, `missedEnd`, is marked.
        QDateTime missedAfter;
        QDateTime missedUpTo;
        QDateTime missedEnd;
    };

    Plan plan(const QDateTime &now);
    // Starts the clock at the minute of `now` unless it runs already.
    void start(const QDateTime &now);
    // An earlier run checked the readings up to `reading`: the clock goes on from there.
    // A reading ahead of the clock is a step back as in plan().
    void resume(const QDateTime &reading);
    // `minute` (a start plan() gave) and the minutes before it are checked.
    void markChecked(const QDateTime &minute);
    QDateTime lastChecked() const { return m_lastChecked; }
    // The latest reading checked: what a later run resumes from.
    QDateTime lastReading() const { return m_lastReading; }

    // Whether today's list is due for its rebuild once `checked` have been checked: at
    // 0:01, and whenever the date differs from that of the last rebuild.
    bool rebuildDue(const QList<QDateTime> &checked, const QDate &today) const;
    void noteRebuilt(const QDate &date);

    // The start of the minute `moment` falls in, in the same time zone.
    static QDateTime minuteStart(const QDateTime &moment);

private:
    void startAfresh(const QDateTime &current);

    QDateTime m_lastChecked;
    QDateTime m_lastReading;
    QDate m_rebuiltOn;
};
