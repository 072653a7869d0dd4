#include "reminderclock.h"

#include "logging.h"
#include "wallclock.h"

#include <QTime>

namespace {

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
    if (pending < -SetBackToleranceMinutes) {
        qCInfo(lcClock) << "clock set back by" << -pending << "minutes: checking afresh from"
                        << current;
        startAfresh(current);
        pending = 1;
    }
    // A minute already checked is not checked again, also when the clock has been set back
    // a little to before it: its reminders have been shown.
    if (pending <= 0)
        return plan;
    QDateTime reading = m_lastReading;
    if (pending > PopUpGapMinutes + 1) {
        qCInfo(lcClock) << "no check for" << pending - 1 << "minutes: listing their reminders";
        plan.missedEnd = current.addSecs(-60);
        plan.missedUpTo = WallClock::readingAt(plan.missedEnd);
        plan.missedAfter = qMax(reading, plan.missedUpTo.addDays(-MissedDays));
        reading = qMax(reading, plan.missedUpTo);
        pending = 1;
    }
    for (qint64 back = pending - 1; back >= 0; --back) {
        Minute minute{current.addSecs(-60 * back), {}};
        // One reading a minute, but for the hour a change to summer time skips (or a time
        // zone change, at most a day of it).
        const QDateTime shown = WallClock::readingAt(minute.start);
        for (QDateTime r = qMax(reading, shown.addDays(-1)).addSecs(60); r <= shown;
             r = r.addSecs(60))
            minute.readings.append(r);
        reading = qMax(reading, shown);
        plan.minutes.append(minute);
    }
    return plan;
}

void ReminderClock::start(const QDateTime &now)
{
    // The program's first minute is one of its minutes too, even when its check fails.
    if (!m_lastChecked.isValid() && now.isValid())
        startAfresh(minuteStart(now));
}

void ReminderClock::startAfresh(const QDateTime &current)
{
    m_lastChecked = current.addSecs(-60);
    m_lastReading = WallClock::readingAt(m_lastChecked);
}

void ReminderClock::resume(const QDateTime &reading)
{
    // The first moment that showed it: in an hour that came twice, a restart in its second
    // coming finds the readings checked in the first one behind it and brings them no more.
    const QDateTime moment = WallClock::firstMomentAt(reading);
    if (!reading.isValid() || !moment.isValid())
        return;
    m_lastChecked = minuteStart(moment);
    m_lastReading = WallClock::readingAt(reading);
}

void ReminderClock::markChecked(const QDateTime &minute)
{
    m_lastChecked = minute;
    m_lastReading = qMax(m_lastReading, WallClock::readingAt(minute));
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
