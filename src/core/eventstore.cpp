#include "eventstore.h"

#include "historyrange.h"
#include "logging.h"
#include "schemaupgrade.h"
#include "sqlitestatement.h"
#include "timetext.h"
#include "wallclock.h"

#include <QFileInfo>
#include <QSet>

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>

namespace {

// The kind codes of column 类型.
struct KindCode
{
    Kind kind;
    const char *code;
};
constexpr KindCode KindCodes[] = {
    {Kind::Once, "y"},   {Kind::Yearly, "m"},      {Kind::Monthly, "d"},      {Kind::Daily, "t"},
    {Kind::Weekly, "w"}, {Kind::LunarYearly, "l"}, {Kind::LunarMonthly, "k"},
};

Kind kindOf(const QString &code)
{
    for (const KindCode &k : KindCodes) {
        if (code == QLatin1String(k.code))
            return k.kind;
    }
    return Kind::Other;
}

QString codeOf(Kind kind)
{
    for (const KindCode &k : KindCodes) {
        if (k.kind == kind)
            return QString::fromLatin1(k.code);
    }
    return QString();
}

const QString DoneText = QStringLiteral("完成");
const QString MissedText = QStringLiteral("未完成");

Status statusOf(const QString &text)
{
    return text == DoneText ? Status::Done : text == MissedText ? Status::Missed : Status::Other;
}

// Reads an event from columns 时间, 内容, 类型, rowid.
Event eventAt(const SqliteStatement &row)
{
    return {row.text(0), row.text(1), kindOf(row.text(2)), row.integer(3)};
}

const QString OpenFailed = QStringLiteral("无法打开数据库文件");
const QString UpgradeFailed = QStringLiteral("无法升级数据库文件");
const QString WriteFailed = QStringLiteral("无法写入数据库文件");
const QString ReadFailed = QStringLiteral("无法读取数据库文件");
const QString NotOpen = QStringLiteral("数据库没有打开");
const QString Unchanged = QStringLiteral("（文件未作改动）");

// Which file a path leads to now: its device and inode, or NoFile.
using FileIdentity = QPair<quint64, quint64>;
const FileIdentity NoFile(0, 0);
FileIdentity identityOf(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return NoFile;
    return {quint64(info.st_dev), quint64(info.st_ino)};
}

} // namespace

EventStore::EventStore(const QString &fileName) : m_fileName(QFileInfo(fileName).absoluteFilePath())
{
}

EventStore::~EventStore()
{
    forgetStatements();
}

void EventStore::forgetStatements()
{
    // Statements go before their connection.
    m_dueQuery.reset();
    m_snoozeCheck.reset();
}

bool EventStore::open()
{
    m_lastError.clear();
    if (isOpen())
        return true;
    if (!m_db.open(m_fileName, SqliteDatabase::Mode::ReadWrite, ReadBusyTimeoutMs))
        return fail(OpenFailed, reason());
    m_readOnly = false;
    m_gone = false;
    m_identity = identityOf(m_fileName);
    m_nextDue = {};

    SchemaUpgrade upgrade(m_db);
    bool readable = false;
    const bool needed = upgrade.needed(&readable);
    if (!readable) {
        const QString why = reason();
        m_db.close();
        return fail(OpenFailed, why);
    }
    m_db.setBusyTimeout(BusyTimeoutMs); // the upgrade writes
    const bool upgraded = !needed || upgrade.run();
    m_db.setBusyTimeout(ReadBusyTimeoutMs);
    if (!upgraded) {
        // A file we may read but not write still serves its reminders, without the index.
        if (upgrade.writeRefused() &&
            m_db.open(m_fileName, SqliteDatabase::Mode::ReadOnly, ReadBusyTimeoutMs)) {
            m_readOnly = true;
            qCWarning(lcStore).noquote() << "opened read-only:" << m_fileName;
            hasLunarReminders();
            return true;
        }
        const QString why = upgrade.reason().isEmpty() ? reason() : upgrade.reason();
        m_db.close();
        return upgrade.hadOldTables() ? fail(UpgradeFailed, why + Unchanged)
                                      : fail(WriteFailed, why);
    }
    qCDebug(lcStore) << "opened" << m_fileName;
    hasLunarReminders();
    return true;
}

