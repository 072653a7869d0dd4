#include "calendarexport.h"

#include "lunarcalendar.h"
#include "projectconfig.h"
#include "schema.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSet>

#include <cstdio>
#include <functional>

namespace CalendarExport {

namespace {

// Repeating reminders start on their first day from here: a fixed day, so that two exports
// of the same reminders are the same file.
const QDate AnchorFrom(2000, 1, 1);

const char *const WeekdayCodes[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};

// A TEXT value: backslash, semicolon, comma and line breaks escaped (a CR LF is one break).
QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' || c == u';' || c == u',')
            out.append(u'\\').append(c);
        else if (c == u'\n' || c == u'\r')
            out.append(QLatin1String("\\n"));
        else
            out.append(c);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
    }
    return out;
}

// A content line, folded after 75 octets without splitting a character.
void appendLine(QByteArray &out, const QString &line)
{
    const QByteArray utf8 = line.toUtf8();
    qsizetype start = 0;
    int limit = 75;
    while (utf8.size() - start > limit) {
        qsizetype cut = start + limit;
        while ((static_cast<unsigned char>(utf8.at(cut)) & 0xC0) == 0x80)
            --cut; // a continuation byte: the character begins before it
        out.append(utf8.constData() + start, cut - start).append("\r\n ");
        start = cut;
        limit = 74; // the blank that continues a line counts
    }
    out.append(utf8.constData() + start, utf8.size() - start).append("\r\n");
}

bool lunarMatch(const Schedule &s, const LunarDay &lunar)
{
    const bool day = lunar.day == s.day || (s.day == 30 && lunar.lastOfShortMonth);
    return s.kind == Kind::LunarMonthly ? day : day && !lunar.leapMonth && lunar.month == s.month;
}

// The first day from AnchorFrom of every lunar day there is, by its date part ("农历八月十五",
// "农历每月十五"): one pass over the thirteen months in which each lunar month has come once
// (the 三十 of a short month is its last day), where asking day by day for each of a few
// hundred lunar dates would ask the Chinese calendar for the same days again and again.
QHash<QString, QDate> lunarFirstDays()
{
    QHash<QString, QDate> first;
    for (QDate day = AnchorFrom; day < AnchorFrom.addMonths(13); day = day.addDays(1)) {
        const LunarDay lunar = lunarDayOf(day);
        const auto keep = [&](const Schedule &s) {
            const QString part = s.text().section(u' ', 0, 0);
            if (!first.contains(part))
                first.insert(part, day);
        };
        // A 29th that ends its month is the 三十 of that month as well.
        for (const int date : {lunar.day, lunar.lastOfShortMonth ? 30 : 0}) {
            if (date == 0)
                continue;
            keep({Kind::LunarMonthly, QTime(0, 0), QDate(), 0, date, 0});
            if (!lunar.leapMonth)
                keep({Kind::LunarYearly, QTime(0, 0), QDate(), lunar.month, date, 0});
        }
    }
    return first;
}

// A floating date-time, "20000305T090700".
QByteArray dateTime(const QDate &date, const QTime &time)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d00", date.year(), date.month(),
                  date.day(), time.hour(), time.minute());
    return QByteArray(text);
}

} // namespace

QDate firstDay(const Schedule &s, const QDate &from)
{
    switch (s.kind) {
    case Kind::Daily:
        return from;
    case Kind::Weekly:
        return from.addDays((s.weekday - from.dayOfWeek() + 7) % 7);
    case Kind::Monthly:
    case Kind::Yearly:
        for (QDate month(from.year(), from.month(), 1); month < from.addYears(4);
             month = month.addMonths(1)) {
            const QDate day(month.year(), month.month(), s.day);
            if (day >= from && (s.kind == Kind::Monthly || s.month == month.month()) &&
                day.isValid()) {
                return day;
            }
        }
        return QDate();
    case Kind::LunarYearly:
    case Kind::LunarMonthly:
        for (QDate day = from; day < from.addYears(4); day = day.addDays(1)) {
            if (lunarMatch(s, lunarDayOf(day)))
                return day;
        }
        return QDate();
    case Kind::Once:
    case Kind::Workday:
    case Kind::Other:
        break;
    }
    return QDate();
}

QString rule(const Schedule &s)
{
    // A 三十 falls on the 29th of a month that has no 30th: back to the day before.
    const QString skip = s.day == 30 ? QStringLiteral(";SKIP=BACKWARD") : QString();
    switch (s.kind) {
    case Kind::Yearly:
        return QStringLiteral("FREQ=YEARLY;BYMONTH=%1;BYMONTHDAY=%2").arg(s.month).arg(s.day);
    case Kind::Monthly:
        return QStringLiteral("FREQ=MONTHLY;BYMONTHDAY=%1").arg(s.day);
    case Kind::Daily:
        return QStringLiteral("FREQ=DAILY");
    case Kind::Weekly:
        return QStringLiteral("FREQ=WEEKLY;BYDAY=") + QLatin1String(WeekdayCodes[s.weekday - 1]);
    case Kind::LunarYearly:
        return QStringLiteral("RSCALE=CHINESE;FREQ=YEARLY;BYMONTH=%1;BYMONTHDAY=%2")
                   .arg(s.month)
                   .arg(s.day) +
               skip;
    case Kind::LunarMonthly:
        return QStringLiteral("RSCALE=CHINESE;FREQ=MONTHLY;BYMONTHDAY=%1").arg(s.day) + skip;
    case Kind::Once:
    case Kind::Workday:
    case Kind::Other:
        break;
    }
    return QString();
}

