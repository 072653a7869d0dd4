#include "eventstore.h"

#include "timetext.h"

#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <algorithm>
#include <atomic>

namespace {

Q_LOGGING_CATEGORY(lcStore, "tasquill.store", QtInfoMsg)

struct Table
{
    QString name;
    QString createStatement;
    QString insertStatement;
    int columns;
};

// The four tables in the order they are created. Columns are declared TEXT so that every
// value reads back exactly as it was typed ("007" stays "007").
const QList<Table> &tables()
{
    static const QList<Table> list = {
        {QStringLiteral("eventtable"),
         QStringLiteral("create table eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT)"),
         QStringLiteral("insert into eventtable values(?,?,?)"), 3},
        {QStringLiteral("todayeventtable"),
         QStringLiteral("create table todayeventtable(时间 TEXT, 内容 TEXT)"),
         QStringLiteral("insert into todayeventtable values(?,?)"), 2},
        {QStringLiteral("historyeventtable"),
         QStringLiteral("create table historyeventtable(时间 TEXT, 内容 TEXT, 完成情况 TEXT, "
                        "完成时间 TEXT, dTag TEXT)"),
         QStringLiteral("insert into historyeventtable values(?,?,?,?,?)"), 5},
        {QStringLiteral("tceventtable"),
         QStringLiteral("create table tceventtable(时间 TEXT, 内容 TEXT, 完成时间 TEXT)"),
         QStringLiteral("insert into tceventtable values(?,?,?)"), 3},
    };
    return list;
}

const QString TimeIndex = QStringLiteral("eventtable_time");

// Earlier versions declared every column "QString", which gives numeric affinity.
const QString OldColumnType = QStringLiteral("QString");

QString reasonOf(const QSqlError &error)
{
    const QString reason = error.databaseText().trimmed();
    return reason.isEmpty() ? error.text().trimmed() : reason;
}

// A null QString would be bound as SQL NULL, which "时间 = ?" never finds again.
QString asText(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

bool run(QSqlQuery &query, const QString &statement, QString &reason)
{
    if (query.exec(statement))
        return true;
    reason = reasonOf(query.lastError());
    return false;
}

bool prepare(QSqlQuery &query, const QString &statement, QString &reason)
{
    if (query.prepare(statement))
        return true;
    reason = reasonOf(query.lastError());
    return false;
}

bool execBound(QSqlQuery &query, const QStringList &values, QString &reason)
{
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, asText(values.at(i)));
    if (query.exec())
        return true;
    reason = reasonOf(query.lastError());
    return false;
}

// A forward-only query finished without error: next() also returns false on a failed step.
bool finishedCleanly(QSqlQuery &query, QString &reason)
{
    if (query.lastError().isValid()) {
        reason = reasonOf(query.lastError());
        return false;
    }
    query.finish();
    return true;
}

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("tasquill.store.%1").arg(++counter);
}

const QString OpenFailed = QStringLiteral("无法打开数据库文件");
const QString UpgradeFailed = QStringLiteral("无法升级数据库文件");
const QString WriteFailed = QStringLiteral("无法写入数据库文件");
const QString ReadFailed = QStringLiteral("无法读取数据库文件");
const QString NotOpen = QStringLiteral("数据库没有打开");

} // namespace

EventStore::EventStore(const QString &fileName)
    : m_fileName(QFileInfo(fileName).absoluteFilePath())
    , m_connectionName(nextConnectionName())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(m_fileName);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
}

