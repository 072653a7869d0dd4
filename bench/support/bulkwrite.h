#pragma once

#include "eventstore.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

#include <functional>

// Fills a large event file fast: `write` gets a connection of its own to `path`, inside
// one transaction (a store would commit each row on its own), committed only when
// `write` succeeds. With `makeTables`, a store first gives the file the program's tables.
inline bool writeInOneTransaction(const QString &path, bool makeTables,
                                  const std::function<bool(QSqlDatabase &db)> &write)
{
    if (makeTables) {
        EventStore store(path);
        if (!store.open())
            return false;
    }
    const QString connection = QStringLiteral("bench.bulkwrite");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        ok = db.open() && db.transaction() && write(db) && db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

// Runs the prepared `insert` with `row` bound, a null text stored as an empty one as the
// program stores it.
inline bool insertRow(QSqlQuery &insert, const QStringList &row)
{
    for (int c = 0; c < row.size(); ++c)
        insert.bindValue(c, row.at(c).isNull() ? QStringLiteral("") : row.at(c));
    return insert.exec();
}
