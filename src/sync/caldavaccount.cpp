#include "caldavaccount.h"

#include "davxml.h"

#include <QUuid>

namespace {

const DavClient::Headers DepthZero = {{"Depth", "0"}};

} // namespace

CalDavAccount::CalDavAccount(DavClient &client, const QUrl &server)
    : m_client(client), m_server(server)
{
}

QString CalDavAccount::hrefAt(const QUrl &url, bool home, DavReply *reply)
{
    *reply = m_client.send("PROPFIND", url, home ? DavXml::findHome() : DavXml::findPrincipal(),
                           DepthZero);
    if (!reply->ok())
        return QString();
    const DavXml::Multistatus answer = DavXml::parse(reply->body);
    for (const DavXml::Response &response : answer.responses) {
        const QString href = home ? response.home : response.principal;
        if (!href.isEmpty())
            return href;
    }
    return QString();
}

CalDavAccount::Found CalDavAccount::calendars()
{
    Found found;
    DavReply &reply = found.failed;
    QString principal = hrefAt(m_server, false, &reply);
    if (principal.isEmpty() && reply.failure.isEmpty() && reply.status != 401)
        principal =
            hrefAt(m_server.resolved(QUrl(QStringLiteral("/.well-known/caldav"))), false, &reply);
    if (principal.isEmpty()) {
        if (reply.ok())
            reply.failure = QStringLiteral("这个地址上找不到 CalDAV 日历服务。");
        return found;
    }
    const QUrl principalUrl = m_server.resolved(QUrl(principal));
    const QString home = hrefAt(principalUrl, true, &reply);
    if (!reply.ok())
        return found;
    found.home = home.isEmpty() ? principalUrl : principalUrl.resolved(QUrl(home));
    reply = m_client.send("PROPFIND", found.home, DavXml::findCalendars(), {{"Depth", "1"}});
    if (!reply.ok())
        return found;
    const DavXml::Multistatus answer = DavXml::parse(reply.body);
    if (!answer.error.isEmpty()) {
        reply.failure = answer.error;
        return found;
    }
    for (const DavXml::Response &response : answer.responses) {
        if (!response.isCalendar || !response.holdsEvents)
            continue;
        const QUrl url = found.home.resolved(QUrl(response.href));
        const QString name = response.displayName.isEmpty() ? url.path().section(u'/', -2, -2)
                                                            : response.displayName;
        found.calendars.append({url, name});
    }
    return found;
}

DavReply CalDavAccount::make(const QUrl &home, const QString &name, Calendar *made)
{
    QUrl url = home;
    url.setPath(home.path() + (home.path().endsWith(u'/') ? QString() : QStringLiteral("/")) +
                QUuid::createUuid().toString(QUuid::WithoutBraces) + u'/');
    DavReply reply = m_client.send("MKCALENDAR", url, DavXml::makeCalendar(name));
    if (reply.ok())
        *made = {url, name};
    return reply;
}
