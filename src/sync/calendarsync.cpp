#include "calendarsync.h"

#include "davxml.h"
#include "eventstore.h"
#include "storeerrortext.h"

#include <QSet>

namespace {

// Objects fetched by one calendar-multiget, and records written by one transaction.
constexpr int Batch = 200;
// Reminders put up as a whole calendar rather than one by one, where the server can.
constexpr int WholeAtLeast = 50;

// A server's href as a path with nothing percent-encoded: servers differ in what they
// encode, and the records must find their objects again.
QString pathOf(const QString &href)
{
    return QUrl(href).path(QUrl::FullyDecoded);
}

bool isCalendarPath(const QString &path, const QUrl &calendar)
{
    const QString own = calendar.path(QUrl::FullyDecoded);
    return path == own || path + u'/' == own || path == own + u'/';
}

} // namespace

CalendarSync::CalendarSync(DavClient &client, const QString &eventDbPath, const QUrl &calendar,
                           const QString &name, const CalendarExport::Zone &zone)
    : m_client(client), m_state(eventDbPath), m_eventDb(eventDbPath), m_calendar(calendar),
      m_name(name), m_zone(zone)
{
}

QUrl CalendarSync::urlOf(const QString &href) const
{
    QUrl url = m_calendar;
    url.setPath(href, QUrl::DecodedMode);
    return url;
}

bool CalendarSync::stop(const DavReply &reply)
{
    if (reply.status == 401 || reply.status == 403) {
        m_report.outcome = Report::Outcome::Refused;
        m_report.text = QStringLiteral("服务器拒绝了登录：用户名或密码不对。");
    } else {
        m_report.outcome = Report::Outcome::Failed;
        m_report.text = !reply.failure.isEmpty()
                            ? reply.failure
                            : QStringLiteral("服务器的回答出错（HTTP %1）。").arg(reply.status);
    }
    return false;
}

std::optional<DavXml::Multistatus> CalendarSync::multistatusOf(DavReply reply)
{
    if (reply.status != 207 || !reply.failure.isEmpty()) {
        stop(reply);
        return std::nullopt;
    }
    DavXml::Multistatus answer = DavXml::parse(reply.body);
    if (!answer.error.isEmpty()) {
        reply.failure = answer.error;
        stop(reply);
        return std::nullopt;
    }
    return answer;
}

bool CalendarSync::stopHere()
{
    m_report.outcome = Report::Outcome::Failed;
    m_report.text = storeErrorText(m_state.lastError());
    return false;
}

bool CalendarSync::listChanges(const QString &token, QStringList *toFetch, QStringList *gone,
                               QString *newToken)
{
    DavReply reply =
        m_client.send("REPORT", m_calendar, DavXml::syncCollection(token), {{"Depth", "0"}});
    // A token the server no longer knows: everything from the start.
    const auto unanswered = [&] {
        return reply.failure.isEmpty() && reply.status != 207 && reply.status != 401;
    };
    if (!token.isEmpty() && unanswered())
        reply = m_client.send("REPORT", m_calendar, DavXml::syncCollection(QString()),
                              {{"Depth", "0"}});
    const bool incremental = reply.status == 207 && !token.isEmpty();
    // No sync-collection here: every object's ETag.
    if (unanswered())
        reply = m_client.send("PROPFIND", m_calendar, DavXml::findEtags(), {{"Depth", "1"}});
    const std::optional<DavXml::Multistatus> answer = multistatusOf(reply);
    if (!answer)
        return false;
    *newToken = answer->syncToken;
    QSet<QString> present;
    for (const DavXml::Response &response : answer->responses) {
        const QString path = pathOf(response.href);
        if (response.isCalendar || isCalendarPath(path, m_calendar))
            continue;
        if (response.status == 404) {
            gone->append(path);
            continue;
        }
        present.insert(path);
        const auto known = m_etags.constFind(path);
        if (known == m_etags.cend() || known->isEmpty() ||
            *known != QString::fromUtf8(response.etag))
            toFetch->append(path);
    }
    m_serverEmpty = !incremental && present.isEmpty();
    // A whole listing: what it lacks was deleted.
    if (!incremental) {
        for (auto it = m_etags.cbegin(); it != m_etags.cend(); ++it) {
            if (!present.contains(it.key()) && !m_refused.contains(it.key()))
                gone->append(it.key());
        }
    }
    return true;
}

