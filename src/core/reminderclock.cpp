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

const QString RolloverMinute = QStringLiteral("0:01");

} // namespace

ReminderClock::Plan ReminderClock::tick(const QDateTime &now)
{
    Plan plan;
    if (!now.isValid())
        return plan;

    const QDateTime current = minuteStart(now);
    qint64 pending = 1; // minutes to check, ending with the current one

    if (m_lastChecked.isValid()) {
        const qint64 elapsed = m_lastChecked.msecsTo(current);
        if (elapsed == 0)
            return plan; // this minute has been checked already
        if (elapsed < 0) {
            qCInfo(lcClock) << "clock set back from" << m_lastChecked << "to" << current;
        } else {
            pending = elapsed / 60000;
            if (pending > MaxCatchUpMinutes) {
                qCWarning(lcClock) << "no tick for" << pending << "minutes; checking the last"
                                   << MaxCatchUpMinutes << "only";
                pending = MaxCatchUpMinutes;
            } else if (pending > 1) {
                qCDebug(lcClock) << "catching up" << pending - 1 << "skipped minutes";
            }
            pending = qMax<qint64>(pending, 1);
        }
    }

    plan.minutes.reserve(int(pending));
    for (qint64 back = pending - 1; back >= 0; --back)
        plan.minutes.append(current.addSecs(-60 * back));
    m_lastChecked = current;

    plan.rebuild = !m_rebuiltOn.isValid() || current.date() != m_rebuiltOn;
    for (const QDateTime &minute : qAsConst(plan.minutes)) {
        if (plan.rebuild)
            break;
        plan.rebuild = minute.time().toString(QStringLiteral("H:mm")) == RolloverMinute;
    }
    return plan;
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