QByteArray uidOf(const Event &event)
{
    return QCryptographicHash::hash(
               (Schema::kindCode(event.kind) + event.time + u'\n' + event.content).toUtf8(),
               QCryptographicHash::Sha1)
               .toHex() +
           "@tasquill";
}

namespace {

const QByteArray Header = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
                          "PRODID:-//Tasquill//Tasquill " TASQUILL_VERSION "//ZH\r\n";
const QByteArray Footer = "END:VCALENDAR\r\n";

// Writes each reminder's VEVENT through `take`, the reasons of those left out into `leftOut`.
void writeEvents(const QList<Event> &events, const QDateTime &now, const Zone &zone,
                 QStringList &leftOut,
                 const std::function<void(const Event &, const QByteArray &)> &take)
{
    QByteArray ics;
    const QByteArray startProperty =
        zone.id.isEmpty() ? QByteArray("DTSTART:") : "DTSTART;TZID=" + zone.id + ':';
    const QString stamp = now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QSet<QByteArray> written;
    // Many reminders share a day of the year or a lunar day: each first day is found once.
    QHash<QString, QDate> firstDays;
    bool lunarFound = false;
    for (const Event &event : events) {
        const std::optional<Schedule> schedule = Schedule::read(event.time);
        if (!schedule || schedule->kind != event.kind) {
            leftOut << event.time + u' ' + event.content + QStringLiteral("：时间无法识别");
            continue;
        }
        // No calendar rule knows the State Council's schedule of holidays and make-up days.
        if (event.kind == Kind::Workday) {
            leftOut << event.time + u' ' + event.content +
                           QStringLiteral("：工作日提醒随法定节假日和调休而变，日历规则无法表示");
            continue;
        }
        QDate start = schedule->date;
        if (event.kind != Kind::Once) {
            const QString dayPart = event.time.left(event.time.lastIndexOf(u' '));
            if (!lunarFound &&
                (event.kind == Kind::LunarYearly || event.kind == Kind::LunarMonthly)) {
                firstDays.insert(lunarFirstDays());
                lunarFound = true;
            }
            auto found = firstDays.find(dayPart);
            if (found == firstDays.end())
                found = firstDays.insert(dayPart, firstDay(*schedule, AnchorFrom));
            start = *found;
        }
        if (!start.isValid()) {
            leftOut << event.time + u' ' + event.content + QStringLiteral("：没有这一天");
            continue;
        }
        // Identical twins are one reminder (they ring once).
        const QByteArray uid = uidOf(event);
        if (written.contains(uid))
            continue;
        written.insert(uid);
        const QString summary = escaped(event.content.section(u'\n', 0, 0));
        ics.clear();
        ics += "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:" + stamp.toLatin1() + "\r\n" +
               startProperty + dateTime(start, schedule->time) + "\r\n";
        if (event.kind != Kind::Once)
            ics += "RRULE:" + rule(*schedule).toLatin1() + "\r\n";
        appendLine(ics, QStringLiteral("SUMMARY:") + summary);
        appendLine(ics, QStringLiteral("DESCRIPTION:") + escaped(event.content));
        // Readers trim the blanks around a text: a content that has them keeps them here.
        if (event.content.trimmed() != event.content)
            appendLine(ics, QStringLiteral("X-TASQUILL-CONTENT:") +
                                QString::fromLatin1(event.content.toUtf8().toPercentEncoding()));
        ics += "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:PT0S\r\n";
        appendLine(ics, QStringLiteral("DESCRIPTION:") + summary);
        ics += "END:VALARM\r\nEND:VEVENT\r\n";
        take(event, ics);
    }
}

} // namespace

Result write(const QList<Event> &events, const QDateTime &now, const Zone &zone,
             const QString &name)
{
    Result result;
    result.ics = Header;
    if (!name.isEmpty())
        appendLine(result.ics, QStringLiteral("X-WR-CALNAME:") + escaped(name));
    result.ics += zone.definition;
    result.ics.reserve(events.size() * 400); // an event is about 350 bytes
    writeEvents(events, now, zone, result.leftOut, [&](const Event &, const QByteArray &event) {
        result.ics += event;
        ++result.exported;
    });
    result.ics += Footer;
    return result;
}

Objects writeEach(const QList<Event> &events, const QDateTime &now, const Zone &zone)
{
    Objects result;
    writeEvents(events, now, zone, result.leftOut, [&](const Event &e, const QByteArray &event) {
        result.objects.append({e, Header + zone.definition + event + Footer});
    });
    return result;
}

} // namespace CalendarExport
