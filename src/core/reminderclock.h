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
    // The longest gap that is caught up; a longer one is checked for its last day only.
    static constexpr int MaxCatchUpMinutes = 24 * 60;

    // The starts of the minutes not yet checked, oldest first, up to the minute `now` falls
    // in. The clock starts with the minute of the first call. Empty when that minute has
    // been checked. When the clock has been set back, checking goes on from the new minute.
    QList<QDateTime> pendingMinutes(const QDateTime &now);
    // `minute` (a start pendingMinutes() gave) and the minutes before it are checked.
    void markChecked(const QDateTime &minute);

    // Whether today's list is due for its rebuild once `checked` have been checked: at
    // 0:01, and whenever the date differs from that of the last rebuild.
    bool rebuildDue(const QList<QDateTime> &checked, const QDate &today) const;
    void noteRebuilt(const QDate &date);

    // Milliseconds from `now` to the start of the next minute (1 … 60000).
    static int msecsToNextMinute(const QDateTime &now);

private:
    QDateTime m_lastChecked;
    QDate m_rebuiltOn;
};
