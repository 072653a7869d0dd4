#include "eventstore.h"
#include "execonfile.h"
#include "files.h"
#include "tablerows.h"
#include "workspace.h"

#include <QSqlQuery>
#include <QtTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using Rows = QList<QStringList>;

namespace {

QDateTime at(int y, int m, int d, int h = 10, int min = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min));
}

// Makes a file or folder read-only while it lives. Root writes through permissions, so
// there the immutable flag is set too; active() is false when that cannot be done.
class ReadOnly
{
public:
    explicit ReadOnly(const QString &path) : m_path(path), m_permissions(QFile::permissions(path))
    {
        QFile::setPermissions(path, m_permissions & ~(QFile::WriteOwner | QFile::WriteUser
                                                      | QFile::WriteGroup | QFile::WriteOther));
        m_immutable = geteuid() == 0 && setImmutable(true);
    }
    ~ReadOnly()
    {
        if (m_immutable)
            setImmutable(false);
        QFile::setPermissions(m_path, m_permissions);
    }
    bool active() const { return m_immutable || geteuid() != 0; }

private:
    bool setImmutable(bool on)
    {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK);
        int flags = 0;
        bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        if (fd >= 0)
            ::close(fd);
        return done;
    }

    QString m_path;
    QFile::Permissions m_permissions;
    bool m_immutable = false;
};

} // namespace

class TestEventStore : public QObject
{
    Q_OBJECT

private slots:
    void textComesBackAsTyped_data();
    void textComesBackAsTyped();
    void oldDatabaseIsUpgradedOnce();

    void fileThatCannotBeOpened_data();
    void fileThatCannotBeOpened();
    void readOnly_data();
    void readOnly();
    void failedActionChangesNothing_data();
    void failedActionChangesNothing();

    void todaysEvents_data();
    void todaysEvents();
    void rebuildMovesPassedOnceOnlyEvents();
    void rebuildForgetsCompletionsOfAnotherDay_data();
    void rebuildForgetsCompletionsOfAnotherDay();
    void completeItem_data();
    void completeItem();
};

void TestEventStore::textComesBackAsTyped_data()
{
    QTest::addColumn<QString>("content");
    QTest::newRow("leading zeros") << QStringLiteral("007");
    QTest::newRow("blanks and quotes") << QStringLiteral(" it's \"quoted\"; drop table x ");
    QTest::newRow("null") << QString();
}

void TestEventStore::textComesBackAsTyped()
{
    QFETCH(QString, content);
    Workspace work;
    work.addEvents({{"9:07", content, "t"}});
    const auto store = work.openStore();
    QVERIFY(store->rebuildToday(at(2014, 3, 5)));
    QVERIFY(store->completeItem("9:07", content, at(2014, 3, 5, 10, 15)));
    QCOMPARE(store->rows("eventtable"), Rows({{"9:07", content, "t"}}));
    QCOMPARE(store->rows("historyeventtable"),
             Rows({{"9:07", content, "完成", "2014年3月5日 10:15", "201435"}}));
    QCOMPARE(store->rows("tceventtable"), Rows({{"9:07", content, "2014年3月5日 10:15"}}));
    QCOMPARE(store->rows("todayeventtable"), Rows());
}

