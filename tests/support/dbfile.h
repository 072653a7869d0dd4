#pragma once

#include "schema.h"
#include "sqlitedatabase.h"
#include "sqlitestatement.h"

#include <QRegularExpression>
#include <QStringList>

using Rows = QList<QStringList>;

// Rows ended by a line break or ";", cells split by "|"; a row's leading blanks are
// layout, and "∅" stands for NULL (a null text).
inline Rows table(const char *text)
{
    Rows rows;
    for (QString line : QString::fromUtf8(text).split(QRegularExpression("[\n;]"))) {
        line.remove(QRegularExpression("^\\s+"));
        QStringList cells = line.split('|');
        for (QString &cell : cells)
            cell = cell == "∅" ? QString() : cell;
        if (!line.isEmpty())
            rows << cells;
    }
    return rows;
}

// event.db as another program sees it, over a connection of the test's own.
namespace DbFile {

// Runs `sql` (statements separated by ";"); false, with a warning, when it fails.
inline bool exec(const QString &sql, const QString &file = QStringLiteral("event.db"))
{
    SqliteDatabase db;
    const bool ok = db.open(file, SqliteDatabase::Mode::ReadWrite, 3000) && db.exec(sql.toUtf8());
    if (!ok)
        qWarning("%s: %s", qPrintable(sql), qPrintable(db.errorMessage()));
    return ok;
}

// Inserts `rows` into `table` as another program would, kind codes, NULLs and all.
inline bool insert(Schema::Table table, const Rows &rows)
{
    QStringList values;
    for (const QStringList &row : rows) {
        QStringList cells;
        for (const QString &cell : row)
            cells << (cell.isNull() ? "null" : "'" + QString(cell).replace("'", "''") + "'");
        values << "(" + cells.join(',') + ")";
    }
    return DbFile::exec(QStringLiteral("insert into %1 values").arg(Schema::info(table).name) +
                        values.join(','));
}

// Every row of `table` in storage order, each as its column texts (a null text for NULL).
inline Rows rows(Schema::Table table, const QString &file = QStringLiteral("event.db"))
{
    const Schema::TableInfo &info = Schema::info(table);
    SqliteDatabase db;
    db.open(file, SqliteDatabase::Mode::ReadOnly, 3000);
    SqliteStatement query(db, QByteArray("select * from ") + info.name + " order by rowid");
    Rows rows;
    while (query.next()) {
        rows << QStringList();
        for (int c = 0; c < info.columns; ++c)
            rows.last() << query.text(c);
    }
    return query.ok() ? rows : Rows{{"<cannot read>"}};
}

// One column of `rows`, by default the contents.
inline QStringList column(const Rows &rows, int c = 1)
{
    QStringList texts;
    for (const QStringList &row : rows)
        texts << row.value(c);
    return texts;
}

} // namespace DbFile
