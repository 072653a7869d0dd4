// Rebuilding today's list, starting up and finding the minute's due events on event
// tables of 10k to 1M rows. Today is Wednesday 5 March 2014; about 1 % of the events
// fall on it and 0.5 % are once-only events of earlier days. The others are of all kinds,
// half of them once-only; the "once-only" tables hold nothing else, the worst case for a
// rebuild, which must read every once-only event.
//
//   bench_rebuild -median 5

#include "bulkwrite.h"
#include "eventstore.h"
#include "reminderservice.h"
#include "sqlitedatabase.h"
#include "timetext.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <unistd.h>

namespace {

const QDateTime Now(QDate(2014, 3, 5), QTime(10, 0));
const QDateTime DueMinute(QDate(2014, 3, 5), QTime(9, 7));

QTime randomTime(QRandomGenerator &random)
{
    return QTime(random.bounded(24), random.bounded(60));
}

// One event that is not today's, of a kind chosen at random.
Event otherDay(QRandomGenerator &random, int i, bool onceOnly)
{
    const QString content = QStringLiteral("事项 %1").arg(i);
    const QTime time = randomTime(random);
    const int pick = onceOnly ? 0 : random.bounded(100);
    if (pick < 50) {
        const QDate date = Now.date().addDays(1 + random.bounded(700));
        return {TimeText::composeOnce(QDateTime(date, time)), content, Kind::Once};
    }
    if (pick < 65) {
        QDate date = QDate(2014, 1, 1).addDays(random.bounded(365));
        if (date == Now.date())
            date = date.addDays(1);
        return {TimeText::composeYearly(date.month(), date.day(), time), content, Kind::Yearly};
    }
    if (pick < 80) {
        const int day = 6 + random.bounded(26); // 6 … 31
        return {TimeText::composeMonthly(day, time), content, Kind::Monthly};
    }
    const int weekday = 4 + random.bounded(4); // Thursday … Sunday
    return {TimeText::composeWeekly(TimeText::weekdayName(weekday), time), content, Kind::Weekly};
}

Event today(QRandomGenerator &random, int i, bool onceOnly)
{
    const QString content = QStringLiteral("今天 %1").arg(i);
    const QTime time = randomTime(random);
    const QDate date = Now.date();
    switch (onceOnly ? 1 : i % 5) {
    case 0:
        return {TimeText::composeDaily(time), content, Kind::Daily};
    case 1:
        return {TimeText::composeOnce(QDateTime(date, time)), content, Kind::Once};
    case 2:
        return {TimeText::composeYearly(date.month(), date.day(), time), content, Kind::Yearly};
    case 3:
        return {TimeText::composeMonthly(date.day(), time), content, Kind::Monthly};
    default:
        return {TimeText::composeWeekly(TimeText::weekdayName(date.dayOfWeek()), time), content,
                Kind::Weekly};
    }
}

Event passed(QRandomGenerator &random, int i)
{
    const QDate date = Now.date().addDays(-1 - random.bounded(30));
    return {TimeText::composeOnce(QDateTime(date, randomTime(random))),
            QStringLiteral("过期 %1").arg(i), Kind::Once};
}

// Writes `count` events and a few completions of yesterday.
// `old`: in tables as earlier versions created them, for the one-time upgrade.
bool fill(const QString &path, int count, bool onceOnly, bool old = false)
{
    return writeInOneTransaction(path, !old, [&](SqliteDatabase &db) {
        const bool made =
            !old ||
            db.exec("create table eventtable(时间 QString, 内容 QString, 类型 QString);"
                    "create table todayeventtable(时间 QString, 内容 QString);"
                    "create table historyeventtable(时间 QString, 内容 QString, 完成情况 QString, "
                    "完成时间 QString, dTag QString);"
                    "create table tceventtable(时间 QString, 内容 QString, 完成时间 QString);");
        QRandomGenerator random(count);
        SqliteStatement insert(db, Schema::info(Schema::Table::Events).insert);
        bool ok = made;
        for (int i = 0; ok && i < count; ++i) {
            const int slot = i % 200;
            const Event event = slot < 2    ? today(random, i, onceOnly)
                                : slot == 2 ? passed(random, i)
                                            : otherDay(random, i, onceOnly);
            ok = insertRow(insert, eventRow(event));
        }
        SqliteStatement completion(db, Schema::info(Schema::Table::Completions).insert);
        for (int i = 0; ok && i < 20; ++i) {
            ok = insertRow(completion, {QStringLiteral("9:07"), QStringLiteral("完成 %1").arg(i),
                                        QStringLiteral("2014年3月4日 9:%1").arg(10 + i)});
        }
        return ok;
    });
}

// Writes a copied or filled file out to the disk; otherwise the first commit would pay for it.
bool flushToDisk(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && ::fsync(file.handle()) == 0;
}

// An open store on `path`; none when there is no such file or it cannot be opened.
std::unique_ptr<EventStore> openStore(const QString &path)
{
    if (path.isEmpty())
        return nullptr;
    auto store = std::make_unique<EventStore>(path);
    if (!store->open())
        return nullptr;
    return store;
}

} // namespace

class BenchRebuild : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void firstRebuildOfTheDay_data();
    void firstRebuildOfTheDay();
    void rebuildAgain_data();
    void rebuildAgain();
    void startUp_data();
    void startUp();
    void upgrade();
    void dueEvents_data();
    void dueEvents();
    void quietWake();