void TestEventStore::oldDatabaseIsUpgradedOnce()
{
    // Earlier versions declared "QString" columns; today's list already has TEXT ones and
    // the completions table is missing.
    Workspace work;
    QVERIFY(execOnFile({
        "create table eventtable(时间 QString, 内容 QString, 类型 QString)",
        "create table historyeventtable(时间 QString, 内容 QString, 完成情况 QString, "
        "完成时间 QString, dTag QString)",
        "create table todayeventtable(时间 TEXT, 内容 TEXT)",
        "insert into eventtable values('9:07', '007', 't'), ('9:08', '删掉', 't'), "
        "('2099年3月5日 9:07', '1e3', 'y'), ('5日 8:00', '12.50', 'd')",
        "delete from eventtable where 内容 = '删掉'",
        "insert into historyeventtable values('9:07', '007', '完成', '2014年3月5日 10:15', '201435')",
        "insert into todayeventtable values('9:07', '007')",
    }));
    {
        const auto store = work.openStore();
        QVERIFY2(store->isOpen(), qPrintable(store->lastError()));
        // Every row in its order, reading as the earlier version showed it.
        QCOMPARE(store->rows("eventtable"),
                 Rows({{"9:07", "7", "t"}, {"2099年3月5日 9:07", "1000", "y"},
                       {"5日 8:00", "12.5", "d"}}));
        QCOMPARE(store->rows("historyeventtable"),
                 Rows({{"9:07", "7", "完成", "2014年3月5日 10:15", "201435"}}));
        QCOMPARE(store->rows("todayeventtable"), Rows({{"9:07", "007"}}));
        QVERIFY(store->addEvent({"9:08", "007", "t"}));
    }
    // Opening again changes nothing, and the new row kept its text.
    const QByteArray upgraded = readFile("event.db");
    const auto store = work.openStore();
    QCOMPARE(store->rows("eventtable").last(), QStringList({"9:08", "007", "t"}));
    QCOMPARE(readFile("event.db"), upgraded);
}

void TestEventStore::fileThatCannotBeOpened_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("statements"); // that make the file when there are no bytes
    QTest::addColumn<QString>("reason");
    QTest::newRow("text file") << QByteArray("时间,内容\n9:07,早会\n") << QStringList()
                               << "not a database";
    QTest::newRow("damaged header") << QByteArray("SQLite format 3\0", 16) + QByteArray(84, '\xff')
                                    << QStringList() << "not a database";
    // The history table, a column short, cannot be copied after the two good ones were.
    QTest::newRow("failed upgrade") << QByteArray() << QStringList{
        "create table eventtable(时间 QString, 内容 QString, 类型 QString)",
        "create table todayeventtable(时间 QString, 内容 QString)",
        "create table historyeventtable(时间 QString, 内容 QString, 完成情况 QString, 完成时间 QString)",
        "insert into eventtable values('9:07', '007', 't')"} << "无法升级数据库文件";
}

void TestEventStore::fileThatCannotBeOpened()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, statements);
    QFETCH(QString, reason);
    Workspace work;
    if (statements.isEmpty())
        writeFile("event.db", bytes);
    else
        QVERIFY(execOnFile(statements));
    const QByteArray before = readFile("event.db");
    const auto store = work.openStore();
    QVERIFY(!store->isOpen());
    const QString error = store->lastError();
    QVERIFY2(error.contains(" " + work.filePath("event.db") + "：") && error.contains(reason),
             qPrintable(error));
    QVERIFY(!store->addEvent({"9:07", "早会", "t"}));
    QVERIFY(!store->rebuildToday(at(2014, 3, 5)));
    QVERIFY(!store->completeItem("9:07", "早会", at(2014, 3, 5)));
    QCOMPARE(readFile("event.db"), before);
    QCOMPARE(QDir().entryList(QDir::Files), QStringList({"event.db"}));
}

void TestEventStore::readOnly_data()
{
    QTest::addColumn<bool>("folder");
    QTest::newRow("read-only file") << false;
    // Writing needs a journal next to the file, and a new file cannot be made.
    QTest::newRow("read-only folder") << true;
}

void TestEventStore::readOnly()
{
    QFETCH(bool, folder);
    Workspace work;
    work.addEvents({{"9:07", "早会", "t"}, {"2014年3月4日 8:00", "昨天的", "y"}});
    const QByteArray before = readFile("event.db");
    ReadOnly readOnly(folder ? work.path() : work.filePath("event.db"));
    if (!readOnly.active())
        QSKIP("Root, and the file system has no immutable flag: nothing stops a write here.");

    const auto store = work.openStore();
    QVERIFY2(store->isOpen(), qPrintable(store->lastError())); // a complete file is only read
    QVERIFY(!store->addEvent({"9:08", "新的", "t"}));
    QVERIFY(!store->rebuildToday(at(2014, 3, 5)));
    QVERIFY(!store->completeItem("9:07", "早会", at(2014, 3, 5)));
    QVERIFY2(store->lastError().startsWith("无法写入数据库文件 " + work.filePath("event.db") + "："),
             qPrintable(store->lastError()));
    QCOMPARE(readFile("event.db"), before);
    bool ok = false;
    QCOMPARE(store->dueEvents(at(2014, 3, 5, 9, 7), &ok), QList<Event>({{"9:07", "早会", "t"}}));
    QVERIFY(ok);
    if (folder) {
        EventStore fresh("other.db");
        QVERIFY(!fresh.open());
        QVERIFY2(fresh.lastError().contains(work.filePath("other.db")),
                 qPrintable(fresh.lastError()));
        QVERIFY(!QFile::exists("other.db"));
    }
}