bool CalendarSync::fetch(const QStringList &hrefs, const QDateTime &now,
                         QList<SyncPlan::Fetched> *into)
{
    for (qsizetype from = 0; from < hrefs.size(); from += Batch) {
        QStringList encoded;
        for (const QString &href : hrefs.mid(from, Batch))
            encoded << QString::fromLatin1(QUrl::toPercentEncoding(href, "/@:+"));
        const std::optional<DavXml::Multistatus> answer = multistatusOf(
            m_client.send("REPORT", m_calendar, DavXml::multiget(encoded), {{"Depth", "1"}}));
        if (!answer)
            return false;
        // An object deleted since the listing is not among them: the next sync learns of it.
        for (const DavXml::Response &response : answer->responses) {
            if (response.status != 200 || response.calendarData.isEmpty())
                continue;
            into->append({pathOf(response.href), QString::fromUtf8(response.etag),
                          m_reader.read(response.calendarData, now)});
        }
    }
    return true;
}

bool CalendarSync::bringDown(const QList<SyncPlan::Fetched> &changed, const QStringList &gone)
{
    const std::optional<QList<SyncRecord>> records = m_state.records();
    const std::optional<QList<Event>> here = m_state.events();
    if (!records || !here)
        return stopHere();
    QSet<QString> rows;
    for (const Event &event : *here)
        rows.insert(event.time + u'\n' + event.content);
    const QList<SyncStep> steps = SyncPlan::fromServer(*records, *here, changed, gone);
    for (const SyncStep &step : steps) {
        if (step.add && !rows.contains(step.add->time + u'\n' + step.add->content))
            ++m_report.down;
        if (step.remove && !(step.add && *step.add == *step.remove))
            ++m_report.removedHere;
        if (step.record)
            m_etags.insert(step.record->href, step.record->etag);
        if (!step.drop.isEmpty())
            m_etags.remove(step.drop);
    }
    return m_state.apply(steps) || stopHere();
}

bool CalendarSync::sendUp(const QDateTime &now)
{
    const std::optional<QList<SyncRecord>> records = m_state.records();
    const std::optional<QList<Event>> here = m_state.events();
    if (!records || !here)
        return stopHere();
    const SyncPlan::ToServer plan = SyncPlan::toServer(
        *records, *here, now, [&](const Event &e) { return m_state.inHistory(e).value_or(true); });
    QList<SyncStep> steps;
    for (const QString &href : plan.forgotten)
        steps.append({std::nullopt, std::nullopt, std::nullopt, href});
    for (SyncRecord record : plan.passed) {
        record.form = SyncRecord::Form::Passed;
        steps.append({std::nullopt, std::nullopt, record, QString()});
    }
    // Records are written in batches: an object put up without its record (the sync
    // stopped between) is found on the server next time and taken for the same reminder.
    const auto flush = [&] {
        const bool written = steps.isEmpty() || m_state.apply(steps);
        steps.clear();
        return written || stopHere();
    };
    QStringList taken; // hrefs where an object was already
    if (!flush())
        return false;
    QList<Event> uploads = plan.uploads;
    if (m_serverEmpty && records->isEmpty()) {
        // Lunar rules are not known to every server, which refuses a whole calendar for
        // one of them: they go one by one.
        QList<Event> whole, lunar;
        for (const Event &event : uploads)
            (event.kind == Kind::LunarYearly || event.kind == Kind::LunarMonthly ? lunar : whole)
                .append(event);
        if (whole.size() >= WholeAtLeast) {
            if (const std::optional<bool> done = sendWhole(whole, now)) {
                if (!*done)
                    return false;
                uploads = lunar;
            }
        }
    }
    const CalendarExport::Objects objects = CalendarExport::writeEach(uploads, now, m_zone);
    m_report.leftOut << objects.leftOut;
    for (const auto &[event, ics] : objects.objects) {
        const QString href = m_calendar.path(QUrl::FullyDecoded) +
                             QString::fromLatin1(CalendarExport::uidOf(event)).section(u'@', 0, 0) +
                             QStringLiteral(".ics");
        const DavReply reply = m_client.send("PUT", urlOf(href), ics, {{"If-None-Match", "*"}});
        if (reply.status == 412) {
            taken << href;
            continue;
        }
        // A server that will not take this one object (some cannot store a Chinese-calendar
        // rule) still takes the others; it is tried again next time.
        if (reply.failure.isEmpty() &&
            (reply.status == 400 || reply.status == 415 || reply.status == 422 ||
             reply.status == 207 || reply.status >= 500)) {
            const QString reason = QStringLiteral("服务器不接受（HTTP %1）").arg(reply.status);
            m_report.leftOut << event.time + u' ' + event.content.section(u'\n', 0, 0) +
                                    QStringLiteral("：") + reason;
            // Refused for what it is, not offered again while it stays so; a server's
            // trouble of the moment (5xx) is tried again.
            if (reply.status < 500)
                steps.append({std::nullopt, std::nullopt,
                              SyncRecord{href, QString(), SyncRecord::Form::LeftOut, event,
                                         event.content.section(u'\n', 0, 0), reason},
                              QString()});
            continue;
        }
        if (!reply.ok())
            return flush() && stop(reply);
        ++m_report.up;
        steps.append(
            {std::nullopt, std::nullopt,
             SyncRecord{href, QString::fromUtf8(reply.etag), SyncRecord::Form::Kept, event, {}, {}},
             QString()});
        if (steps.size() >= Batch && !flush())
            return false;
    }
    for (SyncRecord record : plan.removals) {
        // Without a version there is no safe deletion: the next listing brings one.
        if (record.etag.isEmpty())
            continue;
        const DavReply reply =
            m_client.send("DELETE", urlOf(record.href), {}, {{"If-Match", record.etag.toUtf8()}});
        if (reply.ok() || reply.status == 404 || reply.status == 410) {
            ++m_report.removedThere;
            steps.append({std::nullopt, std::nullopt, std::nullopt, record.href});
        } else if (reply.status == 412) {
            // Changed there meanwhile: that edit wins, and comes down with the next sync.
            record.etag.clear();
            steps.append({std::nullopt, std::nullopt, record, QString()});
        } else {
            return flush() && stop(reply);
        }
    }
    if (!flush())
        return false;
    // The same reminder put up elsewhere first: its object is this one.
    QList<SyncPlan::Fetched> found;
    return taken.isEmpty() || (fetch(taken, now, &found) && bringDown(found, {}));
}

