#include "eventstore.h"
#include "timetext.h"

#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using Rows = QList<QStringList>;

namespace {

// A connection of the test's own, to build fixtures and look at the file behind the
// store's back.
class RawDb
{
public:
    explicit RawDb(const QString &path)
        : m_name(QStringLiteral("raw-%1").arg(++s_count))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.open();
    }
    ~RawDb()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool exec(const QString &sql, const QStringList &values = {})
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        q.prepare(sql);
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        if (!q.exec())
            qWarning() << sql << q.lastError().text();
        return !q.lastError().isValid();
    }
    Rows select(const QString &sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        Rows rows;
        if (!q.exec(sql)) {
            qWarning() << sql << q.lastError().text();
            return rows;
        }
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < q.record().count(); ++i)
                row.append(q.value(i).toString());
            rows.append(row);
        }
        return rows;
    }

private:
    static inline int s_count = 0;
    QString m_name;
};

const QStringList TableNames = {QStringLiteral("eventtable"), QStringLiteral("todayeventtable"),
                                QStringLiteral("historyeventtable"), QStringLiteral("tceventtable")};

// What the earlier versions created.
const QStringList OldCreateStatements = {
    QStringLiteral("create table eventtable(时间 QString, 内容 QString, 类型 QString)"),
    QStringLiteral("create table todayeventtable(时间 QString, 内容 QString)"),
    QStringLiteral("create table historyeventtable(时间 QString, 内容 QString, 完成情况 QString, 完成时间 QString, dTag QString)"),
    QStringLiteral("create table tceventtable(时间 QString, 内容 QString, 完成时间 QString)"),
};

QMap<QString, Rows> snapshot(const QString &path)
{
    RawDb db(path);
    QMap<QString, Rows> tables;
    for (const QString &table : TableNames)
        tables.insert(table, db.select(QStringLiteral("select * from %1 order by rowid").arg(table)));
    return tables;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Makes a file or folder read-only for as long as it lives. Root writes through
// permissions, so there the file system's immutable flag is set as well; active() is
// false when nothing could stop this process from writing.
class ReadOnly
{
public:
    explicit ReadOnly(const QString &path)
        : m_path(path)
        , m_permissions(QFile::permissions(path))
    {
        QFile::setPermissions(path, m_permissions & ~(QFile::WriteOwner | QFile::WriteUser
                                                      | QFile::WriteGroup | QFile::WriteOther));
        if (geteuid() == 0)
            m_immutable = setImmutable(true);
    }
    ~ReadOnly()
    {
        if (m_immutable)
            setImmutable(false);
        QFile::setPermissions(m_path, m_permissions);
    }
    bool active() const
    {
        if (QFileInfo(m_path).isDir()) {
            QFile probe(m_path + QStringLiteral("/probe"));
            const bool created = probe.open(QIODevice::WriteOnly);
            if (created)
                probe.remove();
            return !created;
        }
        QFile probe(m_path);
        return !probe.open(QIODevice::ReadWrite);
    }

private:
    bool setImmutable(bool on)
    {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    QString m_path;
    QFile::Permissions m_permissions;
    bool m_immutable = false;
};

Event ev(const QString &time, const QString &content, const QString &kind)
{
    return Event{time, content, kind};
}

QDateTime at(int y, int m, int d, int h = 10, int min = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min));
}

} // namespace

class TestEventStore : public QObject
{
    Q_OBJECT

private slots:
    void init();

    // The file and its tables
    void newFileGetsFourTextTables();
    void onlyMissingTablesAreCreated();
    void textComesBackAsTyped_data();
    void textComesBackAsTyped();
    void oldDatabaseIsUpgradedOnce();
    void partlyOldDatabaseIsUpgraded();
    void failedUpgradeLeavesFileAsItWas();

    // Files the store must not harm
    void fileThatIsNotADatabase_data();
    void fileThatIsNotADatabase();
    void readOnlyFile_data();
    void readOnlyFile();
    void readOnlyFolder();
    void lockedDatabase_data();
    void lockedDatabase();
    void failedActionChangesNothing_data();
    void failedActionChangesNothing();
    void closedStoreRefusesWork();

    // Today's list
    void rebuildListsTodaysEvents_data();
    void rebuildListsTodaysEvents();
    void rebuildAgreesWithTheRules_data();
    void rebuildAgreesWithTheRules();
    void rebuildMovesPassedOnceOnlyEvents();
    void rebuildForgetsCompletionsOfAnotherDay_data();
    void rebuildForgetsCompletionsOfAnotherDay();
    void completedItemStaysOffUntilTheNextDay();

    // Completing
    void completeItem_data();
    void completeItem();