void TestEventStore::failedActionChangesNothing_data()
{
    QTest::addColumn<QString>("action");
    // A table refuses a statement after the action has changed others; none: another
    // program holds the file and does not let go within the busy time-out (a wait per row).
    QTest::addColumn<QString>("refusal");
    QTest::newRow("open, locked") << "open" << "";
    QTest::newRow("rebuild, locked") << "rebuild" << "";
    QTest::newRow("due events, locked") << "due" << "";
    QTest::newRow("rebuild, history refuses") << "rebuild" << "before insert on historyeventtable";
    QTest::newRow("completion, today's list refuses removal")
        << "complete" << "before delete on todayeventtable";
}

void TestEventStore::failedActionChangesNothing()
{
    QFETCH(QString, action);
    QFETCH(QString, refusal);
    Workspace work;
    work.addEvents({{"2014年3月5日 9:07", "开会", "y"}, {"9:07", "早会", "t"},
                    {"2014年3月4日 8:00", "昨天的", "y"}});
    QStringList fixture = {
        "insert into todayeventtable values('旧的', '列表'), ('2014年3月5日 9:07', '开会')",
        "insert into tceventtable values('9:07', '早会', '2014年3月4日 9:10')"};
    if (!refusal.isEmpty())
        fixture << "create trigger refuse " + refusal + " begin select raise(abort, '拒绝写入'); end";
    QVERIFY(execOnFile(fixture));
    const QByteArray before = readFile("event.db");
    EventStore store("event.db");
    if (action != "open")
        QVERIFY(store.open());
    {
        EventStore other("event.db");
        QVERIFY(other.open());
        QSqlQuery lock(other.database());
        if (refusal.isEmpty())
            QVERIFY(lock.exec("begin exclusive"));
        bool ok = true;
        if (action == "open")
            QVERIFY(!store.open());
        else if (action == "rebuild")
            QVERIFY(!store.rebuildToday(at(2014, 3, 5)));
        else if (action == "complete")
            QVERIFY(!store.completeItem("2014年3月5日 9:07", "开会", at(2014, 3, 5), "y"));
        else
            QVERIFY(store.dueEvents(at(2014, 3, 5, 9, 7), &ok).isEmpty() && !ok);
    }
    const QString error = store.lastError();
    QVERIFY2(error.contains(" " + work.filePath("event.db") + "：")
                 && error.contains(refusal.isEmpty() ? "locked" : "拒绝写入"),
             qPrintable(error));
    QCOMPARE(readFile("event.db"), before);
    // Once the obstacle is gone, the same store works.
    QVERIFY(execOnFile({"drop trigger if exists refuse"}));
    QVERIFY(store.open());
    QVERIFY2(store.rebuildToday(at(2014, 3, 5)), qPrintable(store.lastError()));
    QCOMPARE(store.rows("todayeventtable"), Rows({{"2014年3月5日 9:07", "开会"}, {"9:07", "早会"}}));
}