std::optional<bool> CalendarSync::sendWhole(const QList<Event> &events, const QDateTime &now)
{
    const DavReply version =
        m_client.send("PROPFIND", m_calendar, DavXml::findEtags(), {{"Depth", "0"}});
    QByteArray etag;
    for (const DavXml::Response &response : DavXml::parse(version.body).responses)
        etag = response.etag;
    if (!version.ok() || etag.isEmpty())
        return std::nullopt;
    const CalendarExport::Result ics = CalendarExport::write(events, now, m_zone, m_name);
    const DavReply reply = m_client.send("PUT", m_calendar, ics.ics, {{"If-Match", etag}});
    if (!reply.ok())
        return std::nullopt;
    m_report.up += ics.exported;
    m_report.leftOut << ics.leftOut;
    // Their names are the server's: the whole listing finds them, each the reminder it was.
    QStringList toFetch, gone;
    QString token;
    QList<SyncPlan::Fetched> found;
    const int down = m_report.down;
    const bool linked = listChanges(QString(), &toFetch, &gone, &token) &&
                        fetch(toFetch, now, &found) && bringDown(found, gone) &&
                        (m_state.setToken(token) || stopHere());
    m_report.down = down; // they went up
    return linked;
}

CalendarSync::Report CalendarSync::run(const QDateTime &now)
{
    m_report = {};
    {
        // Made or upgraded as the program makes it, before the sync's tables go in.
        EventStore store(m_eventDb);
        if (!store.open()) {
            m_report.outcome = Report::Outcome::Failed;
            m_report.text = storeErrorText(store.lastError());
            return m_report;
        }
    }
    std::optional<QString> token;
    std::optional<QList<SyncRecord>> records;
    if (!m_state.open() || !m_state.useCalendar(m_calendar.toString()) ||
        !(token = m_state.token()) || !(records = m_state.records())) {
        stopHere();
        return m_report;
    }
    for (const SyncRecord &record : std::as_const(*records)) {
        m_etags.insert(record.href, record.etag);
        // A reminder the server refused has a record but no object there.
        if (record.form == SyncRecord::Form::LeftOut && !record.event.time.isEmpty())
            m_refused.insert(record.href);
    }
    QStringList toFetch, gone;
    QString newToken;
    QList<SyncPlan::Fetched> changed;
    if (!listChanges(*token, &toFetch, &gone, &newToken) || !fetch(toFetch, now, &changed) ||
        !bringDown(changed, gone) || !(m_state.setToken(newToken) || stopHere()) || !sendUp(now))
        return m_report;
    const std::optional<QList<SyncRecord>> after = m_state.records();
    for (const SyncRecord &record : after.value_or(QList<SyncRecord>())) {
        if (record.form == SyncRecord::Form::LeftOut)
            m_report.leftOut << record.summary + QStringLiteral("：") + record.reason;
    }
    m_report.text =
        QStringLiteral("同步完成：上传 %1 条，下载 %2 条，删除本机 %3 条、服务器 %4 条。")
            .arg(m_report.up)
            .arg(m_report.down)
            .arg(m_report.removedHere)
            .arg(m_report.removedThere);
    return m_report;
}
