#pragma once

#include "event.h"
#include "schedule.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The reminders as an iCalendar file (RFC 5545) that calendar programs read: one event a
// reminder at its wall-clock minute (a floating local time: a reminder at 9:07 rings at 9:07
// wherever the computer is), with a display alarm at that minute and the rule of its kind,
// the lunar ones by the Chinese calendar of RFC 7529. SUMMARY is the first line of the
// content, DESCRIPTION the whole content; the UID is made from the reminder itself, so a
// second export gives the same one.
namespace CalendarExport {

struct Result
{
    QByteArray ics;
    int exported = 0;
    // A reminder that could not be written, with the reason, for the user.
    QStringList leftOut;
};

// Where a reminder's minute is: floating (the wall clock's wherever the computer is), or in
// the time zone `id` whose definition, a VTIMEZONE component, goes into the file.
struct Zone
{
    QByteArray id;
    QByteArray definition;
};

// `name`: the calendar's name (X-WR-CALNAME), for a file that is a whole calendar.
Result write(const QList<Event> &events, const QDateTime &now, const Zone &zone = {},
             const QString &name = {});

// Each reminder as a calendar object of its own, as a CalDAV server keeps them: the reminder
// and its file, twins once.
struct Objects
{
    QList<std::pair<Event, QByteArray>> objects;
    QStringList leftOut;
};
Objects writeEach(const QList<Event> &events, const QDateTime &now, const Zone &zone);

// The UID of a reminder's event, made from the reminder itself (twins have the same).
QByteArray uidOf(const Event &event);

// The first day on or after `from` on which a reminder of `schedule` (a repeating kind)
// falls due, within four years; invalid when there is none (a yearly "2月30日"). An
// event's first occurrence is its start.
QDate firstDay(const Schedule &schedule, const QDate &from);
// The rule of a repeating kind, "FREQ=WEEKLY;BYDAY=WE"; empty for Once and Other.
QString rule(const Schedule &schedule);

} // namespace CalendarExport