void TestEventStore::todaysEvents_data()
{
    // Contents, in storage order: listed by the day's rebuild, and due at 9:07 that day.
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("due");
    QTest::newRow("Wednesday 5 March 2014") << QDate(2014, 3, 5)
        << QStringList{"每天", "周三", "每月五号", "三月五号", "今天一次", "每天", "两个空格", "尾随空格"}
        << QStringList{"每天", "周三", "每月五号", "三月五号", "今天一次", "未知类型", "每天"};
    QTest::newRow("Sunday 9 March") << QDate(2014, 3, 9) << QStringList{"每天", "周日", "每天", "尾随空格"}
                                    << QStringList{"每天", "周日", "未知类型", "每天"};
    QTest::newRow("31 January") << QDate(2014, 1, 31) << QStringList{"每天", "月末", "每天", "尾随空格"}
                                << QStringList{"每天", "月末", "未知类型", "每天"};
    QTest::newRow("leap day") << QDate(2016, 2, 29) << QStringList{"每天", "闰日", "每天", "尾随空格"}
                              << QStringList{"每天", "闰日", "未知类型", "每天"};
}

void TestEventStore::todaysEvents()
{
    QFETCH(QDate, today);
    QFETCH(QStringList, listed);
    QFETCH(QStringList, due);
    Workspace work;
    work.addEvents({
        {"9:07", "每天", "t"}, {"星期三 9:07", "周三", "w"}, {"5日 9:07", "每月五号", "d"},
        {"3月5日 9:07", "三月五号", "m"}, {"2014年3月5日 9:07", "今天一次", "y"},
        {"2099年3月6日 9:07", "以后一次", "y"}, {"31日 9:07", "月末", "d"}, {"2月29日 9:07", "闰日", "m"},
        {"星期天 9:07", "周日", "w"}, {"星期日 9:07", "周日旧写法", "w"}, {"9:07", "未知类型", "x"},
        {"03月05日 9:07", "带零", "m"}, {"05日 9:07", "带零", "d"}, {"9:07", "每天", "t"},
        {"3月5日  9:07", "两个空格", "m"}, {"1月1日 3月5日 9:07", "第二个匹配", "m"},
        {"15日 9:07", "十五号", "d"}, {"星期二 星期三 9:07", "第二个星期", "w"}, {"9:07 ", "尾随空格", "t"},
    });
    QVERIFY(execOnFile({"insert into todayeventtable values('昨天', '的列表')"}));
    const auto store = work.openStore();
    // Late in the day: the time of day plays no part in the list.
    QVERIFY2(store->rebuildToday(QDateTime(today, QTime(23, 59))), qPrintable(store->lastError()));
    QCOMPARE(contents(store->rows("todayeventtable")), listed);
    bool ok = false;
    QStringList dueNow;
    for (const Event &event : store->dueEvents(QDateTime(today, QTime(9, 7)), &ok))
        dueNow << event.content;
    QVERIFY2(ok, qPrintable(store->lastError()));
    QCOMPARE(dueNow, due);
}

void TestEventStore::rebuildMovesPassedOnceOnlyEvents()
{
    Workspace work;
    work.addEvents({
        {"2014年3月4日 8:00", "昨天", "y"}, {"9:07", "每天", "t"}, {"2014年3月5日 8:00", "今天已过", "y"},
        {"2014年3月6日 8:00", "明天", "y"},
        {"2014年3月4日 8:00", "昨天", "t"}, // same time and content, other kind
        {"2014年3月4日 8:00", "昨天", "y"}, {"2013年12月31日 23:59", "去年", "y"}, {"明天早上", "乱写", "y"},
        {"2014年3月4日 9:00", "昨天的周期事项", "m"},
    });
    const auto store = work.openStore();
    QVERIFY2(store->rebuildToday(at(2014, 3, 5, 0, 1)), qPrintable(store->lastError()));
    // One history row per time and content; a text with no date gets an empty tag.
    const Rows history = {
        {"2014年3月4日 8:00", "昨天", "未完成", "", "201434"},
        {"2013年12月31日 23:59", "去年", "未完成", "", "20131231"},
        {"明天早上", "乱写", "未完成", "", ""},
    };
    QCOMPARE(store->rows("historyeventtable"), history);
    QCOMPARE(store->rows("eventtable"), Rows({{"9:07", "每天", "t"}, {"2014年3月5日 8:00", "今天已过", "y"},
                                             {"2014年3月6日 8:00", "明天", "y"},
                                             {"2014年3月4日 9:00", "昨天的周期事项", "m"}}));
    QCOMPARE(store->rows("todayeventtable"), Rows({{"9:07", "每天"}, {"2014年3月5日 8:00", "今天已过"}}));
    QVERIFY(store->rebuildToday(at(2014, 3, 5, 10, 0)));
    QCOMPARE(store->rows("historyeventtable"), history);
}