EventStore::~EventStore()
{
    {
        QSqlDatabase db = database();
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool EventStore::open()
{
    m_lastError.clear();
    if (isOpen())
        return true;
    QSqlDatabase db = database();
    if (!db.isValid())
        return fail(OpenFailed, QStringLiteral("没有 SQLite 数据库驱动（QSQLITE）"));
    if (!db.open())
        return fail(OpenFailed, reasonOf(db.lastError()));

    // SQLite opens any file; only reading it shows whether it is a database. Nothing is
    // written before this has succeeded.
    QStringList tableNames, indexNames;
    QString reason;
    if (!readTableNames(&tableNames, &indexNames, &reason)) {
        db.close();
        return fail(OpenFailed, reason);
    }
    if (!upgradeOldTables() || !createMissingTables()) {
        db.close();
        return false;
    }
    qCDebug(lcStore) << "opened" << m_fileName;
    return true;
}

bool EventStore::isOpen() const
{
    return database().isOpen();
}

QSqlDatabase EventStore::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

QString EventStore::filePath() const
{
    return m_fileName;
}

QString EventStore::lastError() const
{
    return m_lastError;
}

bool EventStore::addEvent(const Event &event)
{
    m_lastError.clear();
    return inTransaction(WriteFailed, [&](QString &reason) {
        QSqlQuery insert(database());
        return prepare(insert, QStringLiteral("insert into eventtable values(?,?,?)"), reason)
            && execBound(insert, {event.time, event.content, event.kind}, reason);
    });
}

bool EventStore::rebuildToday(const QDateTime &now)
{
    m_lastError.clear();
    const QDate today = now.date();
    return inTransaction(WriteFailed, [&](QString &reason) {
        const QSqlDatabase db = database();

        // Completions are kept for the day they were made on; the first row tells which.
        QSqlQuery completions(db);
        completions.setForwardOnly(true);
        if (!run(completions, QStringLiteral("select * from tceventtable"), reason))
            return false;
        bool stale = false;
        if (completions.next())
            stale = TimeText::parseOnceDate(completions.value(2).toString()) != today;
        if (!finishedCleanly(completions, reason))
            return false;
        QSqlQuery clear(db);
        if (stale && !run(clear, QStringLiteral("delete from tceventtable"), reason))
            return false;
        if (!run(clear, QStringLiteral("delete from todayeventtable"), reason))
            return false;

        // Decide on every event first, then write: a passed once-only event takes every
        // row of its time and content with it, and a row already removed that way is
        // not looked at again.
        struct Hit
        {
            QString time;
            QString content;
            TimeText::DayMatch match;
        };
        //
        // Only rows that can be today's are read: a yearly, monthly or weekly text without
        // today's "3月5日", "5日" or "星期三" in it cannot match (matchDay makes the same
        // test first), and reading every row through Qt would cost more than all the rest.
        QList<Hit> hits;
        QSqlQuery scan(db);
        scan.setForwardOnly(true);
        if (!prepare(scan, QStringLiteral(
                         "select 时间, 内容, 类型 from eventtable where 类型 in ('y', 't') "
                         "or (类型 = 'm' and instr(时间, ?) > 0) or (类型 = 'd' and instr(时间, ?) > 0) "
                         "or (类型 = 'w' and instr(时间, ?) > 0) order by rowid"),
                     reason)
            || !execBound(scan, {TimeText::dayText(TimeText::YearlyKind, today),
                                 TimeText::dayText(TimeText::MonthlyKind, today),
                                 TimeText::dayText(TimeText::WeeklyKind, today)},
                          reason)) {
            return false;
        }
        while (scan.next()) {
            const QString time = scan.value(0).toString();
            const auto match = TimeText::matchDay(scan.value(2).toString(), time, today);
            if (match != TimeText::DayMatch::NotToday)
                hits.append({time, scan.value(1).toString(), match});
        }
        if (!finishedCleanly(scan, reason))
            return false;

        QSqlQuery listToday(db), toHistory(db), removeEvent(db);
        if (!prepare(listToday, QStringLiteral("insert into todayeventtable values(?,?)"), reason)
            || !prepare(toHistory, QStringLiteral("insert into historyeventtable values(?,?,?,?,?)"),
                        reason)
            || !prepare(removeEvent, QStringLiteral("delete from eventtable where 时间 = ? and 内容 = ?"),
                        reason)) {
            return false;
        }
        QSet<QPair<QString, QString>> removed;
        for (const Hit &hit : std::as_const(hits)) {
            if (removed.contains({hit.time, hit.content}))
                continue;
            if (hit.match == TimeText::DayMatch::Today) {
                if (!execBound(listToday, {hit.time, hit.content}, reason))
                    return false;
                continue;
            }
            // A text that names no date has none to tag the history row with: the tag
            // stays empty, and the browser lists such a row in every range.
            const QDate date = TimeText::parseOnceDate(hit.time);
            const QString tag = date.isValid() ? TimeText::dateTag(date) : QString();
            if (!execBound(toHistory, {hit.time, hit.content, QStringLiteral("未完成"),
                                       QString(), tag},
                           reason)
                || !execBound(removeEvent, {hit.time, hit.content}, reason)) {
                return false;
            }
            removed.insert({hit.time, hit.content});
        }

        // What was completed today stays off the list, duplicates included.
        if (!run(completions, QStringLiteral("select * from tceventtable"), reason))
            return false;
        QList<QStringList> done;
        while (completions.next())
            done.append({completions.value(0).toString(), completions.value(1).toString()});
        if (!finishedCleanly(completions, reason))
            return false;
        QSqlQuery unlist(db);
        if (!prepare(unlist, QStringLiteral("delete from todayeventtable where 时间 = ? and 内容 = ?"),
                     reason)) {
            return false;
        }
        for (const QStringList &item : std::as_const(done)) {
            if (!execBound(unlist, item, reason))
                return false;
        }
        return true;
    });
}

bool EventStore::completeItem(const QString &time, const QString &content, const QDateTime &now,
                              const QString &kind)
{
    m_lastError.clear();
    const QString completed = TimeText::completionTime(now);
    return inTransaction(WriteFailed, [&](QString &reason) {
        const QSqlDatabase db = database();
        QSqlQuery history(db), completion(db), removeEvent(db), unlist(db);
        if (!prepare(history, QStringLiteral("insert into historyeventtable values(?,?,?,?,?)"), reason)
            || !execBound(history, {time, content, QStringLiteral("完成"), completed,
                                    TimeText::dateTag(now.date())},
                          reason)
            || !prepare(completion, QStringLiteral("insert into tceventtable values(?,?,?)"), reason)
            || !execBound(completion, {time, content, completed}, reason)) {
            return false;
        }
        // A finished once-only event must not fire again, nor come back as "未完成".
        QString remove;
        if (kind == TimeText::OnceKind)
            remove = QStringLiteral("delete from eventtable where 时间 = ? and 内容 = ?");
        else if (kind.isEmpty())
            remove = QStringLiteral("delete from eventtable where 时间 = ? and 内容 = ? and 类型 = 'y'");
        if (!remove.isEmpty()
            && (!prepare(removeEvent, remove, reason)
                || !execBound(removeEvent, {time, content}, reason))) {
            return false;
        }
        return prepare(unlist, QStringLiteral("delete from todayeventtable where 时间 = ? and 内容 = ?"),
                       reason)
            && execBound(unlist, {time, content}, reason);
    });
}

QList<Event> EventStore::dueEvents(const QDateTime &minute, bool *ok)
{
    m_lastError.clear();
    QList<QStringList> rows;
    const bool read = select(QStringLiteral("select 时间, 内容, 类型 from eventtable where 时间 in "
                                            "(?,?,?,?,?) order by rowid"),
                             TimeText::minuteMatchTexts(minute), &rows);
    if (ok)
        *ok = read;
    QList<Event> due;
    for (const QStringList &row : std::as_const(rows))
        due.append({row.at(0), row.at(1), row.at(2)});
    return due;
}

QList<QStringList> EventStore::rows(const QString &table, bool *ok)
{
    m_lastError.clear();
    if (ok)
        *ok = false;
    const bool known = std::any_of(tables().cbegin(), tables().cend(),
                                   [&](const Table &t) { return t.name == table; });
    if (!known) {
        fail(ReadFailed, QStringLiteral("没有表 %1").arg(table));
        return {};
    }
    QList<QStringList> result;
    const bool read = select(QStringLiteral("select * from %1 order by rowid").arg(table), {}, &result);
    if (ok)
        *ok = read;
    return result;
}

bool EventStore::historyRowsAfter(qint64 after, QList<QStringList> *rows, qint64 *lastRowid)
{
    m_lastError.clear();
    if (!selectBound(QStringLiteral("select rowid, * from historyeventtable where rowid > ? order by rowid"),
                     {after}, rows)) {
        return false;
    }
    return takeRowids(rows, lastRowid);
}

bool EventStore::historyUpTo(qint64 upTo, qint64 *count, QStringList *rowAt)
{
    m_lastError.clear();
    rowAt->clear();
    QList<QStringList> found;
    if (!selectBound(QStringLiteral("select count(*) from historyeventtable where rowid <= ?"), {upTo},
                     &found)) {
        return false;
    }
    *count = found.value(0).value(0).toLongLong();
    if (!selectBound(QStringLiteral("select * from historyeventtable where rowid = ?"), {upTo}, &found))
        return false;
    if (!found.isEmpty())
        *rowAt = found.first();
    return true;
}

quint64 EventStore::historyDeletions() const
{
    return m_historyDeletions;
}

bool EventStore::takeRowids(QList<QStringList> *rows, qint64 *lastRowid)
{
    for (QStringList &row : *rows) {
        bool number = false;
        *lastRowid = row.takeFirst().toLongLong(&number);
        if (!number) {
            rows->clear();
            return fail(ReadFailed, QStringLiteral("表 historyeventtable 的行号不是整数"));
        }
    }
    return true;
}

bool EventStore::select(const QString &statement, const QStringList &values,
                        QList<QStringList> *rows)
{
    QVariantList texts;
    for (const QString &value : values)
        texts.append(asText(value));
    return selectBound(statement, texts, rows);
}

bool EventStore::selectBound(const QString &statement, const QVariantList &values,
                             QList<QStringList> *rows)
{
    rows->clear();
    if (!isOpen())
        return fail(ReadFailed, NotOpen);
    QSqlQuery query(database());
    query.setForwardOnly(true);
    QString reason;
    if (!prepare(query, statement, reason))
        return fail(ReadFailed, reason);
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        return fail(ReadFailed, reasonOf(query.lastError()));
    const int columns = query.record().count();
    while (query.next()) {
        QStringList row;
        for (int i = 0; i < columns; ++i)
            row.append(query.value(i).toString());
        rows->append(row);
    }
    if (!finishedCleanly(query, reason)) {
        rows->clear();
        return fail(ReadFailed, reason);
    }
    return true;
}

bool EventStore::fail(const QString &what, const QString &reason)
{
    m_lastError = QStringLiteral("%1 %2：%3").arg(what, m_fileName, reason);
    qCWarning(lcStore).noquote() << m_lastError;
    return false;
}

bool EventStore::inTransaction(const QString &failure,
                               const std::function<bool(QString &reason)> &body)
{
    if (!isOpen())
        return fail(failure, NotOpen);
    const QSqlDatabase db = database();
    QString reason;
    {
        // "immediate" takes the write lock at once, so a lock held elsewhere is waited
        // for here rather than found half-way through.
        QSqlQuery begin(db);
        if (!run(begin, QStringLiteral("begin immediate"), reason))
            return fail(failure, reason);
    }
    if (body(reason)) {
        QSqlQuery commit(db);
        if (run(commit, QStringLiteral("commit"), reason))
            return true;
    }
    QSqlQuery rollback(db);
    rollback.exec(QStringLiteral("rollback"));
    return fail(failure, reason);
}

bool EventStore::readTableNames(QStringList *tableNames, QStringList *indexNames, QString *reason)
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!run(query, QStringLiteral("select type, name from sqlite_master"), *reason))
        return false;
    while (query.next()) {
        const QString type = query.value(0).toString();
        if (type == QLatin1String("table"))
            tableNames->append(query.value(1).toString());
        else if (type == QLatin1String("index"))
            indexNames->append(query.value(1).toString());
    }
    return finishedCleanly(query, *reason);
}