    // The minute's due events
    void dueEventsEqualsFullScan_data();
    void dueEventsEqualsFullScan();

private:
    QString dbPath() const { return m_dir->filePath(QStringLiteral("event.db")); }
    void fillEvents(EventStore &store, const QList<Event> &events);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestEventStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestEventStore::fillEvents(EventStore &store, const QList<Event> &events)
{
    for (const Event &event : events)
        QVERIFY2(store.addEvent(event), qPrintable(store.lastError()));
}

void TestEventStore::newFileGetsFourTextTables()
{
    EventStore store(QStringLiteral("event.db"));
    QCOMPARE(store.filePath(), dbPath());
    QVERIFY2(store.open(), qPrintable(store.lastError()));
    QVERIFY(store.isOpen());
    QVERIFY(QFile::exists(dbPath()));

    RawDb raw(dbPath());
    const Rows columns = raw.select(QStringLiteral(
        "select m.name, p.name, p.type from sqlite_master m, pragma_table_info(m.name) p "
        "where m.type = 'table' order by m.name, p.cid"));
    const Rows expected = {
        {"eventtable", "时间", "TEXT"}, {"eventtable", "内容", "TEXT"}, {"eventtable", "类型", "TEXT"},
        {"historyeventtable", "时间", "TEXT"}, {"historyeventtable", "内容", "TEXT"},
        {"historyeventtable", "完成情况", "TEXT"}, {"historyeventtable", "完成时间", "TEXT"},
        {"historyeventtable", "dTag", "TEXT"},
        {"tceventtable", "时间", "TEXT"}, {"tceventtable", "内容", "TEXT"}, {"tceventtable", "完成时间", "TEXT"},
        {"todayeventtable", "时间", "TEXT"}, {"todayeventtable", "内容", "TEXT"},
    };
    QCOMPARE(columns, expected);
    QCOMPARE(raw.select(QStringLiteral("select name, tbl_name from sqlite_master where type = 'index'")),
             Rows({{"eventtable_time", "eventtable"}}));
    for (const QString &table : TableNames)
        QCOMPARE(store.rows(table), Rows());
}

void TestEventStore::onlyMissingTablesAreCreated()
{
    {
        RawDb raw(dbPath());
        QVERIFY(raw.exec(QStringLiteral("create table eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT)")));
        QVERIFY(raw.exec(QStringLiteral("insert into eventtable values(?,?,?)"), {"9:07", "早会", "t"}));
        QVERIFY(raw.exec(QStringLiteral("create table tceventtable(时间 TEXT, 内容 TEXT, 完成时间 TEXT)")));
        QVERIFY(raw.exec(QStringLiteral("insert into tceventtable values(?,?,?)"),
                         {"9:07", "早会", "2014年3月5日 9:08"}));
    }
    EventStore store(dbPath());
    QVERIFY2(store.open(), qPrintable(store.lastError()));
    QCOMPARE(store.rows(QStringLiteral("eventtable")), Rows({{"9:07", "早会", "t"}}));
    QCOMPARE(store.rows(QStringLiteral("tceventtable")), Rows({{"9:07", "早会", "2014年3月5日 9:08"}}));
    bool ok = false;
    QCOMPARE(store.rows(QStringLiteral("todayeventtable"), &ok), Rows());
    QVERIFY(ok);
    QCOMPARE(store.rows(QStringLiteral("historyeventtable"), &ok), Rows());
    QVERIFY(ok);
}

void TestEventStore::textComesBackAsTyped_data()
{
    QTest::addColumn<QString>("content");
    QTest::newRow("leading zeros") << QStringLiteral("007");
    QTest::newRow("decimal with trailing zero") << QStringLiteral("12.50");
    QTest::newRow("exponent") << QStringLiteral("1e3");
    QTest::newRow("date tag look-alike") << QStringLiteral("201435");
    QTest::newRow("blanks around") << QStringLiteral("  交报告  ");
    QTest::newRow("line breaks") << QStringLiteral("第一行\n第二行\r\n第三行");
    QTest::newRow("quotes") << QStringLiteral("it's \"quoted\"; drop table eventtable");
    QTest::newRow("empty") << QStringLiteral("");
    QTest::newRow("null") << QString();
}

void TestEventStore::textComesBackAsTyped()
{
    QFETCH(QString, content);
    const QString expected = content.isNull() ? QStringLiteral("") : content;
    {
        EventStore store(dbPath());
        QVERIFY2(store.open(), qPrintable(store.lastError()));
        QVERIFY(store.addEvent(ev(QStringLiteral("9:07"), content, QStringLiteral("t"))));
        QVERIFY(store.rebuildToday(at(2014, 3, 5)));
        QVERIFY(store.completeItem(QStringLiteral("9:07"), content, at(2014, 3, 5, 10, 15)));
    }
    EventStore store(dbPath());
    QVERIFY(store.open());
    QCOMPARE(store.rows(QStringLiteral("eventtable")), Rows({{"9:07", expected, "t"}}));
    QCOMPARE(store.rows(QStringLiteral("historyeventtable")),
             Rows({{"9:07", expected, "完成", "2014年3月5日 10:15", "201435"}}));
    QCOMPARE(store.rows(QStringLiteral("tceventtable")), Rows({{"9:07", expected, "2014年3月5日 10:15"}}));
    // Completed by time and content: the item left today's list.
    QCOMPARE(store.rows(QStringLiteral("todayeventtable")), Rows());
    RawDb raw(dbPath());
    QCOMPARE(raw.select(QStringLiteral("select typeof(内容), typeof(dTag) from historyeventtable")),
             Rows({{"text", "text"}}));
}

void TestEventStore::oldDatabaseIsUpgradedOnce()
{
    // Rows as the earlier version bound them, all as text, into "QString" columns.
    Rows events;
    for (int i = 0; i < 40; ++i)
        events.append({QStringLiteral("%1:%2").arg(i % 24).arg(i % 60, 2, 10, QChar(u'0')),
                       QString::number(i * 7), QStringLiteral("t")});
    events.insert(3, {"9:07", "007", "t"});
    events.insert(10, {"2099年3月5日 9:07", "1e3", "y"});
    events.insert(20, {"5日 8:00", "12.50", "d"});
    events.insert(30, {"星期天 9:00", "买菜", "w"});
    {
        RawDb raw(dbPath());
        for (const QString &create : OldCreateStatements)
            QVERIFY(raw.exec(create));
        for (const QStringList &row : std::as_const(events))
            QVERIFY(raw.exec(QStringLiteral("insert into eventtable values(?,?,?)"), row));
        // A gap in the row ids: order is storage order, not a count.
        QVERIFY(raw.exec(QStringLiteral("delete from eventtable where 内容 = ?"), {"245"}));
        QVERIFY(raw.exec(QStringLiteral("insert into todayeventtable values(?,?)"), {"9:07", "007"}));
        QVERIFY(raw.exec(QStringLiteral("insert into historyeventtable values(?,?,?,?,?)"),
                         {"9:07", "007", "完成", "2014年3月5日 10:15", "201435"}));
        QVERIFY(raw.exec(QStringLiteral("insert into historyeventtable values(?,?,?,?,?)"),
                         {"2014年3月4日 8:00", "0.50", "未完成", "", "201434"}));
        QVERIFY(raw.exec(QStringLiteral("insert into tceventtable values(?,?,?)"),
                         {"9:07", "007", "2014年3月5日 10:15"}));
    }
    const QMap<QString, Rows> before = snapshot(dbPath());
    QCOMPARE(before.value("eventtable").at(3), QStringList({"9:07", "7", "t"}));

    {
        EventStore store(dbPath());
        QVERIFY2(store.open(), qPrintable(store.lastError()));
        // Every row is kept, in order, reading as the earlier version showed it.
        for (const QString &table : TableNames)
            QCOMPARE(store.rows(table), before.value(table));
        QCOMPARE(store.rows("eventtable").at(10), QStringList({"2099年3月5日 9:07", "1000", "y"}));
        QCOMPARE(store.rows("eventtable").at(20), QStringList({"5日 8:00", "12.5", "d"}));
        QCOMPARE(store.rows("historyeventtable").at(0).at(4), QStringLiteral("201435"));
        QCOMPARE(store.rows("historyeventtable").at(1).at(1), QStringLiteral("0.5"));
        QVERIFY(store.addEvent(ev("9:08", "007", "t")));
        QCOMPARE(store.rows("eventtable").last(), QStringList({"9:08", "007", "t"}));
    }

    RawDb raw(dbPath());
    const Rows schema = raw.select(QStringLiteral("select sql from sqlite_master where type = 'table' order by name"));
    // SQLite keeps the statement as given apart from the capitals of its first words.
    QCOMPARE(schema, Rows({{"CREATE TABLE eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT)"},
                           {"CREATE TABLE historyeventtable(时间 TEXT, 内容 TEXT, 完成情况 TEXT, 完成时间 TEXT, dTag TEXT)"},
                           {"CREATE TABLE tceventtable(时间 TEXT, 内容 TEXT, 完成时间 TEXT)"},
                           {"CREATE TABLE todayeventtable(时间 TEXT, 内容 TEXT)"}}));
    QCOMPARE(raw.select(QStringLiteral("select distinct typeof(内容) from eventtable")), Rows({{"text"}}));
    QCOMPARE(raw.select(QStringLiteral("select distinct typeof(dTag) from historyeventtable")), Rows({{"text"}}));

    // Opening again upgrades nothing: the rows written since keep their text.
    const QByteArray upgraded = fileBytes(dbPath());
    EventStore again(dbPath());
    QVERIFY(again.open());
    QCOMPARE(again.rows("eventtable").last(), QStringList({"9:08", "007", "t"}));
    QCOMPARE(fileBytes(dbPath()), upgraded);
}

void TestEventStore::partlyOldDatabaseIsUpgraded()
{
    {
        RawDb raw(dbPath());
        QVERIFY(raw.exec(OldCreateStatements.at(2)));
        QVERIFY(raw.exec(QStringLiteral("insert into historyeventtable values(?,?,?,?,?)"),
                         {"9:07", "12.50", "完成", "2014年3月5日 10:15", "201435"}));
        QVERIFY(raw.exec(QStringLiteral("create table todayeventtable(时间 TEXT, 内容 TEXT)")));
        QVERIFY(raw.exec(QStringLiteral("insert into todayeventtable values(?,?)"), {"9:07", "007"}));
    }
    EventStore store(dbPath());
    QVERIFY2(store.open(), qPrintable(store.lastError()));
    QCOMPARE(store.rows("historyeventtable"), Rows({{"9:07", "12.5", "完成", "2014年3月5日 10:15", "201435"}}));
    QCOMPARE(store.rows("todayeventtable"), Rows({{"9:07", "007"}}));
    QVERIFY(store.addEvent(ev("9:07", "007", "t")));
    QCOMPARE(store.rows("eventtable"), Rows({{"9:07", "007", "t"}}));
}

void TestEventStore::failedUpgradeLeavesFileAsItWas()
{
    // Two good old tables come before one that cannot be copied (a column short): the
    // upgrade of all of them is one transaction.
    {
        RawDb raw(dbPath());
        QVERIFY(raw.exec(OldCreateStatements.at(0)));
        QVERIFY(raw.exec(OldCreateStatements.at(1)));
        QVERIFY(raw.exec(QStringLiteral("create table historyeventtable(时间 QString, 内容 QString, 完成情况 QString, 完成时间 QString)")));
        QVERIFY(raw.exec(QStringLiteral("insert into eventtable values(?,?,?)"), {"9:07", "007", "t"}));
        QVERIFY(raw.exec(QStringLiteral("insert into todayeventtable values(?,?)"), {"9:07", "007"}));
        QVERIFY(raw.exec(QStringLiteral("insert into historyeventtable values(?,?,?,?)"),
                         {"9:07", "007", "完成", "2014年3月5日 10:15"}));
    }
    const QByteArray before = fileBytes(dbPath());
    EventStore store(dbPath());
    QVERIFY(!store.open());
    QVERIFY(!store.isOpen());
    QVERIFY2(store.lastError().contains(dbPath()), qPrintable(store.lastError()));
    QVERIFY2(store.lastError().contains(QStringLiteral("升级")), qPrintable(store.lastError()));
    QVERIFY2(store.lastError().contains(QStringLiteral("historyeventtable")), qPrintable(store.lastError()));
    QCOMPARE(fileBytes(dbPath()), before);
    QVERIFY(!store.addEvent(ev("9:08", "x", "t")));
    QCOMPARE(fileBytes(dbPath()), before);
}

void TestEventStore::fileThatIsNotADatabase_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray random(8192, '\0');
    QRandomGenerator generator(42);
    for (char &c : random)
        c = char(generator.bounded(256));
    QTest::newRow("random bytes") << random;
    QTest::newRow("text file") << QByteArray("时间,内容\n9:07,早会\n");
    QByteArray header("SQLite format 3");
    header.append('\0');
    header.append(QByteArray(84, '\xff'));
    QTest::newRow("damaged header") << header;
}