private:
    void sizes();
    // The event file of `count` events, made on first use; only read from.
    QString templatePath(int count, bool onceOnly = false);
    // A fresh copy of it to change, removed after the test function.
    QString freshCopy(int count, bool onceOnly = false);

    QTemporaryDir m_dir;
    QHash<QPair<int, bool>, QString> m_templates;
    QStringList m_copies;
};

void BenchRebuild::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void BenchRebuild::sizes()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("onceOnly");
    QTest::newRow("10k") << 10000 << false;
    QTest::newRow("100k") << 100000 << false;
    QTest::newRow("100k once-only") << 100000 << true;
}

void BenchRebuild::cleanup()
{
    for (const QString &copy : std::as_const(m_copies))
        QFile::remove(copy);
    m_copies.clear();
}

QString BenchRebuild::templatePath(int count, bool onceOnly)
{
    const QPair<int, bool> key(count, onceOnly);
    if (!m_templates.contains(key)) {
        const QString path =
            m_dir.filePath(QStringLiteral("template-%1-%2.db").arg(count).arg(onceOnly));
        if (!fill(path, count, onceOnly))
            return QString();
        m_templates.insert(key, path);
    }
    return m_templates.value(key);
}

QString BenchRebuild::freshCopy(int count, bool onceOnly)
{
    const QString source = templatePath(count, onceOnly);
    const QString copy = m_dir.filePath(QStringLiteral("copy-%1.db").arg(m_copies.size()));
    if (source.isEmpty() || !QFile::copy(source, copy))
        return QString();
    m_copies.append(copy);
    return flushToDisk(copy) ? copy : QString();
}

void BenchRebuild::firstRebuildOfTheDay_data()
{
    sizes();
}

void BenchRebuild::firstRebuildOfTheDay()
{
    // Yesterday's completions to forget and passed once-only events to move.
    QFETCH(int, count);
    QFETCH(bool, onceOnly);
    const auto store = openStore(freshCopy(count, onceOnly));
    QVERIFY(store);
    QBENCHMARK_ONCE
    {
        QVERIFY(store->rebuildToday(Now.date()));
    }
    QCOMPARE(store->todayList(Now.date())->size(), count / 100);
}

void BenchRebuild::rebuildAgain_data()
{
    sizes();
}

void BenchRebuild::rebuildAgain()
{
    // Every later rebuild of the day: after each change and each completion.
    QFETCH(int, count);
    QFETCH(bool, onceOnly);
    const auto store = openStore(freshCopy(count, onceOnly));
    QVERIFY(store);
    QVERIFY(store->rebuildToday(Now.date()));
    QBENCHMARK
    {
        store->rebuildToday(Now.date());
    }
}

void BenchRebuild::startUp_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("100k") << 100000;
}

void BenchRebuild::startUp()
{
    // Opening the file and the first rebuild, as the program does before showing anything.
    QFETCH(int, count);
    const QString path = freshCopy(count);
    QVERIFY(!path.isEmpty());
    QBENCHMARK_ONCE
    {
        EventStore store(path);
        QVERIFY(store.open());
        QVERIFY(store.rebuildToday(Now.date()));
    }
}

void BenchRebuild::upgrade()
{
    // Once, on the first start after an earlier version: 100k events and the tables
    // rebuilt with TEXT columns, then the index made.
    const QString path = m_dir.filePath(QStringLiteral("old-%1.db").arg(m_copies.size()));
    QVERIFY(fill(path, 100000, false, true));
    m_copies.append(path);
    QVERIFY(flushToDisk(path));
    QBENCHMARK_ONCE
    {
        EventStore store(path);
        QVERIFY(store.open());
    }
}

void BenchRebuild::dueEvents_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("100k") << 100000;
    QTest::newRow("1M") << 1000000;
}

void BenchRebuild::dueEvents()
{
    QFETCH(int, count);
    const auto store = openStore(templatePath(count));
    QVERIFY(store);
    QBENCHMARK
    {
        store->dueEvents(DueMinute);
    }
}

void BenchRebuild::quietWake()
{
    // What the sleeping program does at each wake when nothing falls due: 1k events of
    // later years, the service ticked at each moment it asks to be woken.
    const QString path = m_dir.filePath(QStringLiteral("quiet.db"));
    QByteArray sql = "create table eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT); begin;";
    for (int i = 0; i < 1000; ++i)
        sql += QStringLiteral("insert into eventtable values('2099年%1月%2日 %3:%4', '事项', 'y');")
                   .arg(1 + i % 12)
                   .arg(1 + i % 28)
                   .arg(i % 24)
                   .arg(10 + i % 50)
                   .toUtf8();
    SqliteDatabase db;
    QVERIFY(db.open(path, SqliteDatabase::Mode::ReadWrite, 1000) && db.exec(sql + "commit;"));
    m_copies.append(path);
    EventStore store(path);
    ReminderService service(store);
    ReminderService::Tick tick = service.tick(Now);
    QBENCHMARK
    {
        tick = service.tick(tick.wakeAt.addMSecs(5));
    }
}

QTEST_GUILESS_MAIN(BenchRebuild)
#include "bench_rebuild.moc"
