#include "eventstore.h"

#include "logging.h"
#include "schema.h"
#include "schemaupgrade.h"
#include "sqlitestatement.h"
#include "timetext.h"
#include "wallclock.h"

#include <QFileInfo>

#include <sqlite3.h>

using Schema::Table;
using Action = StoreError::Action;
using Cause = StoreError::Cause;

namespace {

// Reads an event from columns 时间, 内容, 类型, rowid.
Event eventAt(const SqliteStatement &row)
{
    return {row.text(0), row.text(1), Schema::kindOf(row.text(2)), row.integer(3)};
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
    m_dueQuery.reset();
    m_snoozes.forgetStatements();
}

bool EventStore::open()
{
    m_lastError = {};
    if (isOpen())
        return true;
    if (!m_db.open(m_fileName, SqliteDatabase::Mode::ReadWrite, ReadBusyTimeoutMs))
        return fail(Action::Open);
    m_readOnly = false;
    m_gone = false;
    m_identity = FileIdentity::of(m_fileName);
    m_nextDue.forget();

    SchemaUpgrade upgrade(m_db);
    bool readable = false;
    const bool needed = upgrade.needed(&readable);
    if (!readable) {
        fail(Action::Open);
        m_db.close();
        return false;
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
        fail(upgrade.hadOldTables() ? Action::Upgrade : Action::Write,
             upgrade.mismatch().table.isEmpty() ? Cause::None : Cause::Layout);
        m_lastError.unchanged = upgrade.hadOldTables();
        m_lastError.layout = upgrade.mismatch();
        m_db.close();
        return false;
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

StoreError EventStore::readOnlyNotice() const
{
    return {Action::None, m_gone ? Cause::Gone : Cause::CannotSave, m_fileName};
}

bool EventStore::isStale() const
{
    if (!isOpen())
        return false;
    const FileIdentity now = FileIdentity::of(m_fileName);
    return m_gone ? now.exists() : now != m_identity;
}

bool EventStore::followFile()
{
    if (!isStale())
        return false;
    if (!FileIdentity::of(m_fileName).exists()) {
        // Deleted (or its folder): what is open still reminds; nothing written would be seen.
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

StoreError EventStore::lastError() const
{
    return m_lastError;
}

bool EventStore::addEvent(const Event &event)
{
    return addEvents({event}, Twins::Add).has_value();
}

std::optional<int> EventStore::addEvents(const QList<Event> &events, Twins twins)
{
    m_lastError = {};
    for (const Event &event : events) {
        if (Schema::kindCode(event.kind).isEmpty()) {
            fail(Action::Write, Cause::UnknownKind);
            return std::nullopt;
        }
        m_lunar = m_lunar || event.kind == Kind::LunarYearly || event.kind == Kind::LunarMonthly;
    }
    int added = 0;
    const bool done = inTransaction([&] {
        SqliteStatement insert(m_db, Schema::info(Table::Events).insert);
        SqliteStatement stored(m_db, "select 1 from eventtable where 时间 = ? and 内容 = ?");
        for (const Event &event : events) {
            stored.reset();
            if (twins == Twins::Skip && stored.bindAll({event.time, event.content}).next())
                continue;
            insert.reset();
            if (!stored.ok() ||
                !insert.bindAll({event.time, event.content, Schema::kindCode(event.kind)}).run())
                return false;
            ++added;
        }
        return true;
    });
    return done ? std::optional<int>(added) : std::nullopt;
}

bool EventStore::rebuildToday(const QDate &today)
{
    m_lastError = {};
    return inTransaction([&] { return m_today.rebuild(today, hasLunarReminders()); });
}

bool EventStore::completeReminder(const Reminder &reminder, const QDateTime &now)
{
    m_lastError = {};
    const Event &event = reminder.event;
    // The reminder of an earlier day (listed as missed, or put off past midnight) is done,
    // but today's own occurrence is still to come: only today's leaves today's list.
    const bool ofToday = TimeText::occurrenceDay(event.time, reminder.due) == now.date();
    return inTransaction([&] {
        return m_today.complete({event.time, event.content}, now, ofToday,
                                event.kind == Kind::Once ? TodayList::Finish::EveryRow
                                                         : TodayList::Finish::None);
    });
}

bool EventStore::completeTodayItem(const TodayItem &item, const QDateTime &now)
{
    m_lastError = {};
    return inTransaction(
        [&] { return m_today.complete(item, now, true, TodayList::Finish::OnceRows); });
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
                   Schema::statusOf(row.text(2)) == entry.status &&
                   row.text(3) == entry.completedAt;
        });
}

bool EventStore::deleteTwins(const char *check, const char *remove, qint64 id,
                             const std::function<bool(SqliteStatement &row)> &unchanged)
{
    m_lastError = {};
    return inTransaction([&] {
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

bool EventStore::snooze(const Event &event, const QDateTime &due)
{
    m_lastError = {};
    return inTransaction([&] { return m_snoozes.add(event, due); });
}

bool EventStore::setLastChecked(const QDateTime &reading)
{
    m_lastError = {};
    return inTransaction([&] {
        return SqliteStatement(m_db, Schema::info(Table::State).insert)
            .bindAll({QStringLiteral("lastChecked"), WallClock::text(reading)})
            .run();
    });
}

std::optional<QList<Event>> EventStore::events()
{
    m_lastError = {};
    QList<Event> events;
    SqliteStatement query(m_db, "select 时间, 内容, 类型, rowid from eventtable order by rowid");
    while (query.next())
        events.append(eventAt(query));
    return query.ok() ? std::optional(events) : failedRead<QList<Event>>();
}

std::optional<QList<Event>> EventStore::dueEvents(const QDateTime &reading)
{
    m_lastError = {};
    // One placeholder a text, so that the look-up stays on the index of 时间; the number
    // of texts changes only with the lunar date, so the statement is prepared again rarely.
    const QStringList texts = TimeText::minuteMatchTexts(reading, m_lunar);
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
    while (m_dueQuery->next()) {
        if (const Event event = eventAt(*m_dueQuery);
            TimeText::fallsOnWorkingDay(event.time, reading.date()))
            due.append(event);
    }
    const bool read = m_dueQuery->ok();
    m_dueQuery->reset();
    if (read)
        return due;
    m_dueQuery.reset(); // a statement that could not be prepared is prepared anew next time
    return failedRead<QList<Event>>();
}

std::optional<QList<Reminder>> EventStore::takeSnoozes(const QDateTime &upTo)
{
    m_lastError = {};
    QList<Reminder> due;
    if (isReadOnly()) // nothing can have been put off
        return due;
    const std::optional<bool> any = m_snoozes.anyDue(upTo);
    if (!any)
        return failedRead<QList<Reminder>>();
    if (*any && !inTransaction([&] { return m_snoozes.take(upTo, &due); }))
        return std::nullopt;
    return due;
}

std::optional<QDateTime> EventStore::nextDue(const QDateTime &after)
{
    m_lastError = {};
    const std::optional<QDateTime> next =
        m_nextDue.after(after, changeStamp(), m_lunar, !isReadOnly());
    return next ? next : failedRead<QDateTime>();
}

std::optional<QList<TodayItem>> EventStore::todayList(const QDate &today)
{
    m_lastError = {};
    if (isReadOnly())
        return dayList(today);
    SqliteStatement query(m_db, "select 时间, 内容 from todayeventtable order by rowid");
    QList<TodayItem> items;
    while (query.next())
        items.append({query.text(0), query.text(1)});
    return query.ok() ? std::optional(items) : failedRead<QList<TodayItem>>();
}

std::optional<QList<TodayItem>> EventStore::dayList(const QDate &date)
{
    m_lastError = {};
    const std::optional<QList<TodayItem>> items = m_today.workOut(date, hasLunarReminders());
    return items ? items : failedRead<QList<TodayItem>>();
}

std::optional<QList<HistoryEntry>> EventStore::history(const HistoryRange &range)
{
    m_lastError = {};
    const std::optional<QList<HistoryEntry>> entries = m_history.read(range);
    return entries ? entries : failedRead<QList<HistoryEntry>>();
}

QDateTime EventStore::lastChecked()
{
    SqliteStatement query(m_db, "select value from statetable where key = 'lastChecked'");
    return query.next() ? WallClock::fromText(query.text(0)) : QDateTime();
}

qint64 EventStore::changeStamp()
{
    // data_version moves with every commit of another connection, total_changes with the rows
    // this one changed. A pragma that cannot be read makes a new stamp: a change is assumed.
    SqliteStatement version(m_db, "pragma data_version");
    static quint64 unknown = 0;
    const quint64 others = version.next() ? quint64(version.integer(0)) : --unknown;
    return qint64((others << 32) ^ quint64(sqlite3_total_changes64(m_db.handle())));
}

bool EventStore::hasLunarReminders()
{
    // Lunar texts begin with 农历: a range on the index of 时间 finds one at once.
    SqliteStatement any(m_db,
                        "select 1 from eventtable where 时间 >= ?1 and 时间 < ?1 || char(1114111)");
    any.bindAll({QStringLiteral("农历")});
    m_lunar = any.next() || !any.ok();
    return m_lunar;
}

bool EventStore::fail(Action action, Cause cause)
{
    m_lastError = {action, cause, m_fileName};
    if (cause == Cause::None) {
        m_lastError.cause = StoreError::causeOf(m_db.errorCode());
        if (m_lastError.cause == Cause::Other)
            m_lastError.detail = m_db.errorMessage();
    }
    qCWarning(lcStore).noquote() << m_lastError.debugText();
    return false;
}

bool EventStore::inTransaction(const std::function<bool()> &body)
{
    // Never into a file that is no longer at its path: a replaced one is followed first.
    followFile();
    if (!isOpen())
        return fail(Action::Write, Cause::NotOpen);
    if (isReadOnly())
        return fail(Action::Write, m_gone ? Cause::Gone : Cause::CannotSave);
    // "immediate" takes the write lock at once, so a lock held elsewhere is waited for
    // here rather than found half-way through.
    m_db.setBusyTimeout(BusyTimeoutMs);
    const bool done = m_db.exec("begin immediate") && body() && m_db.exec("commit");
    m_db.setBusyTimeout(ReadBusyTimeoutMs);
    if (done)
        return true;
    const int code = m_db.errorCode();
    m_readOnly = m_db.failedForWantOfWriteAccess();
    fail(Action::Write, m_readOnly ? Cause::CannotSave : StoreError::causeOf(code));
    if (m_lastError.cause == Cause::Other)
        m_lastError.detail = m_db.errorMessage();
    m_db.exec("rollback");
    if (code == SQLITE_READONLY_DBMOVED)
        followFile(); // replaced just now: the next try goes to the new file
    return false;
}
