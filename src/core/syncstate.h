#pragma once

#include "sqlitedatabase.h"
#include "storeerror.h"
#include "syncrecord.h"

#include <QList>
#include <QString>

#include <optional>

// What one step of a sync changes here, all at once or not at all: the rows equal to
// `remove` leave eventtable, `add` is added unless a row equal to it is there, `record` is
// stored (in place of its href's), the record of `drop` forgotten.
struct SyncStep
{
    std::optional<Event> remove;
    std::optional<Event> add;
    std::optional<SyncRecord> record;
    QString drop;
};

// The calendar sync's side of event.db: the reminders as rows, and its memory of what it
// last synced (the calendar, the server's sync token, a record per server object). A sync
// compares the rows with the records, so whatever wrote the rows since (the windows, the
// command line, a script, an earlier version) is seen; a step and its record are written in
// one transaction, so a sync killed at any moment leaves either both or neither.
class SyncState
{
public:
    explicit SyncState(const QString &eventDbPath);

    // Opens the file (made by EventStore before) and makes the sync's tables where missing.
    bool open();
    const StoreError &lastError() const { return m_lastError; }

    // The records belong to one calendar: for another, they are forgotten (the rows stay,
    // and go to the new calendar as new reminders).
    bool useCalendar(const QString &calendar);
    // The server's sync token of the last sync; empty when none.
    std::optional<QString> token();
    bool setToken(const QString &token);

    std::optional<QList<SyncRecord>> records();
    // The reminders, twins once.
    std::optional<QList<Event>> events();
    // Whether the history holds `event` (done or missed): a once-only reminder there was
    // not deleted by the user.
    std::optional<bool> inHistory(const Event &event);

    bool apply(const QList<SyncStep> &steps);

    // The server's objects the sync leaves alone, and why, from the file at `eventDbPath`.
    static QList<SyncLeftOut> leftOut(const QString &eventDbPath);

private:
    bool inTransaction(const std::function<bool()> &body);
    bool fail(StoreError::Action action);
    std::optional<QString> info(const QString &key);
    bool setInfo(const QString &key, const QString &value);

    QString m_fileName;
    SqliteDatabase m_db;
    StoreError m_lastError;
};
