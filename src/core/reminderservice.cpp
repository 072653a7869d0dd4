#include "reminderservice.h"

#include "eventstore.h"
#include "logging.h"
#include "timetext.h"
#include "wallclock.h"
#include "workdaycalendar.h"

#include <algorithm>

ReminderService::ReminderService(EventStore &store) : m_store(store) {}

ReminderService::Tick ReminderService::tick(const QDateTime &now, bool rebuild)
{
    Tick tick;
    m_clock.start(now);
    // Another program may have put a new file in its place: its reminders are the ones now.
    const bool replaced = m_store.isOpen() && m_store.followFile();
    if (!m_store.isOpen() && !m_store.open()) {
        retryAfterFailure(now, m_store.lastError(), &tick);
        return tick;
    }
    if (!m_resumed) {
        m_resumed = true;
        m_clock.resume(m_store.lastChecked());
    }
    countQuietMinutes(now, replaced);

    const ReminderClock::Plan plan = m_clock.plan(now);
    const bool allChecked =
        checkMissed(plan, &tick) && checkMinutes(plan, &tick) && takeSnoozes(now, &tick);
    const StoreError readFailure = m_store.lastError();
    if (allChecked)
        rebuildIfDue(now, plan, rebuild, &tick);
    tick.notices = WorkdayCalendar::shared().takeNotices();
    if (m_store.isReadOnly() != m_toldReadOnly) {
        m_toldReadOnly = m_store.isReadOnly();
        if (m_toldReadOnly)
            tick.failures.append(m_store.readOnlyNotice());
    }
    // Marked at the first tick, so that a run that ends without quitting (killed, the power
    // cut) leaves the minute it began with; then when reminders came, so that a start after
    // a crash does not bring them again; and as the program quits. Quiet minutes need no
    // marking, which would cost a write: a start after a crash finds nothing due in them.
    m_markerBehind = m_markerBehind || !tick.due.isEmpty() || !tick.missed.isEmpty();
    if (m_markerBehind)
        saveMarker();
    if (!allChecked)
        retryAfterFailure(now, readFailure, &tick);
    else if (!aimWake(now, &tick))
        retryAfterFailure(now, m_store.lastError(), &tick);
    else
        m_failingSince = QDateTime();
    return tick;
}

void ReminderService::countQuietMinutes(const QDateTime &now, bool replaced)
{
    // The minutes slept through had nothing due when the wake was aimed, and every change
    // since has woken the program to aim again: they count as checked, up to the current
    // one (checked at its start with what was there then, as a minute tick would have).
    // A change whose news has not come yet is new: the current minute is checked with it.
    if (!m_quietUpTo.isValid())
        return;
    const bool changed = replaced || m_store.changeStamp() != m_aimedAtStamp;
    const QDateTime quiet =
        qMin(m_quietUpTo, ReminderClock::minuteStart(now).addSecs(changed ? -60 : 0));
    if (quiet > m_clock.lastChecked())
        m_clock.markChecked(quiet);
    m_quietUpTo = QDateTime();
}

void ReminderService::rebuildIfDue(const QDateTime &now, const ReminderClock::Plan &plan,
                                   bool rebuild, Tick *tick)
{
    QList<QDateTime> checked;
    for (const ReminderClock::Minute &minute : plan.minutes)
        checked.append(minute.start);
    if (!rebuild && !m_clock.rebuildDue(checked, now.date()))
        return;
    // A file that cannot be written has no stored list to rebuild: the list is worked out
    // when read, and only has to be read again.
    if (m_store.isReadOnly() || m_store.rebuildToday(now.date())) {
        m_clock.noteRebuilt(now.date());
        tick->listChanged = true;
    } else if (!m_store.isReadOnly()) { // a refused write is told as such, once
        tick->failures.append(m_store.lastError());
    }
}