void TestEventStore::fileThatIsNotADatabase()
{
    QFETCH(QByteArray, bytes);
    {
        QFile file(dbPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    EventStore store(QStringLiteral("event.db"));
    QVERIFY(!store.open());
    QVERIFY(!store.isOpen());
    QVERIFY2(store.lastError().startsWith(QStringLiteral("无法打开数据库文件 ") + dbPath() + QStringLiteral("：")),
             qPrintable(store.lastError()));
    QVERIFY2(store.lastError().contains(QStringLiteral("not a database")), qPrintable(store.lastError()));
    QVERIFY(!store.addEvent(ev("9:07", "早会", "t")));
    QVERIFY(!store.rebuildToday(at(2014, 3, 5)));
    QVERIFY(!store.completeItem("9:07", "早会", at(2014, 3, 5)));
    bool ok = true;
    QVERIFY(store.dueEvents(at(2014, 3, 5, 9, 7), &ok).isEmpty());
    QVERIFY(!ok);
    QCOMPARE(fileBytes(dbPath()), bytes);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({"event.db"}));
}

void TestEventStore::readOnlyFile_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("add") << QStringLiteral("add");
    QTest::newRow("rebuild") << QStringLiteral("rebuild");
    QTest::newRow("complete") << QStringLiteral("complete");
}