bool EventStore::isOpen() const
{
    return m_db.isOpen();
}

bool EventStore::isReadOnly() const
{
    return m_readOnly || m_gone;
}

bool EventStore::isStale() const
{
    if (!isOpen())
        return false;
    const FileIdentity now = identityOf(m_fileName);
    return m_gone ? now != NoFile : now != m_identity;
}

bool EventStore::followFile()
{
    if (!isStale())
        return false;
    if (identityOf(m_fileName) == NoFile) {
        // Deleted, or its folder was: what is open still reminds, but nothing written to it
        // would ever be seen again.
        qCWarning(lcStore).noquote() << "the file is gone:" << m_fileName;
        m_gone = true;
        return false;
    }
    qCInfo(lcStore).noquote() << "the file was replaced, opening the new one:" << m_fileName;
    forgetStatements();
    m_db.close();
    open();
    return true;
}

QString EventStore::filePath() const
{
    return m_fileName;
}

QString EventStore::lastError() const
{
    return m_lastError;
}

QString EventStore::readOnlyNotice() const
{
    if (m_gone)
        return QStringLiteral("数据库文件 %1 已不在原处：它或它所在的文件夹被删除或移走了。"
                              "提醒照常按已读入的事项进行，但新设置、完成和删除的事项都无法保存。"
                              "请把该文件放回原处；放回以后 Tasquill 会接着使用它。")
            .arg(m_fileName);
    return QStringLiteral(
               "数据库文件 %1 只能读取，不能写入：提醒照常进行，但新设置、完成和删除的事项"
               "都无法保存。请让该文件和它所在的文件夹可以写入，然后重新启动 Tasquill。")
        .arg(m_fileName);
}

bool EventStore::addEvent(const Event &event)
{
    m_lastError.clear();
    m_lunar = m_lunar || event.kind == Kind::LunarYearly || event.kind == Kind::LunarMonthly;
    const QString code = codeOf(event.kind);
    if (code.isEmpty())
        return fail(WriteFailed, QStringLiteral("事项类型未知"));
    return inTransaction(WriteFailed, [&] {
        return SqliteStatement(m_db, "insert into eventtable values(?,?,?)")
            .bindAll({event.time, event.content, code})
            .run();
    });
}

bool EventStore::rebuildToday(const QDate &today)
{
    m_lastError.clear();
    return inTransaction(WriteFailed, [&] {
        QList<DayHit> hits;
        Completions completed;
        if (!forgetCompletionsOfAnotherDay(today) || !readDay(today, &hits) ||
            !readCompletions(&completed))
            return false;
        // Most rebuilds (each start, each change elsewhere) find the list as it was: it is
        // then left alone, which spares the disk a write.
        const bool passed = std::any_of(hits.cbegin(), hits.cend(), [](const DayHit &hit) {
            return hit.match != TimeText::DayMatch::Today;
        });
        bool same = false;
        if (!passed && !sameAsStored(listOf(hits, completed), &same))
            return false;
        return (!passed && same) ||
               (m_db.exec("delete from todayeventtable") &&
                listDay(hits)
                // What was completed today stays off the list, duplicates included.
                && m_db.exec(
                       "delete from todayeventtable where exists (select 1 from tceventtable c "
                       "where c.时间 = todayeventtable.时间 and c.内容 = todayeventtable.内容)"));
    });
}

bool EventStore::readCompletions(Completions *completed)
{
    SqliteStatement done(m_db, "select 时间, 内容 from tceventtable");
    while (done.next())
        completed->insert({done.text(0), done.text(1)});
    return done.ok();
}

