#pragma once

#include "event.h"
#include "eventstore.h"
#include "schema.h"
#include "sqlitedatabase.h"
#include "sqlitestatement.h"

#include <QStringList>

#include <functional>

// Fills a large event file fast: `write` gets a connection of its own to `path`, inside
// one transaction (a store would commit each row on its own), committed only when
// `write` succeeds. With `makeTables`, a store first gives the file the program's tables.
inline bool writeInOneTransaction(const QString &path, bool makeTables,
                                  const std::function<bool(SqliteDatabase &db)> &write)
{
    if (makeTables && !EventStore(path).open())
        return false;
    SqliteDatabase db;
    return db.open(path, SqliteDatabase::Mode::ReadWrite, 3000) && db.exec("begin") && write(db) &&
           db.exec("commit");
}

// Runs the prepared `insert` with `row` bound.
inline bool insertRow(SqliteStatement &insert, const QStringList &row)
{
    for (int c = 0; c < row.size(); ++c)
        insert.bind(c, row.at(c));
    return insert.run();
}

// An event as the row the store would write for it.
inline QStringList eventRow(const Event &event)
{
    return {event.time, event.content, Schema::kindCode(event.kind)};
}
