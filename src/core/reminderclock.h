#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>

// Decides, at each tick of the minute timer, which minutes to check for due reminders so
// that every minute of the running program is checked exactly once: a late, early, doubled
// or missing tick, a stalled event loop or a suspended computer changes nothing. The moment
// is always passed in.
class ReminderClock
{
public:
    struct Plan
    {
        QList<QDateTime> minutes; // minute starts to check, oldest first
        bool rebuild = false;     // rebuild today's list after their reminders
    };

    // The longest gap that is caught up; a longer one is checked for its last day only.
    static constexpr int MaxCatchUpMinutes = 24 * 60;

    // The tick at `now`. The first tick checks the minute it falls in. A tick in a minute
    // already checked checks nothing. Skipped minutes are checked in order. When the clock
    // has been set back, checking goes on from the new minute. `rebuild` is set when 0:01 is
    // among the minutes or the date differs from the last rebuild noted.
    Plan tick(const QDateTime &now);

    // Today's list was rebuilt for `date`.
    void noteRebuilt(const QDate &date);

    // Milliseconds from `now` to the start of the next minute (1 … 60000).
    static int msecsToNextMinute(const QDateTime &now);

private:
    QDateTime m_lastChecked;
    QDate m_rebuiltOn;
};
