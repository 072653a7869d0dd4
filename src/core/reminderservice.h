#pragma once

#include "event.h"
#include "reminderclock.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

class EventStore;

// The minute loop: at each tick it checks the minutes not yet checked for due reminders
// and rebuilds today's list when the day has turned. The main window only forwards its
// timer here and opens what comes back.
//
// Nothing is lost to a failure: a minute counts as checked only once its events were read,
// so a read that fails (a file locked by another program) is tried again at the next tick,
// and a file that could not be opened is opened again at each tick until it opens.
class ReminderService
{
public:
    explicit ReminderService(EventStore &store);

    struct Tick
    {
        QList<Event> due;         // to remind of now, minute by minute, in storage order
        bool listChanged = false; // today's list was rebuilt: show it again
        // What went wrong, for the user; each is repeated at every tick it happens again.
        QStringList failures;
    };

    // The tick at `now`. With `rebuild`, today's list is rebuilt even when not due (after
    // a change); the rebuild waits while earlier minutes could not be checked, so that a
    // once-only event is never moved to the history before its minute was checked.
    Tick tick(const QDateTime &now, bool rebuild = false);

private:
    EventStore &m_store;
    ReminderClock m_clock;
    bool m_toldReadOnly = false;
};