QList<TodayItem> EventStore::listOf(const QList<DayHit> &hits, const Completions &completed)
{
    QList<TodayItem> items;
    for (const DayHit &hit : hits) {
        if (hit.match == TimeText::DayMatch::Today &&
            !completed.contains({hit.item.time, hit.item.content})) {
            items.append(hit.item);
        }
    }
    return items;
}

bool EventStore::sameAsStored(const QList<TodayItem> &items, bool *same)
{
    SqliteStatement stored(m_db, "select 时间, 内容 from todayeventtable order by rowid");
    qsizetype row = 0;
    *same = true;
    while (*same && stored.next()) {
        *same = row < items.size() && items.at(row).time == stored.text(0) &&
                items.at(row).content == stored.text(1);
        ++row;
    }
    *same = *same && row == items.size();
    return stored.ok();
}

bool EventStore::completionsAreOf(const QDate &today, bool *of)
{
    // Completions are kept for the day they were made on; the first row tells which.
    SqliteStatement first(m_db, "select 完成时间 from tceventtable order by rowid limit 1");
    *of = !first.next() || TimeText::parseOnceDate(first.text(0)) == today;
    return first.ok();
}

bool EventStore::forgetCompletionsOfAnotherDay(const QDate &today)
{
    bool current = true;
    return completionsAreOf(today, &current) && (current || m_db.exec("delete from tceventtable"));
}

bool EventStore::readDay(const QDate &today, QList<DayHit> *hits)
{
    // Only rows that can be today's are read: a yearly, monthly, weekly or lunar text
    // without today's "3月5日", "5日", "星期三", "农历八月十五" or "农历每月十五" in it (or
    // the 三十 form that falls on the last day of a short lunar month) cannot match
    // (matchDay makes the same test first), and reading every row would cost more than all
    // the rest. An empty text (no yearly lunar text in a leap month) matches nothing.
    SqliteStatement scan(m_db, "select 时间, 内容, 类型 from eventtable where 类型 in ('y', 't') "
                               "or (类型 = 'm' and instr(时间, ?1) > 0) "
                               "or (类型 = 'd' and instr(时间, ?2) > 0) "
                               "or (类型 = 'w' and instr(时间, ?3) > 0) "
                               "or (类型 = 'l' and ((?4 <> '' and instr(时间, ?4) > 0) "
                               "or (?5 <> '' and instr(时间, ?5) > 0))) "
                               "or (类型 = 'k' and ((?6 <> '' and instr(时间, ?6) > 0) "
                               "or (?7 <> '' and instr(时间, ?7) > 0))) order by rowid");
    const bool lunar = hasLunarReminders();
    const auto lunarText = [&](Kind kind, bool thirtieth) {
        return !lunar      ? QString()
               : thirtieth ? TimeText::thirtiethDayText(kind, today)
                           : TimeText::dayText(kind, today);
    };
    scan.bindAll({TimeText::dayText(Kind::Yearly, today), TimeText::dayText(Kind::Monthly, today),
                  TimeText::dayText(Kind::Weekly, today), lunarText(Kind::LunarYearly, false),
                  lunarText(Kind::LunarYearly, true), lunarText(Kind::LunarMonthly, false),
                  lunarText(Kind::LunarMonthly, true)});
    while (scan.next()) {
        const QString time = scan.text(0);
        const auto match = TimeText::matchDay(kindOf(scan.text(2)), time, today);
        if (match != TimeText::DayMatch::NotToday)
            hits->append({{time, scan.text(1)}, match});
    }
    return scan.ok();
}

bool EventStore::hasLunarReminders()
{
    // Lunar texts begin with 农历: a range on the index of 时间 finds one at once. Noted for
    // the minute checks until the next rebuild.
    SqliteStatement any(m_db,
                        "select 1 from eventtable where 时间 >= ?1 and 时间 < ?1 || char(1114111)");
    any.bindAll({QStringLiteral("农历")});
    m_lunar = any.next() || !any.ok();
    return m_lunar;
}