void TestEventStore::readOnlyFile()
{
    QFETCH(QString, action);
    {
        EventStore store(dbPath());
        QVERIFY(store.open());
        fillEvents(store, {ev("9:07", "早会", "t"), ev("2014年3月4日 8:00", "昨天的", "y")});
    }
    const QByteArray before = fileBytes(dbPath());
    ReadOnly readOnly(dbPath());
    if (!readOnly.active())
        QSKIP("This process can write to any file here (root without the immutable flag).");

    EventStore store(dbPath());
    QVERIFY2(store.open(), qPrintable(store.lastError())); // a complete file is only read
    QCOMPARE(store.rows("eventtable").size(), 2);
    bool done = true;
    if (action == QLatin1String("add"))
        done = store.addEvent(ev("9:08", "新的", "t"));
    else if (action == QLatin1String("rebuild"))
        done = store.rebuildToday(at(2014, 3, 5));
    else
        done = store.completeItem("9:07", "早会", at(2014, 3, 5));
    QVERIFY(!done);
    QVERIFY2(store.lastError().startsWith(QStringLiteral("无法写入数据库文件 ") + dbPath() + QStringLiteral("：")),
             qPrintable(store.lastError()));
    QVERIFY2(store.lastError().contains(QStringLiteral("readonly")), qPrintable(store.lastError()));
    QCOMPARE(fileBytes(dbPath()), before);
    // Still usable for reading.
    bool ok = false;
    QCOMPARE(store.dueEvents(at(2014, 3, 5, 9, 7), &ok), QList<Event>({ev("9:07", "早会", "t")}));
    QVERIFY(ok);
}

void TestEventStore::readOnlyFolder()
{
    {
        EventStore store(dbPath());
        QVERIFY(store.open());
        fillEvents(store, {ev("9:07", "早会", "t")});
    }
    const QByteArray before = fileBytes(dbPath());
    const QString other = m_dir->filePath(QStringLiteral("other.db"));
    ReadOnly readOnly(m_dir->path());
    if (!readOnly.active())
        QSKIP("This process can write into any folder here (root without the immutable flag).");

    // Writing needs a journal file next to the database, which cannot be made.
    EventStore store(dbPath());
    QVERIFY2(store.open(), qPrintable(store.lastError()));
    QVERIFY(!store.addEvent(ev("9:08", "新的", "t")));
    QVERIFY2(store.lastError().startsWith(QStringLiteral("无法写入数据库文件 ") + dbPath()),
             qPrintable(store.lastError()));
    QVERIFY(!store.rebuildToday(at(2014, 3, 5)));
    QCOMPARE(fileBytes(dbPath()), before);
    QCOMPARE(store.rows("eventtable"), Rows({{"9:07", "早会", "t"}}));

    // A new file cannot be made there at all.
    EventStore fresh(other);
    QVERIFY(!fresh.open());
    QVERIFY2(fresh.lastError().contains(other), qPrintable(fresh.lastError()));
    QVERIFY(!QFile::exists(other));
}

