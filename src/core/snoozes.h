#pragma once

#include "event.h"

#include <QDateTime>
#include <QList>

#include <memory>
#include <optional>

class SqliteDatabase;
class SqliteStatement;

// Reminders put off by "稍后提醒", kept in snoozetable with their texts, so that neither
// quitting nor a deletion of the event loses them. Statements only; the store holds the
// transactions.
class Snoozes
{
public:
    explicit Snoozes(SqliteDatabase &db);
    ~Snoozes();

    bool add(const Event &event, const QDateTime &due);
    // Whether any is due by the time the wall clock shows `upTo`; nothing when the file
    // cannot be read. Asked every minute, and takes no write lock.
    std::optional<bool> anyDue(const QDateTime &upTo);
    // Those due by then, earliest first, taken out of the file.
    bool take(const QDateTime &upTo, QList<Reminder> *due);
    // Finalises the statement kept prepared, before its connection closes.
    void forgetStatements();

private:
    SqliteDatabase &m_db;
    std::unique_ptr<SqliteStatement> m_check;
};