void TestEventStore::rebuildForgetsCompletionsOfAnotherDay_data()
{
    // The first completion row tells which day the completions are of.
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("kept");
    QTest::newRow("today") << "2014年3月5日 0:00" << "2014年3月5日 9:10" << true;
    QTest::newRow("yesterday") << "2014年3月4日 23:59" << "2014年3月4日 9:10" << false;
    QTest::newRow("first yesterday") << "2014年3月4日 23:59" << "2014年3月5日 9:10" << false;
    QTest::newRow("a year ago") << "2013年3月5日 9:10" << "2013年3月5日 9:10" << false;
    QTest::newRow("unreadable") << "刚才" << "2014年3月5日 9:10" << false;
}

void TestEventStore::rebuildForgetsCompletionsOfAnotherDay()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, kept);
    Workspace work;
    work.addEvents({{"9:07", "早会", "t"}, {"10:00", "喝水", "t"}, {"9:07", "早会", "t"},
                    {"11:00", "午饭", "t"}});
    const Rows completions = {{"9:07", "早会", first}, {"11:00", "午饭", second}};
    QVERIFY(execOnFile({QString("insert into tceventtable values('9:07', '早会', '%1'), "
                                "('11:00', '午饭', '%2')").arg(first, second)}));
    const auto store = work.openStore();
    QVERIFY2(store->rebuildToday(at(2014, 3, 5, 12, 0)), qPrintable(store->lastError()));
    QCOMPARE(store->rows("tceventtable"), kept ? completions : Rows());
    const Rows all = {{"9:07", "早会"}, {"10:00", "喝水"}, {"9:07", "早会"}, {"11:00", "午饭"}};
    QCOMPARE(store->rows("todayeventtable"), kept ? Rows({all.at(1)}) : all);
}

void TestEventStore::completeItem_data()
{
    // Rows: 开会/y, 开会/t (same text, other kind), 开会/y again, 别的/y.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("remaining"); // of eventtable, in order
    QTest::newRow("once-only from its reminder") << "y" << QStringList{"别的 y"};
    QTest::newRow("from today's list: once-only rows") << "" << QStringList{"开会 t", "别的 y"};
    QTest::newRow("recurring from its reminder")
        << "t" << QStringList{"开会 y", "开会 t", "开会 y", "别的 y"};
}

void TestEventStore::completeItem()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, remaining);
    const QString time = "2014年3月5日 9:07";
    Workspace work;
    work.addEvents({{time, "开会", "y"}, {time, "开会", "t"}, {time, "开会", "y"}, {time, "别的", "y"}});
    const auto store = work.openStore();
    QVERIFY(store->rebuildToday(at(2014, 3, 5, 8, 0)));
    QVERIFY2(store->completeItem(time, "开会", at(2014, 3, 5, 10, 15), kind),
             qPrintable(store->lastError()));
    QStringList left;
    for (const QStringList &row : store->rows("eventtable"))
        left << row.at(1) + ' ' + row.at(2);
    QCOMPARE(left, remaining);
    QCOMPARE(store->rows("historyeventtable"),
             Rows({{time, "开会", "完成", "2014年3月5日 10:15", "201435"}}));
    QCOMPARE(store->rows("tceventtable"), Rows({{time, "开会", "2014年3月5日 10:15"}}));
    QCOMPARE(store->rows("todayeventtable"), Rows({{time, "别的"}}));
    // A finished once-only item is not written again as missed on a later day.
    QVERIFY(store->rebuildToday(at(2014, 3, 6, 0, 1)));
    QCOMPARE(store->rows("historyeventtable").size(), remaining.contains("开会 y") ? 3 : 2);
}

QTEST_GUILESS_MAIN(TestEventStore)
#include "tst_eventstore.moc"