void TestEventStore::lockedDatabase_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("open") << QStringLiteral("open");
    QTest::newRow("add") << QStringLiteral("add");
    QTest::newRow("rebuild") << QStringLiteral("rebuild");
    QTest::newRow("complete") << QStringLiteral("complete");
    QTest::newRow("due events") << QStringLiteral("due");
}

void TestEventStore::lockedDatabase()
{
    QFETCH(QString, action);
    {
        EventStore store(dbPath());
        QVERIFY(store.open());
        fillEvents(store, {ev("9:07", "早会", "t"), ev("2014年3月4日 8:00", "昨天的", "y")});
    }
    const QMap<QString, Rows> before = snapshot(dbPath());
    EventStore store(dbPath());
    if (action != QLatin1String("open"))
        QVERIFY(store.open());

    bool done = true;
    {
        // Another program holds the file for writing and does not let go in time.
        RawDb other(dbPath());
        QVERIFY(other.exec(QStringLiteral("begin exclusive")));
        bool ok = true;
        if (action == QLatin1String("open"))
            done = store.open();
        else if (action == QLatin1String("add"))
            done = store.addEvent(ev("9:08", "新的", "t"));
        else if (action == QLatin1String("rebuild"))
            done = store.rebuildToday(at(2014, 3, 5));
        else if (action == QLatin1String("complete"))
            done = store.completeItem("9:07", "早会", at(2014, 3, 5));
        else
            done = !store.dueEvents(at(2014, 3, 5, 9, 7), &ok).isEmpty() || ok;
        QVERIFY(other.exec(QStringLiteral("rollback")));
    }
    QVERIFY(!done);
    QVERIFY2(store.lastError().contains(dbPath()), qPrintable(store.lastError()));
    QVERIFY2(store.lastError().contains(QStringLiteral("locked")), qPrintable(store.lastError()));
    QCOMPARE(snapshot(dbPath()), before);

    // Once the other program is done, the same store works.
    QVERIFY2(store.open(), qPrintable(store.lastError()));
    QVERIFY2(store.rebuildToday(at(2014, 3, 5)), qPrintable(store.lastError()));
    QCOMPARE(store.rows("todayeventtable"), Rows({{"9:07", "早会"}}));
}

void TestEventStore::failedActionChangesNothing_data()
{
    QTest::addColumn<QString>("refusingTable");
    QTest::addColumn<QString>("refusedStatement");
    QTest::addColumn<QString>("action");
    QTest::newRow("rebuild, history refuses") << "historyeventtable" << "insert" << "rebuild";
    QTest::newRow("rebuild, today's list refuses removal") << "todayeventtable" << "delete" << "rebuild";
    QTest::newRow("completion, completions refuse") << "tceventtable" << "insert" << "complete";
    QTest::newRow("completion, today's list refuses removal") << "todayeventtable" << "delete" << "complete";
}

void TestEventStore::failedActionChangesNothing()
{
    QFETCH(QString, refusingTable);
    QFETCH(QString, refusedStatement);
    QFETCH(QString, action);
    EventStore store(dbPath());
    QVERIFY(store.open());
    fillEvents(store, {ev("2014年3月5日 9:07", "开会", "y"), ev("9:07", "早会", "t"),
                       ev("2014年3月4日 8:00", "昨天的", "y")});
    {
        RawDb raw(dbPath());
        QVERIFY(raw.exec(QStringLiteral("insert into todayeventtable values(?,?)"), {"旧的", "列表"}));
        QVERIFY(raw.exec(QStringLiteral("insert into todayeventtable values(?,?)"),
                         {"2014年3月5日 9:07", "开会"}));
        QVERIFY(raw.exec(QStringLiteral("insert into tceventtable values(?,?,?)"),
                         {"9:07", "早会", "2014年3月4日 9:10"}));
        QVERIFY(raw.exec(QStringLiteral("create trigger refuse before %1 on %2 begin select raise(abort, '拒绝写入'); end")
                             .arg(refusedStatement, refusingTable)));
    }
    const QMap<QString, Rows> before = snapshot(dbPath());
    const bool done = action == QLatin1String("rebuild")
        ? store.rebuildToday(at(2014, 3, 5))
        : store.completeItem("2014年3月5日 9:07", "开会", at(2014, 3, 5), TimeText::OnceKind);
    QVERIFY(!done);
    QCOMPARE(store.lastError(), QStringLiteral("无法写入数据库文件 %1：拒绝写入").arg(dbPath()));
    QCOMPARE(snapshot(dbPath()), before);
}

void TestEventStore::closedStoreRefusesWork()
{
    EventStore store(dbPath());
    QVERIFY(!store.addEvent(ev("9:07", "早会", "t")));
    QVERIFY2(store.lastError().contains(dbPath()), qPrintable(store.lastError()));
    QVERIFY(!store.rebuildToday(at(2014, 3, 5)));
    bool ok = true;
    store.rows("eventtable", &ok);
    QVERIFY(!ok);
    QVERIFY(!QFile::exists(dbPath()));

    QVERIFY(store.open());
    store.rows("no such table", &ok);
    QVERIFY(!ok);
}

