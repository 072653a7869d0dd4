#include "reminderclock.h"

#include <QLoggingCategory>
#include <QTime>

namespace {

Q_LOGGING_CATEGORY(lcClock, "tasquill.clock", QtInfoMsg)

// The start of the minute `moment` falls in, in the same time zone. Subtracting the seconds
// rather than rebuilding the moment from its fields keeps it well defined around a daylight
// saving change.
QDateTime minuteStart(const QDateTime &moment)
{
    const QTime t = moment.time();
    return moment.addMSecs(-qint64(t.second()) * 1000 - t.msec());
}

const QTime RolloverMinute(0, 1);

} // namespace

QList<QDateTime> ReminderClock::pendingMinutes(const QDateTime &now)
{
    if (!now.isValid())
        return {};
    const QDateTime current = minuteStart(now);
    // The program's first minute is one of its minutes too, even when its check fails.
    if (!m_lastChecked.isValid())
        m_lastChecked = current.addSecs(-60);
    qint64 pending = m_lastChecked.msecsTo(current) / 60000; // ending with the current one
    if (pending == 0)
        return {}; // this minute has been checked already
    if (pending < 0) {
        qCInfo(lcClock) << "clock set back from" << m_lastChecked << "to" << current;
        pending = 1;
    } else if (pending > MaxCatchUpMinutes) {
        qCWarning(lcClock) << "no check for" << pending << "minutes; checking the last"
                           << MaxCatchUpMinutes << "only";
        pending = MaxCatchUpMinutes;
    }
    QList<QDateTime> minutes;
    minutes.reserve(int(pending));
    for (qint64 back = pending - 1; back >= 0; --back)
        minutes.append(current.addSecs(-60 * back));
    return minutes;
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

int ReminderClock::msecsToNextMinute(const QDateTime &now)
{
    const QTime t = now.time();
    return 60000 - (t.second() * 1000 + t.msec());
}
