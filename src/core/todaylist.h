#pragma once

#include "event.h"
#include "timetext.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QSet>

#include <optional>

class SqliteDatabase;

// Today's list as the store keeps it in todayeventtable: the day's rebuild with its
// housekeeping (completions of another day forgotten, passed once-only events moved to the
// history as missed, what was done today left out), and the same list worked out for a
// file that cannot store it. Statements only; the store opens the file and holds the
// transaction.
class TodayList
{
public:
    explicit TodayList(SqliteDatabase &db) : m_db(db) {}

    // Rebuilds the stored list for `today`, inside the caller's transaction; `lunar` when
    // lunar reminders are there to match. A list already as it would be is left alone.
    bool rebuild(const QDate &today, bool lunar);
    // The list a rebuild would store, without writing.
    std::optional<QList<TodayItem>> workOut(const QDate &today, bool lunar);

    // What a completion takes off the events: nothing, every row of its time and content
    // (a once-only reminder finished), or only the once-only ones (an item of the list,
    // whose kind it does not know).
    enum class Finish { None, EveryRow, OnceRows };
    // Records `item` as done at `now` in the history; when it is today's occurrence, also
    // among today's completions and off the list for the rest of the day.
    bool complete(const TodayItem &item, const QDateTime &now, bool ofToday, Finish finish);

private:
    struct DayHit
    {
        TodayItem item;
        TimeText::DayMatch match;
    };
    using Completions = QSet<QPair<QString, QString>>; // time and content of each

    // The events of today and the once-only events that have passed, in storage order.
    bool readDay(const QDate &today, bool lunar, QList<DayHit> *hits);
    bool readCompletions(Completions *completed);
    // Whether today's completions (if any) are of `today`, as the first one tells.
    bool completionsAreOf(const QDate &today, bool *of);
    bool forgetCompletionsOfAnotherDay(const QDate &today);
    // Lists today's events and moves the passed ones to the history.
    bool storeDay(const QList<DayHit> &hits);
    // Whether the stored list holds `items`, row for row.
    bool sameAsStored(const QList<TodayItem> &items, bool *same);
    // Today's events in order, less those completed.
    static QList<TodayItem> listOf(const QList<DayHit> &hits, const Completions &completed);

    SqliteDatabase &m_db;
};
