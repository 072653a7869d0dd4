#include "nextdue.h"

#include "sqlitestatement.h"
#include "timetext.h"
#include "wallclock.h"

#include <QSet>

std::optional<QDateTime> NextDue::after(const QDateTime &after, qint64 stamp, bool lunar,
                                        bool snoozes)
{
    if (m_after.isValid() && stamp == m_stamp && after.date() == m_after.date() &&
        after >= m_after && (!m_next.isValid() || after < m_next)) {
        return m_next;
    }
    const std::optional<QDateTime> next = read(after, lunar, snoozes);
    m_after = next ? after : QDateTime();
    m_stamp = stamp;
    m_next = next.value_or(QDateTime());
    return next;
}

std::optional<QDateTime> NextDue::read(const QDateTime &after, bool lunar, bool snoozes)
{
    // An event falls due in a minute when its text is one of that minute's match texts: a
    // day part of today's (or none) and a clock part. Each distinct text is tried as the
    // minute's check would, whatever its type code says.
    const QDate day = after.date();
    QSet<QString> dayParts;
    for (const QString &text :
         TimeText::minuteMatchTexts(QDateTime(day, QTime(12, 0), Qt::UTC), lunar))
        dayParts.insert(text.left(qMax(0, text.lastIndexOf(u' '))));
    // SQLite passes over the texts of other days (the part before the first blank, which
    // for a text of one blank is the day part), so that only today's are read here.
    SqliteStatement texts(m_db, "select distinct 时间 from eventtable where "
                                "substr(时间, 1, instr(时间, ' ') - 1) in (?" +
                                    QByteArray(",?").repeated(dayParts.size() - 1) + ")");
    int parameter = 0;
    for (const QString &dayPart : std::as_const(dayParts))
        texts.bind(parameter++, dayPart);
    QDateTime next;
    while (texts.next()) {
        const QString text = texts.text(0);
        const qsizetype blank = text.lastIndexOf(u' ');
        if (!dayParts.contains(text.left(qMax(0, blank))))
            continue;
        const QTime time = QTime::fromString(text.mid(blank + 1), TimeText::TimeFormat);
        const QDateTime minute(day, time, Qt::UTC); // a reading
        if (time.isValid() && after < minute && (!next.isValid() || minute < next) &&
            TimeText::minuteMatchTexts(minute, lunar).contains(text)) {
            next = minute;
        }
    }
    if (!texts.ok())
        return std::nullopt;
    if (snoozes) {
        SqliteStatement snoozed(m_db, "select min(提醒时间) from snoozetable where 提醒时间 > ?");
        snoozed.bindAll({WallClock::text(after)});
        const QDateTime due = snoozed.next() ? WallClock::fromText(snoozed.text(0)) : QDateTime();
        if (!snoozed.ok())
            return std::nullopt;
        if (due.isValid() && (!next.isValid() || due < next))
            next = due;
    }
    return next;
}