bool EventStore::upgradeOldTables()
{
    QStringList tableNames, indexNames;
    QString reason;
    if (!readTableNames(&tableNames, &indexNames, &reason))
        return fail(OpenFailed, reason);

    // The tables whose columns an earlier version declared, with their column counts.
    QHash<QString, int> old;
    for (const Table &table : tables()) {
        if (!tableNames.contains(table.name))
            continue;
        QSqlQuery info(database());
        if (!run(info, QStringLiteral("pragma table_info(%1)").arg(table.name), reason))
            return fail(OpenFailed, reason);
        int columns = 0;
        bool numeric = false;
        while (info.next()) {
            ++columns;
            numeric = numeric || info.value(2).toString().compare(OldColumnType, Qt::CaseInsensitive) == 0;
        }
        if (numeric)
            old.insert(table.name, columns);
    }
    if (old.isEmpty())
        return true;

    QStringList names;
    for (const Table &table : tables()) {
        if (old.contains(table.name))
            names.append(table.name);
    }
    qCInfo(lcStore).noquote() << "upgrading" << names.join(QStringLiteral(", ")) << "in" << m_fileName;
    const bool upgraded = inTransaction(UpgradeFailed, [&](QString &reason) {
        const QSqlDatabase db = database();
        for (const Table &table : tables()) {
            if (!old.contains(table.name))
                continue;
            if (old.value(table.name) != table.columns) {
                reason = QStringLiteral("表 %1 有 %2 列，应有 %3 列")
                             .arg(table.name)
                             .arg(old.value(table.name))
                             .arg(table.columns);
                return false;
            }
            // The values go through Qt as the earlier version read them, so every text
            // stays as the user saw it: 7 for a stored "007", 12.5 for "12.50".
            const QString stale = QStringLiteral("tasquill_old_") + table.name;
            QSqlQuery step(db), copy(db), insert(db);
            copy.setForwardOnly(true);
            if (!run(step, QStringLiteral("alter table %1 rename to %2").arg(table.name, stale), reason)
                || !run(step, table.createStatement, reason)
                || !prepare(insert, table.insertStatement, reason)
                || !run(copy, QStringLiteral("select * from %1 order by rowid").arg(stale), reason)) {
                return false;
            }
            while (copy.next()) {
                for (int i = 0; i < table.columns; ++i) {
                    const QVariant value = copy.value(i);
                    insert.bindValue(i, value.isNull() ? QVariant(QMetaType::fromType<QString>())
                                                       : QVariant(value.toString()));
                }
                if (!insert.exec()) {
                    reason = reasonOf(insert.lastError());
                    return false;
                }
            }
            if (!finishedCleanly(copy, reason)
                || !run(step, QStringLiteral("drop table %1").arg(stale), reason)) {
                return false;
            }
        }
        return true;
    });
    if (!upgraded)
        m_lastError += QStringLiteral("（文件未作改动）");
    return upgraded;
}

