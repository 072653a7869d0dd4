#include "reminderservice.h"

#include "eventstore.h"

ReminderService::ReminderService(EventStore &store) : m_store(store) {}

ReminderService::Tick ReminderService::tick(const QDateTime &now, bool rebuild)
{
    Tick tick;
    const QList<QDateTime> pending = m_clock.pendingMinutes(now);
    if (!m_store.isOpen() && !m_store.open()) {
        tick.failures.append(m_store.lastError());
        return tick;
    }

    QList<QDateTime> checked;
    for (const QDateTime &minute : pending) {
        bool ok = false;
        const QList<Event> due = m_store.dueEvents(minute, &ok);
        if (!ok) {
            tick.failures.append(m_store.lastError());
            break;
        }
        tick.due.append(due);
        m_clock.markChecked(minute);
        checked.append(minute);
    }

    // A file that cannot be written has no stored list to rebuild: the list is worked out
    // when read, and only has to be read again.
    const bool allChecked = checked.size() == pending.size();
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
    return tick;
}
