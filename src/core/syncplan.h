#pragma once

#include "calendarimport.h"
#include "syncstate.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

#include <functional>

// What a two-way sync does, decided from what it last synced (the records), the reminders
// here and what the server holds now; no network and no file, so every rule can be tried.
// The rules: a change on the server replaces the reminder it was; a deletion on either side
// deletes on the other, except that an edit on the server wins over a deletion here; the same
// reminder on both sides is one; what no reminder keeps exactly stays on the server untouched.
namespace SyncPlan {

// An object of the server read anew: its href, version and what the import makes of it.
struct Fetched
{
    QString href;
    QString etag;
    CalendarImport::Result parsed;
};

// The steps that bring the server's changes here: `changed` objects are new or have a new
// version, `gone` hrefs were deleted on the server.
QList<SyncStep> fromServer(const QList<SyncRecord> &records, const QList<Event> &here,
                           const QList<Fetched> &changed, const QStringList &gone);

struct ToServer
{
    QList<Event> uploads;       // reminders the calendar does not have
    QList<SyncRecord> removals; // objects whose reminder was deleted here
    QList<SyncRecord> passed;   // once-only reminders done or passed: they stay there
    QStringList forgotten;      // refused reminders since deleted here: their records go
};

// What goes to the server after fromServer's steps: `inHistory` says whether the history
// holds a reminder. A reminder the server refused (a LeftOut record with the reminder) is
// not offered again while it stays as it is.
ToServer toServer(const QList<SyncRecord> &records, const QList<Event> &here, const QDateTime &now,
                  const std::function<bool(const Event &)> &inHistory);

} // namespace SyncPlan