void TestEventStore::rebuildListsTodaysEvents_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<Rows>("listed");

    const QStringList daily = {"9:07", "每天"};
    QTest::newRow("Wednesday 5 March 2014") << QDate(2014, 3, 5)
        << Rows{daily, {"星期三 8:00", "周三"}, {"5日 7:00", "每月五号"}, {"3月5日 6:00", "三月五号"},
                {"2014年3月5日 0:01", "今天一次"}, daily, {"3月5日  6:30", "两个空格"}};
    QTest::newRow("Sunday 9 March 2014") << QDate(2014, 3, 9)
        << Rows{daily, {"星期天 9:00", "周日"}, daily};
    QTest::newRow("31 January") << QDate(2014, 1, 31) << Rows{daily, {"31日 9:00", "月末"}, daily};
    QTest::newRow("30 April: no 31st") << QDate(2014, 4, 30) << Rows{daily, {"星期三 8:00", "周三"}, daily};
    QTest::newRow("leap day") << QDate(2016, 2, 29) << Rows{daily, {"2月29日 9:00", "闰日"}, daily};
    QTest::newRow("28 February, common year") << QDate(2015, 2, 28) << Rows{daily, daily};
}

void TestEventStore::rebuildListsTodaysEvents()
{
    QFETCH(QDate, today);
    QFETCH(Rows, listed);
    EventStore store(dbPath());
    QVERIFY(store.open());
    fillEvents(store, {
        ev("9:07", "每天", "t"), ev("星期三 8:00", "周三", "w"), ev("5日 7:00", "每月五号", "d"),
        ev("3月5日 6:00", "三月五号", "m"), ev("2014年3月5日 0:01", "今天一次", "y"),
        ev("2099年3月6日 9:00", "以后一次", "y"), ev("31日 9:00", "月末", "d"),
        ev("2月29日 9:00", "闰日", "m"), ev("星期天 9:00", "周日", "w"),
        ev("星期日 9:00", "周日旧写法", "w"), ev("9:07", "未知类型", "x"),
        ev("03月05日 6:00", "带零", "m"), ev("05日 7:00", "带零", "d"), ev("9:07", "每天", "t"),
        ev("3月5日  6:30", "两个空格", "m"), ev("1月1日 3月5日 6:00", "第二个匹配", "m"),
        ev("15日 9:07", "十五号", "d"), ev("星期二 星期三 8:00", "第二个星期", "w"),
    });
    {
        RawDb raw(dbPath());
        QVERIFY(raw.exec(QStringLiteral("insert into todayeventtable values(?,?)"), {"昨天", "的列表"}));
    }
    // Later in the day than most of the events: the time of day plays no part.
    QVERIFY2(store.rebuildToday(QDateTime(today, QTime(23, 59))), qPrintable(store.lastError()));
    // Passed once-only events leave; everything else stays where it was.
    Rows remaining = store.rows("eventtable");
    if (today > QDate(2014, 3, 5))
        QCOMPARE(remaining.size(), 17);
    else
        QCOMPARE(remaining.size(), 18);
    QCOMPARE(store.rows("todayeventtable"), listed);
}

void TestEventStore::rebuildAgreesWithTheRules_data()
{
    QTest::addColumn<QDate>("today");
    QTest::newRow("Wednesday 5 March") << QDate(2014, 3, 5);
    QTest::newRow("Sunday 9 March") << QDate(2014, 3, 9);
    QTest::newRow("31 January") << QDate(2014, 1, 31);
    QTest::newRow("leap day") << QDate(2016, 2, 29);
    QTest::newRow("1 December") << QDate(2014, 12, 1);
}

void TestEventStore::rebuildAgreesWithTheRules()
{
    // Recurring events of days around today, in their own and in near-miss forms and under
    // any kind: the list holds exactly the rows the rules call today's, in storage order.
    QFETCH(QDate, today);
    const QStringList kinds = {"m", "d", "w", "t", "x", "", "M"};
    const QStringList decorations = {"%1", "0%1", "每%1", "%1%1", "１%1", "%1 "};
    QRandomGenerator random(today.toJulianDay());
    QList<Event> events;
    for (int i = 0; i < 2000; ++i) {
        const QDate date = today.addDays(random.bounded(-8, 9));
        const QTime time(random.bounded(24), random.bounded(60));
        QString text;
        switch (random.bounded(3)) {
        case 0: text = TimeText::composeYearly(date.month(), date.day(), time); break;
        case 1: text = TimeText::composeMonthly(date.day(), time); break;
        default: text = TimeText::composeWeekly(TimeText::weekdayName(date.dayOfWeek()), time); break;
        }
        if (random.bounded(4) == 0)
            text = decorations.at(random.bounded(decorations.size())).arg(text);
        events.append(ev(text, QString::number(i), kinds.at(random.bounded(kinds.size()))));
    }
    EventStore store(dbPath());
    QVERIFY(store.open());
    {
        RawDb raw(dbPath());
        QVERIFY(raw.exec(QStringLiteral("begin")));
        for (const Event &event : std::as_const(events))
            QVERIFY(raw.exec(QStringLiteral("insert into eventtable values(?,?,?)"),
                             {event.time, event.content, event.kind}));
        QVERIFY(raw.exec(QStringLiteral("commit")));
    }
    QVERIFY2(store.rebuildToday(QDateTime(today, QTime(12, 0))), qPrintable(store.lastError()));
    Rows expected;
    for (const Event &event : std::as_const(events)) {
        if (TimeText::matchDay(event.kind, event.time, today) == TimeText::DayMatch::Today)
            expected.append({event.time, event.content});
    }
    QVERIFY(expected.size() > 100);
    QCOMPARE(store.rows("todayeventtable"), expected);
    QCOMPARE(store.rows("eventtable").size(), events.size());
}

