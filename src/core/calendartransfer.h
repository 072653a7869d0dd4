#pragma once

#include "calendarimport.h"

#include <QDateTime>
#include <QString>

class EventStore;

// Moving reminders between event.db and an iCalendar file, for the command line and the
// main window alike: the file read or written whole, the import in one transaction, and
// what happened in a few Chinese sentences for the user.
namespace CalendarTransfer {

struct Report
{
    // Done: what was done, in full. Otherwise what went wrong; nothing was changed.
    enum class Outcome { Done, Refused, Unusable } outcome = Outcome::Done;
    QString text;
};

// Adds the reminders of the calendar at `path` that are not stored yet; once-only ones
// that have passed at `now` and what no kind keeps exactly are left out and listed.
Report importFile(EventStore &store, const QString &path, const QDateTime &now);
// Writes every reminder to `path`, replacing it whole or not at all.
Report exportFile(EventStore &store, const QString &path, const QDateTime &now);

} // namespace CalendarTransfer