bool EventStore::listDay(const QList<DayHit> &hits)
{
    // A passed once-only event takes every row of its time and content with it, and a row
    // already removed that way is not looked at again.
    SqliteStatement list(m_db, "insert into todayeventtable values(?,?)");
    SqliteStatement toHistory(m_db, "insert into historyeventtable values(?,?,?,?,?)");
    SqliteStatement remove(m_db, "delete from eventtable where 时间 = ? and 内容 = ?");
    QSet<QPair<QString, QString>> removed;
    for (const DayHit &hit : hits) {
        const TodayItem &item = hit.item;
        if (removed.contains({item.time, item.content}))
            continue;
        if (hit.match == TimeText::DayMatch::Today) {
            if (!list.bindAll({item.time, item.content}).run())
                return false;
            continue;
        }
        // A text that names no date has none to tag the history row with: the tag stays
        // empty, and the browser lists such a row in every range.
        const QDate date = TimeText::parseOnceDate(item.time);
        const QString tag = date.isValid() ? TimeText::dateTag(date) : QString();
        if (!toHistory.bindAll({item.time, item.content, MissedText, QString(), tag}).run() ||
            !remove.bindAll({item.time, item.content}).run()) {
            return false;
        }
        removed.insert({item.time, item.content});
    }
    return true;
}

bool EventStore::completeReminder(const Reminder &reminder, const QDateTime &now)
{
    const Event &event = reminder.event;
    // The reminder of an earlier day (listed as missed, or put off past midnight) is done,
    // but today's own occurrence is still to come: only today's leaves today's list.
    const bool ofToday = TimeText::occurrenceDay(event.time, reminder.due) == now.date();
    if (event.kind != Kind::Once)
        return complete({event.time, event.content}, now, ofToday, {});
    // A finished once-only event must not fire again, nor stay or come back as missed: it
    // may have been moved to the history already when it is completed late.
    return complete(
        {event.time, event.content}, now, ofToday,
        {"delete from eventtable where 时间 = ? and 内容 = ?",
         "delete from historyeventtable where 时间 = ? and 内容 = ? and 完成情况 = '未完成'"});
}

bool EventStore::completeTodayItem(const TodayItem &item, const QDateTime &now)
{
    return complete(item, now, true,
                    {"delete from eventtable where 时间 = ? and 内容 = ? and 类型 = 'y'"});
}

bool EventStore::complete(const TodayItem &item, const QDateTime &now, bool ofToday,
                          std::initializer_list<const char *> removals)
{
    m_lastError.clear();
    const QString completed = TimeText::completionTime(now);
    return inTransaction(WriteFailed, [&] {
        bool done = SqliteStatement(m_db, "insert into historyeventtable values(?,?,?,?,?)")
                        .bindAll({item.time, item.content, DoneText, completed,
                                  TimeText::dateTag(now.date())})
                        .run();
        for (const char *sql : removals)
            done = done && SqliteStatement(m_db, sql).bindAll({item.time, item.content}).run();
        if (!ofToday)
            return done;
        // Of today's list it leaves every row of its time and content, for the rest of
        // the day.
        return done &&
               SqliteStatement(m_db, "insert into tceventtable values(?,?,?)")
                   .bindAll({item.time, item.content, completed})
                   .run() &&
               SqliteStatement(m_db, "delete from todayeventtable where 时间 = ? and 内容 = ?")
                   .bindAll({item.time, item.content})
                   .run();
    });
}

bool EventStore::deleteEvent(const Event &event)
{
    return deleteTwins("select 时间, 内容, 类型, rowid from eventtable where rowid = ?",
                       "delete from eventtable where (时间, 内容, 类型) is "
                       "(select 时间, 内容, 类型 from eventtable where rowid = ?)",
                       event.id, [&](SqliteStatement &row) { return eventAt(row) == event; });
}

bool EventStore::deleteHistoryEntry(const HistoryEntry &entry)
{
    return deleteTwins(
        "select 时间, 内容, 完成情况, 完成时间 from historyeventtable where rowid = ?",
        "delete from historyeventtable where (时间, 内容, 完成情况, 完成时间, dTag) is "
        "(select 时间, 内容, 完成情况, 完成时间, dTag from historyeventtable where rowid = ?)",
        entry.id, [&](SqliteStatement &row) {
            return row.text(0) == entry.time && row.text(1) == entry.content &&
                   statusOf(row.text(2)) == entry.status && row.text(3) == entry.completedAt;
        });
}

