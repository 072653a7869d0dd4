#pragma once

#include "calendarexport.h"
#include "davclient.h"
#include "davxml.h"
#include "icalreader.h"
#include "syncplan.h"
#include "syncstate.h"

#include <QDateTime>
#include <QSet>
#include <QStringList>
#include <QUrl>

// One two-way sync of event.db with one calendar of a CalDAV server: the server's changes
// since the last sync come down (by RFC 6578 sync-collection where the server offers it,
// otherwise by comparing every object's ETag), then the reminders added or deleted here go
// up. Every write to the server is conditional (If-None-Match for a new object, If-Match for
// a deletion), so an object someone changed meanwhile is never overwritten; every change
// here is written with its record, so a sync stopped at any moment ends right the next time.
class CalendarSync
{
public:
    struct Report
    {
        enum class Outcome { Done, Refused, Failed } outcome = Outcome::Done;
        QString text; // what happened, for the user
        int up = 0, down = 0, removedHere = 0, removedThere = 0;
        QStringList leftOut; // "summary：reason", of both sides
    };

    // `name` is the calendar's display name.
    CalendarSync(DavClient &client, const QString &eventDbPath, const QUrl &calendar,
                 const QString &name, const CalendarExport::Zone &zone);

    Report run(const QDateTime &now);

private:
    // What changed on the server since `token` (empty: since ever): the objects to fetch and
    // the ones deleted; false when that could not be learnt.
    bool listChanges(const QString &token, QStringList *toFetch, QStringList *gone,
                     QString *newToken);
    bool fetch(const QStringList &hrefs, const QDateTime &now, QList<SyncPlan::Fetched> *into);
    bool bringDown(const QList<SyncPlan::Fetched> &changed, const QStringList &gone);
    bool sendUp(const QDateTime &now);
    // Puts `events` up as the whole calendar in one request, where the server takes that (Radicale
    // does; it checks a new object against every other, so one at a time takes it minutes
    // for thousands). Only into a calendar that is empty, and still unchanged (If-Match):
    // nothing of anyone else's is replaced. Nothing when it was not done; otherwise whether
    // the objects could be taken up as the reminders they are.
    std::optional<bool> sendWhole(const QList<Event> &events, const QDateTime &now);
    // Stops the sync for `reply`'s failure; false.
    bool stop(const DavReply &reply);
    bool stopHere();
    // The Multi-Status of `reply`; nothing (the sync stopped) when it is none.
    std::optional<DavXml::Multistatus> multistatusOf(DavReply reply);
    QUrl urlOf(const QString &href) const;

    DavClient &m_client;
    SyncState m_state;
    QString m_eventDb;
    QUrl m_calendar;
    QString m_name;
    bool m_serverEmpty = false; // a whole listing found no object
    CalendarExport::Zone m_zone;
    IcalReader m_reader;
    QHash<QString, QString> m_etags; // of the records, by href
    QSet<QString> m_refused;         // records of reminders the server refused
    Report m_report;
};