bool EventStore::createMissingTables()
{
    QStringList tableNames, indexNames;
    QString reason;
    if (!readTableNames(&tableNames, &indexNames, &reason))
        return fail(OpenFailed, reason);
    QStringList statements;
    for (const Table &table : tables()) {
        if (!tableNames.contains(table.name))
            statements.append(table.createStatement);
    }
    // The reminder clock looks events up by their time text once a minute.
    if (!indexNames.contains(TimeIndex))
        statements.append(QStringLiteral("create index if not exists eventtable_time on eventtable(时间)"));
    // A complete file is not written to at all, so a read-only one still opens.
    if (statements.isEmpty())
        return true;
    return inTransaction(WriteFailed, [&](QString &reason) {
        QSqlQuery create(database());
        for (const QString &statement : std::as_const(statements)) {
            if (!run(create, statement, reason))
                return false;
        }
        return true;
    });
}

bool EventStore::deleteRows(const QString &table, const QStringList &row, int *deleted)
{
    m_lastError.clear();
    if (deleted)
        *deleted = 0;
    static const QHash<QString, QStringList> columns = {
        {QStringLiteral("eventtable"),
         {QStringLiteral("时间"), QStringLiteral("内容"), QStringLiteral("类型")}},
        {QStringLiteral("historyeventtable"),
         {QStringLiteral("时间"), QStringLiteral("内容"), QStringLiteral("完成情况"),
          QStringLiteral("完成时间"), QStringLiteral("dTag")}},
    };
    const QStringList names = columns.value(table);
    if (names.isEmpty())
        return fail(WriteFailed, QStringLiteral("不能从表 %1 删除").arg(table));
    if (row.size() != names.size())
        return fail(WriteFailed, QStringLiteral("表 %1 有 %2 列，要删除的行有 %3 列")
                                     .arg(table).arg(names.size()).arg(row.size()));
    QStringList conditions;
    for (const QString &name : names)
        conditions.append(name + QStringLiteral(" is ?"));
    const QString statement = QStringLiteral("delete from %1 where %2")
                                  .arg(table, conditions.join(QStringLiteral(" and ")));
    int count = 0;
    const bool done = inTransaction(WriteFailed, [&](QString &reason) {
        QSqlQuery remove(database());
        if (!prepare(remove, statement, reason))
            return false;
        // Bound as they are, not through asText(): a NULL that an earlier version left
        // must find its row, and "is" lets NULL match NULL.
        for (int i = 0; i < row.size(); ++i)
            remove.bindValue(i, row.at(i));
        if (!remove.exec()) {
            reason = reasonOf(remove.lastError());
            return false;
        }
        count = remove.numRowsAffected();
        return true;
    });
    if (done && count > 0 && table == QLatin1String("historyeventtable"))
        ++m_historyDeletions;
    if (done && deleted)
        *deleted = count;
    return done;
}

QString EventStore::changeMark()
{
    if (!isOpen())
        return QString();
    // total_changes() counts the rows this connection has changed; data_version moves
    // when another connection commits. Together they miss no change of rows.
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("select total_changes(), data_version from pragma_data_version"))
        || !query.next()) {
        qCWarning(lcStore).noquote() << "cannot tell whether" << m_fileName << "has changed:"
                                     << reasonOf(query.lastError());
        return QString();
    }
    return query.value(0).toString() + QLatin1Char(':') + query.value(1).toString();
}
