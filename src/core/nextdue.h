#pragma once

#include <QDateTime>

#include <optional>

class SqliteDatabase;

// When the reminder clock must next look: the first reading of the wall clock after a given
// one, on its day, at which an event falls due (as the minute's check would find it), or a
// reminder put off comes back (on any day). The answer is kept: it holds for a later
// reading of the same day while the file stays as it was, so that a program that sleeps
// until then gets it again at each wake without reading the events.
class NextDue
{
public:
    explicit NextDue(SqliteDatabase &db) : m_db(db) {}

    // The next reading after `after` (invalid: none), for a file whose change stamp is
    // `stamp`; `lunar` when lunar reminders are there, `snoozes` when reminders put off can
    // be. Nothing when the file cannot be read.
    std::optional<QDateTime> after(const QDateTime &after, qint64 stamp, bool lunar, bool snoozes);
    // Forgets the answer kept (a new connection).
    void forget() { m_after = QDateTime(); }

private:
    std::optional<QDateTime> read(const QDateTime &after, bool lunar, bool snoozes);

    SqliteDatabase &m_db;
    qint64 m_stamp = 0;
    QDateTime m_after, m_next;
};
