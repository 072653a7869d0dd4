#pragma once

#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

// Runs `statements` in order on `fileName` over a connection of its own, as another
// program might, and closes it again. Stops at the first that fails, with a warning.
inline bool execOnFile(const QStringList &statements,
                       const QString &fileName = QStringLiteral("event.db"))
{
    const QString connection = QStringLiteral("tests.other_program");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(fileName);
        ok = db.open();
        QSqlQuery query(db);
        for (const QString &sql : statements) {
            if (ok && !query.exec(sql)) {
                qWarning() << sql << query.lastError().text();
                ok = false;
            }
        }
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}