bool EventStore::deleteTwins(const char *check, const char *remove, qint64 id,
                             const std::function<bool(SqliteStatement &row)> &unchanged)
{
    m_lastError.clear();
    return inTransaction(WriteFailed, [&] {
        // Rows are compared with "is", so that a NULL an earlier version left finds its row.
        SqliteStatement row(m_db, check);
        row.bind(0, id);
        if (!row.next())
            return row.ok(); // gone already
        const bool same = unchanged(row);
        row.reset();
        return !same || SqliteStatement(m_db, remove).bind(0, id).run();
    });
}

QList<Event> EventStore::dueEvents(const QDateTime &minute, bool *ok)
{
    m_lastError.clear();
    // One placeholder a text, so that the look-up stays on the index of 时间; the number
    // of texts changes only with the lunar date, so the statement is prepared again rarely.
    const QStringList texts = TimeText::minuteMatchTexts(minute, m_lunar);
    if (!m_dueQuery || m_dueQueryTexts != texts.size()) {
        QByteArray sql = "select 时间, 内容, 类型, rowid from eventtable where 时间 in (?";
        sql += QByteArray(",?").repeated(texts.size() - 1) + ") order by rowid";
        m_dueQuery.reset();
        m_dueQuery = std::make_unique<SqliteStatement>(m_db, sql);
        m_dueQueryTexts = texts.size();
    }
    for (int i = 0; i < texts.size(); ++i)
        m_dueQuery->bind(i, texts.at(i));
    QList<Event> due;
    while (m_dueQuery->next())
        due.append(eventAt(*m_dueQuery));
    const bool read = finishRead(m_dueQuery->ok(), ok);
    m_dueQuery->reset();
    // A statement that could not be prepared is prepared anew next time.
    if (!read)
        m_dueQuery.reset();
    return read ? due : QList<Event>();
}

QList<Event> EventStore::events(bool *ok)
{
    m_lastError.clear();
    QList<Event> events;
    SqliteStatement query(m_db, "select 时间, 内容, 类型, rowid from eventtable order by rowid");
    while (query.next())
        events.append(eventAt(query));
    return finishRead(query.ok(), ok) ? events : QList<Event>();
}

QDateTime EventStore::lastChecked()
{
    SqliteStatement query(m_db, "select value from statetable where key = 'lastChecked'");
    return query.next() ? WallClock::fromText(query.text(0)) : QDateTime();
}

bool EventStore::setLastChecked(const QDateTime &reading)
{
    m_lastError.clear();
    return inTransaction(WriteFailed, [&] {
        return SqliteStatement(m_db, "insert or replace into statetable values('lastChecked', ?)")
            .bindAll({WallClock::text(reading)})
            .run();
    });
}

bool EventStore::snooze(const Event &event, const QDateTime &due)
{
    m_lastError.clear();
    return inTransaction(WriteFailed, [&] {
        return SqliteStatement(m_db, "insert into snoozetable values(?,?,?,?)")
            .bindAll({event.time, event.content, codeOf(event.kind), WallClock::text(due)})
            .run();
    });
}

