#pragma once

#include "event.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>

// Owns event.db: its connection, the four tables (created where missing, upgraded once
// from the numeric-affinity columns of earlier versions), and every statement the program
// issues. Each user action is one transaction: it happens whole or not at all.
//
// Every operation returns false on failure and leaves a message for the user in
// lastError(), naming the file and SQLite's reason. Nothing is ever written when the file
// is not a database.
//
// The connection has a name of its own and stays open until the store is destroyed;
// models made over database() must be gone by then.
class EventStore
{
public:
    // How long an operation waits for a lock held by another process before it fails.
    static constexpr int BusyTimeoutMs = 3000;

    // `fileName` is usually "event.db" in the working directory.
    explicit EventStore(const QString &fileName);
    ~EventStore();
    EventStore(const EventStore &) = delete;
    EventStore &operator=(const EventStore &) = delete;

    // Opens the file (SQLite creates it when missing), waits up to a few seconds for a lock
    // held by another process, upgrades old tables and creates missing ones, with the
    // index on 时间 that dueEvents() uses. Fails without writing when the file is not a
    // database. A complete file is only read, so a read-only one opens (and its writes fail).
    bool open();
    bool isOpen() const;

    // The connection, for the table models of the windows.
    QSqlDatabase database() const;
    QString filePath() const;
    QString lastError() const;

    // insert into eventtable values(?,?,?)
    bool addEvent(const Event &event);

    // Rebuilds todayeventtable for the date of `now`, with the day's housekeeping: forgets
    // yesterday's completions, moves passed once-only events to the history as "未完成",
    // and leaves out what was completed today. One transaction.
    bool rebuildToday(const QDateTime &now);

    // Records a completion at `now`: a "完成" history row and a tceventtable row, and the
    // item leaves todayeventtable. A once-only event is finished by it and leaves
    // eventtable: with kind "y" every row of that time and content goes; with no kind
    // (completing from today's list, which does not know it) only the rows of kind "y";
    // with any other kind the eventtable rows stay. One transaction.
    bool completeItem(const QString &time, const QString &content, const QDateTime &now,
                      const QString &kind = QString());

    // The events due in the minute of `minute`, in storage order: the rows whose time text
    // equals one of that minute's five match texts. Empty with lastError() set on failure;
    // `ok` tells the two apart.
    QList<Event> dueEvents(const QDateTime &minute, bool *ok = nullptr);

    // The rows of a table in storage order, each as its column texts (for tests and tools).
    QList<QStringList> rows(const QString &table, bool *ok = nullptr);

    // The history rows after rowid `after` (all of them for the smallest qint64), in
    // storage order and with the texts rows() gives. `lastRowid`
    // receives the rowid of the last row read and is left alone when none is.
    bool historyRowsAfter(qint64 after, QList<QStringList> *rows, qint64 *lastRowid);

    // Whether the history rows up to rowid `upTo` may still be the ones read before,
    // without reading them: `count` receives how many rows have a rowid of at most
    // `upTo`, `rowAt` the row at `upTo` itself (empty when it is gone).
    bool historyUpTo(qint64 upTo, qint64 *count, QStringList *rowAt);

    // How often this store has deleted history rows. A deleted last row leaves its rowid
    // to the next insert, so a reader that keeps rows reads them all again when it moves.
    quint64 historyDeletions() const;

    // Deletes from "eventtable" or "historyeventtable" every row equal to `row` (as rows()
    // gives it) in every column, a null string matching only NULL: the row the user chose
    // together with its identical twins, and nothing else. `deleted`, when given, receives
    // how many went. One transaction.
    bool deleteRows(const QString &table, const QStringList &row, int *deleted = nullptr);

    // A mark that differs from the last one taken whenever rows may have changed in
    // between, through this store or through any other connection to the file. Empty when
    // it cannot be taken; a reader that keeps rows then reads them again.
    QString changeMark();

private:
    bool fail(const QString &what, const QString &reason);
    bool upgradeOldTables();
    bool createMissingTables();
    // Runs `body` inside "begin immediate" … "commit"; rolls back and fails with
    // `failure` and the reason `body` gave when it returns false.
    bool inTransaction(const QString &failure, const std::function<bool(QString &reason)> &body);
    bool readTableNames(QStringList *tables, QStringList *indexes, QString *reason);
    // Every row `statement` selects with `values` bound, each as its column texts; on
    // failure no rows, and lastError() says why.
    bool select(const QString &statement, const QStringList &values, QList<QStringList> *rows);
    // The same with `values` bound as they are (numbers as numbers).
    bool selectBound(const QString &statement, const QVariantList &values, QList<QStringList> *rows);
    // Takes the rowid each history row was read with off its front; the last one read goes
    // to `lastRowid`.
    bool takeRowids(QList<QStringList> *rows, qint64 *lastRowid);

    QString m_fileName;
    QString m_connectionName;
    QString m_lastError;
    quint64 m_historyDeletions = 0;
};
