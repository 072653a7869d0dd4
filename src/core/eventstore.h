#pragma once

#include "event.h"
#include "historyentry.h"
#include "sqlitedatabase.h"
#include "timetext.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class HistoryRange;
class SqliteStatement;

// Owns event.db: its connection, the four tables (created where missing, upgraded once
// from the numeric-affinity columns of earlier versions), and every statement the program
// issues. Reminders, today's items and history rows cross this boundary as types; only
// this class and the schema spell tables, columns, kind codes and status texts.
//
// Each user action is one transaction: it happens whole or not at all. Every operation
// returns false (or an empty list with `ok` false) on failure and leaves a message for the
// user in lastError(), naming the file and SQLite's reason. Nothing is ever written when
// the file is not a database.
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
    // Whether the path no longer leads to the file that is open: another program replaced
    // it (a backup put back, a sync tool's rename), or deleted it, folder and all.
    bool isStale() const;
    // Follows the path: a replaced file is opened in its place (true: the events may all be
    // different now); a deleted one stays open for reading, and isReadOnly() says so.
    bool followFile();
    QString filePath() const;
    QString lastError() const;
    // What the user is told about a file that cannot be written or is gone.
    QString readOnlyNotice() const;

    bool addEvent(const Event &event);

    // Rebuilds today's list for `today`, with the day's housekeeping: forgets the
    // completions of another day, moves passed once-only events to the history as missed,
    // and leaves out what was completed today.
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

    // The events due when the wall clock shows `reading` (see WallClock), in storage order:
    // the rows whose time text equals one of that minute's match texts.
    QList<Event> dueEvents(const QDateTime &reading, bool *ok = nullptr);
    // Every event, in storage order.
    QList<Event> events(bool *ok = nullptr);

    // The last reading of the wall clock the program checked for due reminders, as it noted
    // it; invalid when it never did (a first start, or a file an earlier version wrote).
    QDateTime lastChecked();
    bool setLastChecked(const QDateTime &reading);

    // Puts `event` off until the moment `due`; takeSnoozes() hands back, and forgets, those
    // due by the time the wall clock shows `upTo` (a moment or a reading), earliest first.
    bool snooze(const Event &event, const QDateTime &due);
    QList<Reminder> takeSnoozes(const QDateTime &upTo, bool *ok = nullptr);
    // Differs from one call to the next once the file was changed, by this store or by
    // another program.
    qint64 changeStamp();
    // The first reading after the reading `after`, on its day, at which an event falls due
    // (as dueEvents() would find it), or a reminder put off comes back (on any day);
    // invalid when there is none.
    QDateTime nextDue(const QDateTime &after, bool *ok = nullptr);
    // Today's list as last rebuilt for `today`, in storage order. For a file that cannot
    // be written it is worked out afresh, since no rebuild could store it.
    QList<TodayItem> todayList(const QDate &today, bool *ok = nullptr);
    // The history rows within `range`, in storage order; rows without a readable date are
    // in every range that is not empty.
    QList<HistoryEntry> history(const HistoryRange &range, bool *ok = nullptr);

    // "完成", "未完成", or an empty text for a state this program does not write.
    static QString statusText(Status status);

private:
    bool fail(const QString &what, const QString &reason);
    // Finalises the statements kept prepared, before their connection closes.
    void forgetStatements();
    // SQLite's reason for the last failure, in the user's words where they meet it.
    QString reason() const;
    // Passes `read` on, to `ok` too if given; when false, lastError() says why.
    bool finishRead(bool read, bool *ok);
    // The phases of the day's rebuild.
    struct DayHit
    {
        TodayItem item;
        TimeText::DayMatch match;
    };
    // Whether today's completions (if any) are of `today`, as the first one tells.
    bool completionsAreOf(const QDate &today, bool *of);
    bool forgetCompletionsOfAnotherDay(const QDate &today);
    // The events of today and the once-only events that have passed, in storage order.
    bool readDay(const QDate &today, QList<DayHit> *hits);
    // Lists today's events and moves the passed ones to the history.
    bool listDay(const QList<DayHit> &hits);
    using Completions = QSet<QPair<QString, QString>>; // time and content of each
    bool readCompletions(Completions *completed);
    // Today's list as a rebuild stores it: today's events in order, less those completed.
    static QList<TodayItem> listOf(const QList<DayHit> &hits, const Completions &completed);
    // Whether the stored list holds `items`, row for row.
    bool sameAsStored(const QList<TodayItem> &items, bool *same);
    QList<TodayItem> todayListUnsaved(const QDate &today, bool *ok);
    // Whether any reminder has a lunar text; notes it in m_lunar.
    bool hasLunarReminders();
    // Runs `body` inside "begin immediate" … "commit"; rolls back and fails with
    // `failure` and SQLite's reason when `body` returns false.
    bool inTransaction(const QString &failure, const std::function<bool()> &body);
    bool complete(const TodayItem &item, const QDateTime &now, bool ofToday,
                  std::initializer_list<const char *> removals);
    bool deleteTwins(const char *check, const char *remove, qint64 id,
                     const std::function<bool(SqliteStatement &row)> &unchanged);

    QString m_fileName;
    QString m_lastError;
    bool m_readOnly = false;
    bool m_gone = false;
    QPair<quint64, quint64> m_identity; // the open file's device and inode
    SqliteDatabase m_db;
    // The minute's query runs every minute of the program's life: prepared once for each
    // number of match texts a minute has.
    std::unique_ptr<SqliteStatement> m_dueQuery;
    std::unique_ptr<SqliteStatement> m_snoozeCheck;
    // Whether lunar reminders are there to check, as the last rebuild or entry found.
    bool m_lunar = true;
    qsizetype m_dueQueryTexts = 0;
    // nextDue()'s last answer, which holds for a later reading of the same day while the
    // file stays as it was: a program that sleeps until then gets it again at each wake
    // without reading the events.
    struct
    {
        qint64 stamp = 0;
        QDateTime after, next;
    } m_nextDue;
};
