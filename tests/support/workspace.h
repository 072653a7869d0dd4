#pragma once

#include "clock.h"
#include "eventstore.h"
#include "schema.h"
#include "sqlitedatabase.h"
#include "sqlitestatement.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using Rows = QList<QStringList>;
using T = Schema::Table;

// A test's own working folder, made the current directory, where the program finds and
// leaves its files (event.db, config.txt, the default sound). Given a moment, the program's
// clock is held there until setNow() moves it. Both are put back when it goes.
class Workspace
{
public:
    explicit Workspace(const QDateTime &now = QDateTime()) : m_previousDir(QDir::currentPath())
    {
        QDir::setCurrent(m_dir.path());
        if (now.isValid())
            setNow(now);
    }
    ~Workspace()
    {
        Clock::setSource({});
        QDir::setCurrent(m_previousDir);
    }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    QDateTime now() const { return m_now; }
    void setNow(const QDateTime &now)
    {
        m_now = now;
        Clock::setSource([this] { return m_now; });
    }
    // A store on event.db here, already opened: see isOpen() and lastError().
    std::unique_ptr<EventStore> openStore() const
    {
        auto store = std::make_unique<EventStore>(QStringLiteral("event.db"));
        store->open();
        return store;
    }
    // Stores `events` in event.db here, as an earlier run of the program would have.
    void addEvents(const QList<Event> &events) const
    {
        const auto store = openStore();
        for (const Event &event : events)
            QVERIFY2(store->addEvent(event), qPrintable(store->lastError()));
    }

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
    QDateTime m_now;
};

// A file's bytes, written (a test that cannot would prove nothing) or read (a marker no
// test expects when it cannot be).
inline void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

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
inline bool exec(const QString &sql)
{
    SqliteDatabase db;
    const bool ok =
        db.open("event.db", SqliteDatabase::Mode::ReadWrite, 3000) && db.exec(sql.toUtf8());
    if (!ok)
        qWarning("%s: %s", qPrintable(sql.left(200)), qPrintable(db.errorMessage()));
    return ok;
}
// Inserts `rows` into `table`, kind codes, NULLs and all.
inline bool insert(T table, const Rows &rows)
{
    QStringList values;
    for (const QStringList &row : rows) {
        QStringList cells;
        for (const QString &cell : row)
            cells << (cell.isNull() ? "null" : "'" + QString(cell).replace("'", "''") + "'");
        values << "(" + cells.join(',') + ")";
    }
    return exec(QStringLiteral("insert into %1 values").arg(Schema::info(table).name) +
                values.join(','));
}
// Every row of `table` in storage order, each as its column texts (a null text for NULL).
inline Rows rows(T table)
{
    SqliteDatabase db;
    db.open("event.db", SqliteDatabase::Mode::ReadOnly, 3000);
    SqliteStatement query(db, QByteArray("select * from ") + Schema::info(table).name +
                                  " order by rowid");
    Rows rows;
    while (query.next()) {
        rows << QStringList();
        for (int c = 0; c < Schema::info(table).columns; ++c)
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
