#pragma once

#include "davclient.h"

#include <QList>
#include <QString>
#include <QUrl>

// Finds a user's calendars on a CalDAV server from the address the user typed (the
// server's own, or one on it): the principal by current-user-principal, or through
// /.well-known/caldav, then its calendar-home-set and the event calendars there.
class CalDavAccount
{
public:
    struct Calendar
    {
        QUrl url;
        QString name;
    };
    struct Found
    {
        QUrl home;
        QList<Calendar> calendars;
        DavReply failed; // the exchange that stopped the search; ok() when none did
    };

    CalDavAccount(DavClient &client, const QUrl &server);

    Found calendars();
    // Makes a calendar named `name` in `home`; the reply's failure says why not.
    DavReply make(const QUrl &home, const QString &name, Calendar *made);

private:
    // The principal (`home` false) or calendar-home-set href a PROPFIND of `url` names;
    // empty when none, with the exchange in `reply`.
    QString hrefAt(const QUrl &url, bool home, DavReply *reply);

    DavClient &m_client;
    QUrl m_server;
};