void TestEventStore::rebuildMovesPassedOnceOnlyEvents()
{
    EventStore store(dbPath());
    QVERIFY(store.open());
    fillEvents(store, {
        ev("2014年3月4日 8:00", "昨天", "y"),
        ev("9:07", "每天", "t"),
        ev("2014年3月5日 8:00", "今天已过", "y"),
        ev("2014年3月6日 8:00", "明天", "y"),
        ev("2014年3月4日 8:00", "昨天", "t"),     // same time and content, other kind
        ev("2014年3月4日 8:00", "昨天", "y"),     // a duplicate
        ev("2014年03月01日 08:00", "带零", "y"),
        ev("2013年12月31日 23:59", "去年", "y"),
        ev("明天早上", "乱写", "y"),
        ev("2015年2月29日 9:00", "没有这天", "y"),
        ev("2014年3月4日 9:00", "昨天的周期事项", "m"),
    });
    QVERIFY2(store.rebuildToday(at(2014, 3, 5, 0, 1)), qPrintable(store.lastError()));

    // One history row per time and content, in storage order; a text with no date gets
    // an empty tag.
    QCOMPARE(store.rows("historyeventtable"), Rows({
        {"2014年3月4日 8:00", "昨天", "未完成", "", "201434"},
        {"2014年03月01日 08:00", "带零", "未完成", "", "201431"},
        {"2013年12月31日 23:59", "去年", "未完成", "", "20131231"},
        {"明天早上", "乱写", "未完成", "", ""},
        {"2015年2月29日 9:00", "没有这天", "未完成", "", ""},
    }));
    QCOMPARE(store.rows("eventtable"), Rows({
        {"9:07", "每天", "t"},
        {"2014年3月5日 8:00", "今天已过", "y"},
        {"2014年3月6日 8:00", "明天", "y"},
        {"2014年3月4日 9:00", "昨天的周期事项", "m"},
    }));
    QCOMPARE(store.rows("todayeventtable"), Rows({{"9:07", "每天"}, {"2014年3月5日 8:00", "今天已过"}}));
    RawDb raw(dbPath());
    QCOMPARE(raw.select(QStringLiteral("select count(*) from historyeventtable where 完成时间 = '' and typeof(完成时间) = 'text'")),
             Rows({{"5"}}));

    // The next rebuild of the day finds nothing more to move.
    QVERIFY(store.rebuildToday(at(2014, 3, 5, 10, 0)));
    QCOMPARE(store.rows("historyeventtable").size(), 5);
}

void TestEventStore::rebuildForgetsCompletionsOfAnotherDay_data()
{
    QTest::addColumn<QStringList>("completionTimes");
    QTest::addColumn<bool>("kept");
    QTest::newRow("completed today") << QStringList{"2014年3月5日 0:00", "2014年3月5日 9:10"} << true;
    QTest::newRow("completed yesterday") << QStringList{"2014年3月4日 23:59", "2014年3月4日 9:10"} << false;
    QTest::newRow("only the first row decides: yesterday")
        << QStringList{"2014年3月4日 23:59", "2014年3月5日 9:10"} << false;
    QTest::newRow("only the first row decides: today")
        << QStringList{"2014年3月5日 9:10", "2014年3月4日 23:59"} << true;
    QTest::newRow("same day a year ago") << QStringList{"2013年3月5日 9:10", "2013年3月5日 9:10"} << false;
    QTest::newRow("unreadable completion time") << QStringList{"刚才", "2014年3月5日 9:10"} << false;
}

void TestEventStore::rebuildForgetsCompletionsOfAnotherDay()
{
    QFETCH(QStringList, completionTimes);
    QFETCH(bool, kept);
    EventStore store(dbPath());
    QVERIFY(store.open());
    fillEvents(store, {ev("9:07", "早会", "t"), ev("10:00", "喝水", "t"), ev("9:07", "早会", "t"),
                       ev("11:00", "午饭", "t")});
    const Rows completions = {{"9:07", "早会", completionTimes.at(0)},
                              {"11:00", "午饭", completionTimes.at(1)}};
    {
        RawDb raw(dbPath());
        for (const QStringList &row : completions)
            QVERIFY(raw.exec(QStringLiteral("insert into tceventtable values(?,?,?)"), row));
    }
    QVERIFY2(store.rebuildToday(at(2014, 3, 5, 12, 0)), qPrintable(store.lastError()));
    if (kept) {
        QCOMPARE(store.rows("tceventtable"), completions);
        QCOMPARE(store.rows("todayeventtable"), Rows({{"10:00", "喝水"}}));
    } else {
        QCOMPARE(store.rows("tceventtable"), Rows());
        QCOMPARE(store.rows("todayeventtable"),
                 Rows({{"9:07", "早会"}, {"10:00", "喝水"}, {"9:07", "早会"}, {"11:00", "午饭"}}));
    }
}

void TestEventStore::completedItemStaysOffUntilTheNextDay()
{
    EventStore store(dbPath());
    QVERIFY(store.open());
    fillEvents(store, {ev("9:07", "早会", "t"), ev("星期三 8:00", "周会", "w"), ev("9:07", "早会", "t")});
    QVERIFY(store.rebuildToday(at(2014, 3, 5, 0, 1)));
    QCOMPARE(store.rows("todayeventtable"), Rows({{"9:07", "早会"}, {"星期三 8:00", "周会"}, {"9:07", "早会"}}));

    QVERIFY(store.completeItem("9:07", "早会", at(2014, 3, 5, 10, 15)));
    QCOMPARE(store.rows("todayeventtable"), Rows({{"星期三 8:00", "周会"}}));
    QVERIFY(store.rebuildToday(at(2014, 3, 5, 23, 59)));
    QCOMPARE(store.rows("todayeventtable"), Rows({{"星期三 8:00", "周会"}}));

    // The next day: the daily item is back, the weekly one is not, nothing went to history
    // for the weekly item left undone.
    QVERIFY(store.rebuildToday(at(2014, 3, 6, 0, 1)));
    QCOMPARE(store.rows("tceventtable"), Rows());
    QCOMPARE(store.rows("todayeventtable"), Rows({{"9:07", "早会"}, {"9:07", "早会"}}));
    QCOMPARE(store.rows("historyeventtable"), Rows({{"9:07", "早会", "完成", "2014年3月5日 10:15", "201435"}}));
    QCOMPARE(store.rows("eventtable").size(), 3);
}

