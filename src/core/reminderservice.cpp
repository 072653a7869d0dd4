#include "reminderservice.h"

#include "eventstore.h"
#include "timetext.h"

#include <QLoggingCategory>

#include <algorithm>

namespace {
Q_LOGGING_CATEGORY(lcService, "tasquill.clock", QtInfoMsg)
}

ReminderService::ReminderService(EventStore &store) : m_store(store) {}

ReminderService::Tick ReminderService::tick(const QDateTime &now, bool rebuild)
{
    Tick tick;
    m_clock.start(now);
    tick.wakeAt =
        ReminderClock::minuteStart(now).addSecs(60); // unless all goes well: try again then
    if (!m_store.isOpen() && !m_store.open()) {
        tick.failures.append(m_store.lastError());
        return tick;
    }
    if (!m_resumed) {
        m_resumed = true;
        m_clock.resume(m_store.lastChecked());
    }
    // The minutes slept through had nothing due when the wake was aimed, and every change
    // since has woken the program to aim again: they count as checked, up to the current
    // one (checked at its start with what was there then, as a minute tick would have).
    // A change whose news has not come yet is new: the current minute is checked with it.
    if (m_quietUpTo.isValid()) {
        const bool changed = m_store.changeStamp() != m_aimedAtStamp;
        const QDateTime quiet =
            qMin(m_quietUpTo, ReminderClock::minuteStart(now).addSecs(changed ? -60 : 0));
        if (quiet > m_clock.lastChecked())
            m_clock.markChecked(quiet);
        m_quietUpTo = QDateTime();
    }

    const ReminderClock::Plan plan = m_clock.plan(now);
    bool allChecked = true;
    if (plan.missedAfter.isValid()) {
        allChecked = readMissed(plan.missedAfter, plan.missedUpTo, &tick.missed);
        if (allChecked)
            m_clock.markChecked(plan.missedUpTo);
    }
    QList<QDateTime> checked;
    for (int i = 0; allChecked && i < plan.minutes.size(); ++i) {
        const QList<Event> due = m_store.dueEvents(plan.minutes.at(i), &allChecked);
        if (!allChecked)
            break;
        for (const Event &event : due)
            tick.due.append({event, plan.minutes.at(i)});
        m_clock.markChecked(plan.minutes.at(i));
        checked.append(plan.minutes.at(i));
    }
    if (allChecked) {
        // Snoozes come at the first tick at or after their moment.
        for (const Reminder &snoozed : m_store.takeSnoozes(now, &allChecked))
            tick.due.append(snoozed);
    }
    if (!allChecked)
        tick.failures.append(m_store.lastError());

    // A file that cannot be written has no stored list to rebuild: the list is worked out
    // when read, and only has to be read again.
    if (allChecked && (rebuild || m_clock.rebuildDue(checked, now.date()))) {
        if (m_store.isReadOnly() || m_store.rebuildToday(now.date())) {
            m_clock.noteRebuilt(now.date());
            tick.listChanged = true;
        } else if (!m_store.isReadOnly()) { // a refused write is told below, once
            tick.failures.append(m_store.lastError());
        }
    }
    if (m_store.isReadOnly() && !m_toldReadOnly) {
        m_toldReadOnly = true;
        tick.failures.append(m_store.readOnlyNotice());
    }
    // Marked when reminders came, so that a start after a crash does not bring them again,
    // and as the program quits. Quiet minutes need no marking, which would cost a write:
    // a start after a crash finds nothing due in them.
    m_markerBehind = m_markerBehind || !tick.due.isEmpty() || !tick.missed.isEmpty();
    if (m_markerBehind)
        saveMarker();
    if (allChecked)
        aimWake(now, &tick);
    return tick;
}

bool ReminderService::changedSinceAim()
{
    return !m_quietUpTo.isValid() || !m_store.isOpen() || m_store.changeStamp() != m_aimedAtStamp;
}

void ReminderService::aimWake(const QDateTime &now, Tick *tick)
{
    // The next minute anything can fall due, the turn of the day (the day's rebuild), or
    // at the latest QuietLimitMinutes ahead.
    const QDateTime last = m_clock.lastChecked();
    QDateTime wake =
        qMin(last.date().addDays(1).startOfDay(),
             ReminderClock::minuteStart(qMax(now, last)).addSecs(60 * QuietLimitMinutes));
    bool ok = false;
    const QDateTime due = m_store.nextDue(last, &ok);
    if (!ok) {
        tick->failures.append(m_store.lastError());
        return;
    }
    if (due.isValid())
        wake = qMin(wake, due);
    tick->wakeAt = wake;
    m_quietUpTo = ReminderClock::minuteStart(wake).addSecs(-60);
    m_aimedAtStamp = m_store.changeStamp();
}

void ReminderService::saveMarker()
{
    const QDateTime minute = m_clock.lastChecked();
    if (!minute.isValid() || !m_store.isOpen() || m_store.isReadOnly())
        return;
    if (m_store.setLastChecked(minute))
        m_markerBehind = false;
    else
        qCWarning(lcService).noquote()
            << "cannot note the last minute checked:" << m_store.lastError();
}

bool ReminderService::readMissed(const QDateTime &after, const QDateTime &upTo,
                                 QList<Reminder> *missed)
{
    bool ok = false;
    const QList<Event> events = m_store.events(&ok);
    for (const Event &event : events) {
        for (const QDateTime &minute : TimeText::dueMinutes(event.time, after, upTo))
            missed->append({event, minute});
    }
    if (ok)
        missed->append(m_store.takeSnoozes(upTo, &ok));
    // Stable: the reminders of one minute keep their storage order.
    std::stable_sort(missed->begin(), missed->end(),
                     [](const Reminder &a, const Reminder &b) { return a.due < b.due; });
    if (!ok)
        missed->clear();
    return ok;
}
