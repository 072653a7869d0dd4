#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>

// Decides which minutes to check for due reminders so that every minute of the running
// program is checked exactly once: a late, early, doubled or missing tick, a stalled event
// loop or a suspended computer changes nothing. A minute counts as checked only once the
// caller says so, so a minute whose check failed is offered again. The moment is always
// passed in.
class ReminderClock
{
public:
    // A gap longer than this is not caught up with one reminder window after another: its
    // reminders are listed as missed, from at most the last MissedDays.
    static constexpr int PopUpGapMinutes = 10;
    static constexpr int MissedDays = 31;

    struct Plan
    {
        // The starts of the minutes to check one by one, oldest first, ending with the
        // minute `now` falls in; empty when that has been checked.
        QList<QDateTime> minutes;
        // A longer gap before them: its minutes after `missedAfter` up to `missedUpTo`.
        QDateTime missedAfter;
        QDateTime missedUpTo;
    };

    // The clock starts with the minute of the first call, or goes on from the last minute
    // a previous run checked (resume()). When the clock has been set back, nothing is
    // checked until it reaches a minute not checked before: no reminder comes twice.
    Plan plan(const QDateTime &now);
    // Starts the clock at the minute of `now` unless it runs already.
    void start(const QDateTime &now);
    // The program checked up to `minute` in an earlier run; an earlier minute than the
    // clock knows of is taken, so that the time in between is checked.
    void resume(const QDateTime &minute);
    // `minute` (a start plan() gave) and the minutes before it are checked.
    void markChecked(const QDateTime &minute);
    QDateTime lastChecked() const { return m_lastChecked; }

    // Whether today's list is due for its rebuild once `checked` have been checked: at
    // 0:01, and whenever the date differs from that of the last rebuild.
    bool rebuildDue(const QList<QDateTime> &checked, const QDate &today) const;
    void noteRebuilt(const QDate &date);

    // The start of the minute `moment` falls in, in the same time zone.
    static QDateTime minuteStart(const QDateTime &moment);

private:
    QDateTime m_lastChecked;
    QDate m_rebuiltOn;
};