void TestEventStore::completeItem_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("remainingContents"); // of eventtable, in order

    const QString time = QStringLiteral("2014年3月5日 9:07");
    // Rows: 开会/y, 开会/t (same text, other kind), 开会/y again, 别的/y.
    QTest::newRow("once-only from its reminder") << "y" << QStringList{"别的 y"};
    QTest::newRow("from today's list: only once-only rows") << "" << QStringList{"开会 t", "别的 y"};
    QTest::newRow("daily from its reminder") << "t" << QStringList{"开会 y", "开会 t", "开会 y", "别的 y"};
    QTest::newRow("yearly from its reminder") << "m" << QStringList{"开会 y", "开会 t", "开会 y", "别的 y"};
    QTest::newRow("unknown kind from its reminder") << "x" << QStringList{"开会 y", "开会 t", "开会 y", "别的 y"};
}

void TestEventStore::completeItem()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, remainingContents);
    const QString time = QStringLiteral("2014年3月5日 9:07");
    EventStore store(dbPath());
    QVERIFY(store.open());
    fillEvents(store, {ev(time, "开会", "y"), ev(time, "开会", "t"), ev(time, "开会", "y"), ev(time, "别的", "y")});
    QVERIFY(store.rebuildToday(at(2014, 3, 5, 8, 0)));
    QCOMPARE(store.rows("todayeventtable").size(), 4);

    QVERIFY2(store.completeItem(time, "开会", at(2014, 3, 5, 10, 15), kind), qPrintable(store.lastError()));
    QStringList remaining;
    for (const QStringList &row : store.rows("eventtable")) {
        QCOMPARE(row.at(0), time);
        remaining.append(row.at(1) + u' ' + row.at(2));
    }
    QCOMPARE(remaining, remainingContents);
    QCOMPARE(store.rows("historyeventtable"), Rows({{time, "开会", "完成", "2014年3月5日 10:15", "201435"}}));
    QCOMPARE(store.rows("tceventtable"), Rows({{time, "开会", "2014年3月5日 10:15"}}));
    QCOMPARE(store.rows("todayeventtable"), Rows({{time, "别的"}}));

    // A finished once-only item is not written again as missed on a later day.
    QVERIFY(store.rebuildToday(at(2014, 3, 6, 0, 1)));
    const int missed = kind == QLatin1String("y") || kind.isEmpty() ? 1 : 2;
    QCOMPARE(store.rows("historyeventtable").size(), 1 + missed);
}

void TestEventStore::dueEventsEqualsFullScan_data()
{
    QTest::addColumn<QDateTime>("minute");
    QTest::addColumn<int>("count");
    QTest::newRow("Wednesday 9:07") << at(2014, 3, 5, 9, 7) << 8;
    QTest::newRow("seconds into the minute") << QDateTime(QDate(2014, 3, 5), QTime(9, 7, 59)) << 8;
    QTest::newRow("Sunday 0:00") << at(2014, 3, 9, 0, 0) << 4;
    QTest::newRow("31 January 23:59") << at(2014, 1, 31, 23, 59) << 3;
    QTest::newRow("nothing due") << at(2014, 3, 5, 9, 8) << 0;
}

void TestEventStore::dueEventsEqualsFullScan()
{
    QFETCH(QDateTime, minute);
    QFETCH(int, count);
    EventStore store(dbPath());
    QVERIFY(store.open());
    fillEvents(store, {
        ev("9:07", "每天", "t"), ev("2014年3月5日 9:07", "一次", "y"), ev("3月5日 9:07", "每年", "m"),
        ev("5日 9:07", "每月", "d"), ev("星期三 9:07", "每周", "w"), ev("09:07", "带零", "t"),
        ev("3月5日  9:07", "两个空格", "m"), ev("3月5日 9:07", "写错类型", "t"),
        ev("9:07", "未知类型", "x"), ev("星期日 0:00", "旧写法", "w"), ev("星期天 0:00", "周日", "w"),
        ev("0:00", "午夜", "t"), ev("9:07", "每天", "t"), ev("31日 23:59", "月末", "d"),
        ev("23:59", "睡觉", "t"), ev("2014年1月31日 23:59", "一月底", "y"), ev("9:07 ", "尾随空格", "t"),
        ev("2014年3月9日 0:00", "周日一次", "y"), ev("3月9日 0:00", "三月九号", "m"), ev("9:7", "少个零", "t"),
    });
    const QStringList texts = TimeText::minuteMatchTexts(minute);
    QList<Event> scanned;
    for (const QStringList &row : store.rows("eventtable")) {
        if (texts.contains(row.at(0)))
            scanned.append(ev(row.at(0), row.at(1), row.at(2)));
    }
    bool ok = false;
    const QList<Event> due = store.dueEvents(minute, &ok);
    QVERIFY2(ok, qPrintable(store.lastError()));
    QCOMPARE(due, scanned);
    QCOMPARE(due.size(), count);
}

QTEST_GUILESS_MAIN(TestEventStore)
#include "tst_eventstore.moc"
