#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The WebDAV and CalDAV request bodies the sync sends, and what it reads from the answers.
namespace DavXml {

// One <response> of a 207 Multi-Status: the properties of a propstat whose status is 200.
struct Response
{
    QString href;
    int status = 200; // the response's own status: 404 for a member deleted since a token
    QByteArray etag;
    QByteArray calendarData;
    QString displayName;
    bool isCalendar = false;
    bool holdsEvents = true; // a calendar without VEVENT in its component set holds none
    QString principal;       // current-user-principal's href
    QString home;            // calendar-home-set's href
};

struct Multistatus
{
    QList<Response> responses;
    QString syncToken;
    // Set when the body is no Multi-Status at all (malformed XML, another document).
    QString error;
};

Multistatus parse(const QByteArray &xml);

// PROPFIND bodies.
QByteArray findPrincipal();
QByteArray findHome();
QByteArray findCalendars();
QByteArray findEtags();
// MKCALENDAR with a display name, for events.
QByteArray makeCalendar(const QString &name);
// REPORT sync-collection from `token` (empty: from the start), asking for the ETags.
QByteArray syncCollection(const QString &token);
// REPORT calendar-multiget of `hrefs`, asking for the ETags and the objects.
QByteArray multiget(const QStringList &hrefs);

} // namespace DavXml