QList<Reminder> EventStore::takeSnoozes(const QDateTime &upTo, bool *ok)
{
    m_lastError.clear();
    if (m_readOnly) { // nothing can have been put off
        if (ok)
            *ok = true;
        return {};
    }
    // The texts compare as moments: the format has fixed widths. Asked every minute and
    // nearly always with nothing put off: a look first, which takes no write lock.
    if (!m_snoozeCheck) {
        m_snoozeCheck = std::make_unique<SqliteStatement>(
            m_db, "select 1 from snoozetable where 提醒时间 <= ? limit 1");
    }
    m_snoozeCheck->bindAll({WallClock::text(upTo)});
    const bool any = m_snoozeCheck->next();
    const bool looked = m_snoozeCheck->ok();
    m_snoozeCheck->reset();
    if (!looked)
        m_snoozeCheck.reset(); // prepared anew next time
    if (!finishRead(looked, ok) || !any)
        return {};
    QList<Reminder> due;
    QList<qint64> rows;
    const bool taken = inTransaction(WriteFailed, [&] {
        SqliteStatement query(m_db, "select 时间, 内容, 类型, rowid, 提醒时间 from snoozetable "
                                    "where 提醒时间 <= ? order by 提醒时间, rowid");
        query.bindAll({WallClock::text(upTo)});
        while (query.next()) {
            due.append(
                {eventAt(query), WallClock::firstMomentAt(WallClock::fromText(query.text(4)))});
            rows.append(query.integer(3));
        }
        for (qint64 row : std::as_const(rows)) {
            if (!SqliteStatement(m_db, "delete from snoozetable where rowid = ?")
                     .bind(0, row)
                     .run())
                return false;
        }
        return query.ok();
    });
    if (ok)
        *ok = taken;
    return taken ? due : QList<Reminder>();
}

qint64 EventStore::changeStamp()
{
    // data_version moves with every commit of another connection, total_changes with the
    // rows this one changed. Where the pragma cannot be read, the stamp is new each time:
    // a change is assumed.
    SqliteStatement version(m_db, "pragma data_version");
    static quint64 unknown = 0;
    const quint64 others = version.next() ? quint64(version.integer(0)) : --unknown;
    return qint64((others << 32) ^ quint64(sqlite3_total_changes64(m_db.handle())));
}

QDateTime EventStore::nextDue(const QDateTime &after, bool *ok)
{
    m_lastError.clear();
    const qint64 stamp = changeStamp();
    if (m_nextDue.after.isValid() && stamp == m_nextDue.stamp &&
        after.date() == m_nextDue.after.date() && after >= m_nextDue.after &&
        (!m_nextDue.next.isValid() || after < m_nextDue.next)) {
        return finishRead(true, ok) ? m_nextDue.next : QDateTime();
    }
    // An event falls due in a minute when its text is one of that minute's match texts
    // (dueEvents()): a day part of today's (or none) and a clock part. Each distinct text
    // is tried as dueEvents() would, whatever its type code says.
    const QDate day = after.date();
    QSet<QString> dayParts;
    for (const QString &text : TimeText::minuteMatchTexts(QDateTime(day, QTime(12, 0)), m_lunar))
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
            TimeText::minuteMatchTexts(minute, m_lunar).contains(text)) {
            next = minute;
        }
    }
    bool read = texts.ok();
    if (read && !m_readOnly) {
        SqliteStatement snoozed(m_db, "select min(提醒时间) from snoozetable where 提醒时间 > ?");
        snoozed.bindAll({WallClock::text(after)});
        const QDateTime due = snoozed.next() ? WallClock::fromText(snoozed.text(0)) : QDateTime();
        read = snoozed.ok();
        if (due.isValid() && (!next.isValid() || due < next))
            next = due;
    }
    m_nextDue = {stamp, read ? after : QDateTime(), next};
    return finishRead(read, ok) ? next : QDateTime();
}

QList<TodayItem> EventStore::todayList(const QDate &today, bool *ok)
{
    m_lastError.clear();
    if (m_readOnly)
        return todayListUnsaved(today, ok);
    QList<TodayItem> items;
    SqliteStatement query(m_db, "select 时间, 内容 from todayeventtable order by rowid");
    while (query.next())
        items.append({query.text(0), query.text(1)});
    return finishRead(query.ok(), ok) ? items : QList<TodayItem>();
}

QList<TodayItem> EventStore::todayListUnsaved(const QDate &today, bool *ok)
{
    // The list cannot be stored: it is worked out as a rebuild would store it.
    QList<DayHit> hits;
    bool current = true;
    Completions completed;
    const bool read =
        readCompletions(&completed) && readDay(today, &hits) && completionsAreOf(today, &current);
    const QList<TodayItem> items = listOf(hits, current ? completed : Completions());
    return finishRead(read, ok) ? items : QList<TodayItem>();
}

