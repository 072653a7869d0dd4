#include "davxml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace DavXml {

namespace {

const QString Dav = QStringLiteral("DAV:");
const QString CalDav = QStringLiteral("urn:ietf:params:xml:ns:caldav");

bool is(const QXmlStreamReader &xml, const QString &ns, QLatin1String name)
{
    return xml.namespaceUri() == ns && xml.name() == name;
}

// "HTTP/1.1 404 Not Found" → 404.
int statusOf(const QString &line)
{
    return line.section(u' ', 1, 1).toInt();
}

// The href inside the element just started (current-user-principal, calendar-home-set).
QString innerHref(QXmlStreamReader &xml)
{
    QString href;
    while (xml.readNextStartElement()) {
        if (is(xml, Dav, QLatin1String("href")) && href.isEmpty())
            href = xml.readElementText().trimmed();
        else
            xml.skipCurrentElement();
    }
    return href;
}

void readProp(QXmlStreamReader &xml, Response &into)
{
    while (xml.readNextStartElement()) {
        if (is(xml, Dav, QLatin1String("getetag"))) {
            into.etag = xml.readElementText().trimmed().toUtf8();
        } else if (is(xml, CalDav, QLatin1String("calendar-data"))) {
            into.calendarData = xml.readElementText().toUtf8();
        } else if (is(xml, Dav, QLatin1String("displayname"))) {
            into.displayName = xml.readElementText().trimmed();
        } else if (is(xml, Dav, QLatin1String("current-user-principal"))) {
            into.principal = innerHref(xml);
        } else if (is(xml, CalDav, QLatin1String("calendar-home-set"))) {
            into.home = innerHref(xml);
        } else if (is(xml, Dav, QLatin1String("resourcetype"))) {
            while (xml.readNextStartElement()) {
                into.isCalendar = into.isCalendar || is(xml, CalDav, QLatin1String("calendar"));
                xml.skipCurrentElement();
            }
        } else if (is(xml, CalDav, QLatin1String("supported-calendar-component-set"))) {
            into.holdsEvents = false;
            while (xml.readNextStartElement()) {
                into.holdsEvents =
                    into.holdsEvents ||
                    xml.attributes().value(QLatin1String("name")) == QLatin1String("VEVENT");
                xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
}

Response readResponse(QXmlStreamReader &xml)
{
    Response response;
    while (xml.readNextStartElement()) {
        if (is(xml, Dav, QLatin1String("href"))) {
            response.href = xml.readElementText().trimmed();
        } else if (is(xml, Dav, QLatin1String("status"))) {
            response.status = statusOf(xml.readElementText().trimmed());
        } else if (is(xml, Dav, QLatin1String("propstat"))) {
            Response found;
            int status = 0;
            while (xml.readNextStartElement()) {
                if (is(xml, Dav, QLatin1String("prop")))
                    readProp(xml, found);
                else if (is(xml, Dav, QLatin1String("status")))
                    status = statusOf(xml.readElementText().trimmed());
                else
                    xml.skipCurrentElement();
            }
            if (status == 200) {
                found.href = response.href;
                found.status = response.status;
                response = found;
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    return response;
}

QByteArray document(const std::function<void(QXmlStreamWriter &)> &body)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeNamespace(Dav, QStringLiteral("d"));
    xml.writeNamespace(CalDav, QStringLiteral("c"));
    body(xml);
    xml.writeEndDocument();
    return out;
}

QByteArray propfind(std::initializer_list<std::pair<const QString *, const char *>> props)
{
    return document([&](QXmlStreamWriter &xml) {
        xml.writeStartElement(Dav, QStringLiteral("propfind"));
        xml.writeStartElement(Dav, QStringLiteral("prop"));
        for (const auto &[ns, name] : props)
            xml.writeEmptyElement(*ns, QLatin1String(name));
        xml.writeEndElement();
        xml.writeEndElement();
    });
}

} // namespace

Multistatus parse(const QByteArray &body)
{
    Multistatus result;
    QXmlStreamReader xml(body);
    if (!xml.readNextStartElement() || !is(xml, Dav, QLatin1String("multistatus"))) {
        result.error = QStringLiteral("服务器的回答不是 WebDAV 的多状态回答");
        return result;
    }
    while (xml.readNextStartElement()) {
        if (is(xml, Dav, QLatin1String("response")))
            result.responses.append(readResponse(xml));
        else if (is(xml, Dav, QLatin1String("sync-token")))
            result.syncToken = xml.readElementText().trimmed();
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError()) {
        result.responses.clear();
        result.error = QStringLiteral("服务器的回答无法读懂（%1）").arg(xml.errorString());
    }
    return result;
}

QByteArray findPrincipal()
{
    return propfind({{&Dav, "current-user-principal"}});
}

QByteArray findHome()
{
    return propfind({{&CalDav, "calendar-home-set"}});
}

QByteArray findCalendars()
{
    return propfind({{&Dav, "resourcetype"},
                     {&Dav, "displayname"},
                     {&CalDav, "supported-calendar-component-set"}});
}

QByteArray findEtags()
{
    return propfind({{&Dav, "resourcetype"}, {&Dav, "getetag"}});
}

QByteArray makeCalendar(const QString &name)
{
    return document([&](QXmlStreamWriter &xml) {
        xml.writeStartElement(CalDav, QStringLiteral("mkcalendar"));
        xml.writeStartElement(Dav, QStringLiteral("set"));
        xml.writeStartElement(Dav, QStringLiteral("prop"));
        xml.writeTextElement(Dav, QStringLiteral("displayname"), name);
        xml.writeStartElement(CalDav, QStringLiteral("supported-calendar-component-set"));
        xml.writeEmptyElement(CalDav, QStringLiteral("comp"));
        xml.writeAttribute(QStringLiteral("name"), QStringLiteral("VEVENT"));
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();
    });
}

QByteArray syncCollection(const QString &token)
{
    return document([&](QXmlStreamWriter &xml) {
        xml.writeStartElement(Dav, QStringLiteral("sync-collection"));
        xml.writeTextElement(Dav, QStringLiteral("sync-token"), token);
        xml.writeTextElement(Dav, QStringLiteral("sync-level"), QStringLiteral("1"));
        xml.writeStartElement(Dav, QStringLiteral("prop"));
        xml.writeEmptyElement(Dav, QStringLiteral("getetag"));
        xml.writeEndElement();
        xml.writeEndElement();
    });
}

QByteArray multiget(const QStringList &hrefs)
{
    return document([&](QXmlStreamWriter &xml) {
        xml.writeStartElement(CalDav, QStringLiteral("calendar-multiget"));
        xml.writeStartElement(Dav, QStringLiteral("prop"));
        xml.writeEmptyElement(Dav, QStringLiteral("getetag"));
        xml.writeEmptyElement(CalDav, QStringLiteral("calendar-data"));
        xml.writeEndElement();
        for (const QString &href : hrefs)
            xml.writeTextElement(Dav, QStringLiteral("href"), href);
        xml.writeEndElement();
    });
}

} // namespace DavXml
