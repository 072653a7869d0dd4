#pragma once

#include "event.h"
#include "fileidentity.h"
#include "historyentry.h"
#include "historytable.h"
#include "nextdue.h"
#include "snoozes.h"
#include "sqlitedatabase.h"
#include "storeerror.h"
#include "todaylist.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class HistoryRange;
class SqliteStatement;

// Owns event.db: its connection, the tables (created where missing, upgraded once from the
// numeric-affinity columns of earlier versions), transactions, and the reads and writes the
// program makes. Reminders, today's items and history rows cross this boundary as types;
// the schema spells tables, columns, kind codes and status texts; today's list (TodayList)
// and the next due moment (NextDue) have classes of their own.
//
// Each user action is one transaction: it happens whole or not at all. A write returns
// false and a read nothing on failure, and lastError() says what went wrong. Nothing is
// ever written when the file is not a database.
class EventStore
{
public:
    // How long an operation waits for a lock held by another process before it fails: a
    // change the user made waits a while; a read, which the reminder clock tries again
    // within seconds, only briefly, so that a file held elsewhere does not hold up the
    // windows (a commit holds readers off for milliseconds).
    static constexpr int BusyTimeoutMs = 3000;
    static constexpr int ReadBusyTimeoutMs = 300;

    // `fileName` is usually "event.db" in the working directory.
    explicit EventStore(const QString &fileName);
    ~EventStore();
    EventStore(const EventStore &) = delete;
    EventStore &operator=(const EventStore &) = delete;

    // Opens the file (SQLite creates it when missing) and brings it up to date once.
    // Fails without writing when the file is not a database. A file that can be read but
    // not written opens for reading: reminders go on, and isReadOnly() says so.
    bool open();
    bool isOpen() const;
    // Whether changes cannot be saved: the file or its folder refused a write, or the file
    // is gone.
    bool isReadOnly() const;
    // Why changes cannot be saved (CannotSave or Gone), for the user.
    StoreError readOnlyNotice() const;
    // Whether the path no longer leads to the file that is open: another program replaced
    // it (a backup put back, a sync tool's rename), or deleted it, folder and all.
    bool isStale() const;
    // Follows the path: a replaced file is opened in its place (true: the events may all be
    // different now); a deleted one stays open for reading, and isReadOnly() says so.
    bool followFile();
    QString filePath() const;
    StoreError lastError() const;

    bool addEvent(const Event &event);
    // Whether an event with the time text and content of one already stored is added.
    enum class Twins { Add, Skip };
    // Adds `events` in one transaction, all or none; how many were added.
    std::optional<int> addEvents(const QList<Event> &events, Twins twins);
    // Rebuilds today's list for `today`, with the day's housekeeping (see TodayList).
    bool rebuildToday(const QDate &today);
    // Records the completion of a reminder at `now`: a done history row and, when it is
    // today's occurrence, a completion, and the item leaves today's list. A once-only event
    // is finished by it: every row of its time and content leaves the events; other kinds
    // stay.
    bool completeReminder(const Reminder &reminder, const QDateTime &now);
    // The same for an item of today's list, whose kind the list does not know: of the
    // events, only once-only rows of its time and content go.
    bool completeTodayItem(const TodayItem &item, const QDateTime &now);
    // Delete the row that was read as `event` or `entry` together with its identical
    // twins, and nothing else; nothing when that row has gone or changed meanwhile.
    bool deleteEvent(const Event &event);
    bool deleteHistoryEntry(const HistoryEntry &entry);
    // Puts `event` off until the moment `due`.
    bool snooze(const Event &event, const QDateTime &due);
    // Notes the last reading of the wall clock the program checked for due reminders.
    bool setLastChecked(const QDateTime &reading);

    // Every event, in storage order.
    std::optional<QList<Event>> events();
    // The events due when the wall clock shows `reading` (see WallClock), in storage order:
    // the rows whose time text equals one of that minute's match texts (a 工作日 one on a
    // working day only).
    std::optional<QList<Event>> dueEvents(const QDateTime &reading);
    // Hands back, and forgets, the reminders put off until the wall clock showed `upTo` (a
    // moment or a reading), earliest first.
    std::optional<QList<Reminder>> takeSnoozes(const QDateTime &upTo);
    // The first reading after `after` on its day at which an event falls due, or at which a
    // reminder put off comes back; invalid when there is none (see NextDue).
    std::optional<QDateTime> nextDue(const QDateTime &after);
    // Today's list as last rebuilt for `today`, in storage order. For a file that cannot
    // be written it is worked out afresh, since no rebuild could store it.
    std::optional<QList<TodayItem>> todayList(const QDate &today);
    // The list that today's list would be on `date`, worked out without writing.
    std::optional<QList<TodayItem>> dayList(const QDate &date);
    // The history rows within `range`, in storage order; rows without a readable date are
    // in every range that is not empty.
    std::optional<QList<HistoryEntry>> history(const HistoryRange &range);
    // The last reading noted by setLastChecked(); invalid when none was (a first start,
    // or a file an earlier version wrote).
    QDateTime lastChecked();
    // Differs from one call to the next once the file was changed, by this store or by
    // another program.
    qint64 changeStamp();

private:
    bool deleteTwins(const char *check, const char *remove, qint64 id,
                     const std::function<bool(SqliteStatement &row)> &unchanged);
    // Runs `body` inside "begin immediate" … "commit"; rolls back and fails when `body`
    // returns false.
    bool inTransaction(const std::function<bool()> &body);
    // Whether any reminder has a lunar text; notes it in m_lunar.
    bool hasLunarReminders();
    // Finalises the statements kept prepared, before their connection closes.
    void forgetStatements();

    // Notes a failure of `action`, for SQLite's reason or `cause`; false.
    bool fail(StoreError::Action action, StoreError::Cause cause = StoreError::Cause::None);
    // A read that failed: notes it, and gives nothing.
    template <typename T> std::optional<T> failedRead()
    {
        fail(StoreError::Action::Read,
             isOpen() ? StoreError::Cause::None : StoreError::Cause::NotOpen);
        return std::nullopt;
    }

    QString m_fileName;
    StoreError m_lastError;
    bool m_readOnly = false;
    bool m_gone = false;
    FileIdentity m_identity; // of the file open
    SqliteDatabase m_db;
    TodayList m_today{m_db};
    NextDue m_nextDue{m_db};
    Snoozes m_snoozes{m_db};
    HistoryTable m_history{m_db};
    // The minute's query runs every minute of the program's life: prepared once for each
    // number of match texts a minute has.
    std::unique_ptr<SqliteStatement> m_dueQuery;
    qsizetype m_dueQueryTexts = 0;
    // Whether lunar reminders are there to check, as the last rebuild or entry found.
    bool m_lunar = true;
};
