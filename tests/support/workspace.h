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

// A data table's columns, their types in order, and a row: columns<QString, int>("a", "b").
template <typename... Types, typename... Names> void columns(const Names &...names)
{
    (QTest::addColumn<Types>(names), ...);
}
template <typename... Cells> void row(const char *name, const Cells &...cells)
{
    (QTest::newRow(name) << ... << cells);
}

// A file's bytes written (a test that cannot would prove nothing), or read ("<unreadable>").
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

// Rows ended by a line break or ";", cells split by "|"; "∅" stands for NULL (a null text).
inline Rows table(const char *text)
{
    Rows rows;
    const QRegularExpression rowEnd("[\n;]\\s*");
    for (const QString &line : QString::fromUtf8(text).split(rowEnd, Qt::SkipEmptyParts)) {
        rows << line.split('|');
        for (QString &cell : rows.last())
            cell = cell == "∅" ? QString() : cell;
    }
    return rows;
}

// event.db as another program sees it, over a connection of the test's own.
namespace DbFile {
inline bool exec(const QString &sql)
{
    SqliteDatabase db;
    return db.open("event.db", SqliteDatabase::Mode::ReadWrite, 3000) && db.exec(sql.toUtf8());
}
// Inserts the rows of `text` (see table()) into a table of the file (made by the program).
inline bool insert(T into, const char *text)
{
    EventStore("event.db").open();
    QStringList values;
    for (const QStringList &row : table(text)) {
        QStringList cells;
        for (const QString &cell : row)
            cells << (cell.isNull() ? "null" : "'" + QString(cell).replace("'", "''") + "'");
        values << "(" + cells.join(',') + ")";
    }
    return exec(QStringLiteral("insert into %1 values").arg(Schema::info(into).name) +
                values.join(','));
}
// Another program that holds the file until it lets go.
inline std::unique_ptr<SqliteDatabase> lock()
{
    auto db = std::make_unique<SqliteDatabase>();
    if (!db->open("event.db", SqliteDatabase::Mode::ReadWrite, 0) || !db->exec("begin exclusive"))
        qFatal("cannot lock event.db");
    return db;
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
inline QStringList column(const Rows &rows, int c = 1)
{
    QStringList texts;
    for (const QStringList &row : rows)
        texts << row.value(c);
    return texts;
}
} // namespace DbFile

// A test's own working folder, made the current directory; given a moment, the program's
// clock is held there until setNow() moves it.
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
    // Stores `events` as the program would, or rows of the events' table given as text.
    void addEvents(const QList<Event> &events) const
    {
        const auto store = openStore();
        for (const Event &event : events)
            QVERIFY2(store->addEvent(event), qPrintable(store->lastError().debugText()));
    }
    void addEvents(const char *rows) const { QVERIFY(DbFile::insert(T::Events, rows)); }

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
    QDateTime m_now;
};
