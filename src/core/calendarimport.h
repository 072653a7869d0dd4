#pragma once

#include "event.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// Reads the events and to-dos of an iCalendar file (RFC 5545, with the Chinese calendar of
// RFC 7529) as reminders. A reminder's moment is the start (a to-do's due time when it has
// one) moved by the first display alarm's trigger, in local time. Only what one of the seven
// kinds keeps exactly becomes a reminder: the rest is left out with the reason, never
// imported approximately.
namespace CalendarImport {

struct LeftOut
{
    QString summary;
    QString reason;
};

struct Result
{
    // Set when the file is not a whole iCalendar file (not one at all, or cut short);
    // nothing else is then.
    QString error;
    QList<Event> events; // in the file's order
    QList<LeftOut> leftOut;
    int past = 0; // once-only moments that had passed at `now`
};

Result read(const QByteArray &ics, const QDateTime &now);

} // namespace CalendarImport