QList<HistoryEntry> EventStore::history(const HistoryRange &range, bool *ok)
{
    m_lastError.clear();
    QList<HistoryEntry> entries;
    SqliteStatement query(m_db, "select 时间, 内容, 完成情况, 完成时间, rowid from "
                                "historyeventtable order by rowid");
    while (!range.isEmpty() && query.next()) {
        HistoryEntry entry;
        entry.time = query.text(0);
        entry.status = statusOf(query.text(2));
        entry.completedAt = query.text(3);
        // A done row belongs to the day of its completion, a missed one to its own day.
        if (entry.status == Status::Done)
            entry.date = TimeText::parseOnceDate(entry.completedAt);
        else if (entry.status == Status::Missed)
            entry.date = TimeText::parseOnceDate(entry.time);
        if (!range.contains(entry.date))
            continue;
        entry.content = query.text(1);
        entry.id = query.integer(4);
        entries.append(std::move(entry));
    }
    return finishRead(query.ok(), ok) ? entries : QList<HistoryEntry>();
}

QString EventStore::statusText(Status status)
{
    return status == Status::Done ? DoneText : status == Status::Missed ? MissedText : QString();
}

QString EventStore::reason() const
{
    if (m_db.errorCode() == SQLITE_READONLY_DBMOVED)
        return QStringLiteral("文件刚被另一个程序替换或移走了。请再试一次。");
    switch (m_db.errorCode() & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("文件正被另一个程序使用（已锁定）。请关闭那个程序，或稍后再试。");
    case SQLITE_READONLY:
        return QStringLiteral("文件是只读的。请让该文件和它所在的文件夹可以写入。");
    case SQLITE_FULL:
        return QStringLiteral("磁盘已满。请腾出一些磁盘空间后再试。");
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return QStringLiteral(
            "这不是数据库文件，或文件已损坏。Tasquill 不会改动它；请把它移到别处保存，"
            "然后重新启动 Tasquill，以新建一个数据库。");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("没有权限打开或写入该文件。请检查该文件和它所在的文件夹的权限。");
    case SQLITE_CANTOPEN:
        return QStringLiteral("无法打开该文件：它可能是一个文件夹，或没有权限打开或写入。"
                              "请检查该路径和它所在的文件夹。");
    default:
        return m_db.errorMessage();
    }
}

bool EventStore::fail(const QString &what, const QString &reason)
{
    m_lastError = QStringLiteral("%1 %2：%3").arg(what, m_fileName, reason);
    qCWarning(lcStore).noquote() << m_lastError;
    return false;
}

bool EventStore::finishRead(bool read, bool *ok)
{
    if (!read)
        fail(ReadFailed, isOpen() ? reason() : NotOpen);
    if (ok)
        *ok = read;
    return read;
}

bool EventStore::inTransaction(const QString &failure, const std::function<bool()> &body)
{
    // Never into a file that is no longer at its path: a replaced one is followed first.
    followFile();
    if (!isOpen())
        return fail(failure, NotOpen);
    if (isReadOnly())
        return fail(failure, readOnlyNotice());
    // "immediate" takes the write lock at once, so a lock held elsewhere is waited for
    // here rather than found half-way through.
    m_db.setBusyTimeout(BusyTimeoutMs);
    const bool done = m_db.exec("begin immediate") && body() && m_db.exec("commit");
    m_db.setBusyTimeout(ReadBusyTimeoutMs);
    if (done)
        return true;
    const QString why = reason();
    m_readOnly = m_db.failedForWantOfWriteAccess();
    m_db.exec("rollback");
    if (m_db.errorCode() == SQLITE_READONLY_DBMOVED)
        followFile(); // replaced just now: the next try goes to the new file
    return fail(failure, m_readOnly ? readOnlyNotice() : why);
}
