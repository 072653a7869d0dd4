#include "reminderclock.h"

#include <QLoggingCategory>
#include <QTime>

namespace {

Q_LOGGING_CATEGORY(lcClock, "tasquill.clock", QtInfoMsg)

const QTime RolloverMinute(0, 1);

} // namespace

QDateTime ReminderClock::minuteStart(const QDateTime &moment)
{
    // Subtracting the seconds rather than rebuilding the moment from its fields keeps it
    // well defined around a daylight saving change.
    const QTime t = moment.time();
    return moment.addMSecs(-qint64(t.second()) * 1000 - t.msec());
}

ReminderClock::Plan ReminderClock::plan(const QDateTime &now)
{
    Plan plan;
    if (!now.isValid())
        return plan;
    start(now);
    const QDateTime current = minuteStart(now);
    qint64 pending = m_lastChecked.msecsTo(current) / 60000; // ending with the current one
    // A minute already checked is not checked again, also when the clock has been set back
    // to before it: its reminders have been shown.
    if (pending <= 0)
        return plan;
    if (pending > PopUpGapMinutes + 1) {
        qCInfo(lcClock) << "no check for" << pending - 1 << "minutes: listing their reminders";
        plan.missedAfter = qMax(m_lastChecked, current.addDays(-MissedDays));
        plan.missedUpTo = current.addSecs(-60);
        pending = 1;
    }
    for (qint64 back = pending - 1; back >= 0; --back)
        plan.minutes.append(current.addSecs(-60 * back));
    return plan;
}

void ReminderClock::start(const QDateTime &now)
{
    // The program's first minute is one of its minutes too, even when its check fails.
    if (!m_lastChecked.isValid() && now.isValid())
        m_lastChecked = minuteStart(now).addSecs(-60);
}

void ReminderClock::resume(const QDateTime &minute)
{
    if (minute.isValid() && (!m_lastChecked.isValid() || minute < m_lastChecked))
        m_lastChecked = minuteStart(minute);
}

void ReminderClock::markChecked(const QDateTime &minute)
{
    m_lastChecked = minute;
}

bool ReminderClock::rebuildDue(const QList<QDateTime> &checked, const QDate &today) const
{
    if (!m_rebuiltOn.isValid() || today != m_rebuiltOn)
        return true;
    for (const QDateTime &minute : checked) {
        if (minute.time() == RolloverMinute)
            return true;
    }
    return false;
}

void ReminderClock::noteRebuilt(const QDate &date)
{
    m_rebuiltOn = date;
}