bool ReminderService::checkMissed(const ReminderClock::Plan &plan, Tick *tick)
{
    if (!plan.missedEnd.isValid())
        return true;
    const std::optional<QList<Event>> events = m_store.events();
    if (!events)
        return false;
    QList<Reminder> missed;
    for (const Event &event : *events) {
        for (const QDateTime &reading :
             TimeText::dueMinutes(event.time, plan.missedAfter, plan.missedUpTo))
            missed.append({event, WallClock::firstMomentAt(reading)});
    }
    const std::optional<QList<Reminder>> snoozed = m_store.takeSnoozes(plan.missedUpTo);
    if (!snoozed)
        return false;
    missed.append(*snoozed);
    // Stable: the reminders of one minute keep their storage order.
    std::stable_sort(missed.begin(), missed.end(),
                     [](const Reminder &a, const Reminder &b) { return a.due < b.due; });
    tick->missed.append(missed);
    m_clock.markChecked(plan.missedEnd);
    return true;
}

bool ReminderService::checkMinutes(const ReminderClock::Plan &plan, Tick *tick)
{
    for (const ReminderClock::Minute &minute : plan.minutes) {
        QList<Reminder> due;
        for (const QDateTime &reading : minute.readings) {
            const std::optional<QList<Event>> events = m_store.dueEvents(reading);
            if (!events)
                return false;
            for (const Event &event : *events)
                due.append({event, minute.start});
        }
        tick->due.append(due);
        m_clock.markChecked(minute.start);
    }
    return true;
}

bool ReminderService::takeSnoozes(const QDateTime &now, Tick *tick)
{
    // A reminder put off comes at the first tick at or after its moment.
    const std::optional<QList<Reminder>> snoozed = m_store.takeSnoozes(now);
    if (snoozed)
        tick->due.append(*snoozed);
    return snoozed.has_value();
}

void ReminderService::retryAfterFailure(const QDateTime &now, const StoreError &failure, Tick *tick)
{
    tick->failures.append(failure);
    // Tried again within seconds, so that a reminder due while another program held the
    // file comes as soon as it lets go; after a few minutes of failing, once a minute.
    if (!m_failingSince.isValid())
        m_failingSince = now;
    tick->wakeAt = m_failingSince.secsTo(now) < 60 * RetryQuicklyMinutes
                       ? now.addSecs(RetrySeconds)
                       : ReminderClock::minuteStart(now).addSecs(60);
}

bool ReminderService::changedSinceAim()
{
    return !m_quietUpTo.isValid() || !m_store.isOpen() || m_store.isStale() ||
           m_store.changeStamp() != m_aimedAtStamp;
}

bool ReminderService::aimWake(const QDateTime &now, Tick *tick)
{
    // The next minute anything can fall due, the turn of the day (the day's rebuild), or
    // at the latest QuietLimitMinutes ahead. The store answers in readings of the wall
    // clock; each is due at the first moment after the last check that shows it.
    const QDateTime last = m_clock.lastChecked();
    const QDateTime reading = m_clock.lastReading();
    QDateTime wake = qMin(
        WallClock::firstMomentAt(QDateTime(reading.date().addDays(1), QTime(0, 0), Qt::UTC), last),
        ReminderClock::minuteStart(qMax(now, last)).addSecs(60 * QuietLimitMinutes));
    const std::optional<QDateTime> due = m_store.nextDue(reading);
    if (!due)
        return false;
    if (due->isValid())
        wake = qMin(wake, WallClock::firstMomentAt(*due, last));
    tick->wakeAt = wake;
    m_quietUpTo = ReminderClock::minuteStart(wake).addSecs(-60);
    m_aimedAtStamp = m_store.changeStamp();
    return true;
}

void ReminderService::saveMarker()
{
    const QDateTime reading = m_clock.lastReading();
    if (!reading.isValid() || !m_store.isOpen() || m_store.isReadOnly())
        return;
    if (m_store.setLastChecked(reading))
        m_markerBehind = false;
    else
        qCWarning(lcClock).noquote()
            << "cannot note the last minute checked:" << m_store.lastError().debugText();
}
