#include "eventstore.h"
#include "execonfile.h"
#include "historycache.h"
#include "historyrange.h"
#include "tablerows.h"
#include "workspace.h"

#include <QtTest>
#include <memory>

namespace {
const QDateTime Now(QDate(2013, 12, 5), QTime(10, 0));
// The browser's opening range on that day.
const HistoryRange LastMonth(QDate(2013, 11, 5), QDate(2013, 12, 5));

enum class Change { SameStoreCompletion, SameStoreDeletion, DayMovesPassedEvent, OtherProgram };
} // namespace

Q_DECLARE_METATYPE(Change)

class TestHistoryCache : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsRangeInStorageOrder();
    void seesEveryChange_data();
    void seesEveryChange();
    void unreadableTableFailsUntilItIsBack();

private:
    std::unique_ptr<Workspace> m_work;
    std::unique_ptr<EventStore> m_store;
};

void TestHistoryCache::init()
{
    m_work = std::make_unique<Workspace>();
    QVERIFY(m_work->isValid());
    m_store = m_work->openStore();
    QVERIFY2(m_store->isOpen(), qPrintable(m_store->lastError()));
    QVERIFY(execOnFile({
        "insert into historyeventtable values('9:00', 'b 12月1日', '完成', '2013年12月1日 9:00', '2013121')",
        "insert into historyeventtable values('9:00', 'x 1月11日', '完成', '2013年1月11日 9:00', '2013111')",
        "insert into historyeventtable values('2013年11月5日 8:00', 'a 11月5日', '未完成', '', '2013115')",
        "insert into historyeventtable values('某天 8:00', 'c 无日期', '未完成', '', '')",
    }));
}

void TestHistoryCache::cleanup()
{
    m_store.reset();
    m_work.reset();
}

void TestHistoryCache::listsRangeInStorageOrder()
{
    HistoryCache cache(*m_store);
    QList<QStringList> rows;
    QVERIFY(cache.rowsIn(LastMonth, &rows));
    QCOMPARE(contents(rows), (QStringList{"b 12月1日", "a 11月5日", "c 无日期"}));
    QCOMPARE(rows.first(),
             (QStringList{"9:00", "b 12月1日", "完成", "2013年12月1日 9:00", "2013121"}));

    QVERIFY(cache.rowsIn(HistoryRange(QDate(2013, 1, 11), QDate(2013, 1, 11)), &rows));
    QCOMPARE(contents(rows), (QStringList{"x 1月11日", "c 无日期"}));
    QVERIFY(cache.rowsIn(HistoryRange(QDate(2013, 12, 5), QDate(2013, 11, 5)), &rows));
    QCOMPARE(rows, QList<QStringList>());
}

void TestHistoryCache::seesEveryChange_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("a completion through the same store")
        << Change::SameStoreCompletion
        << QStringList{"b 12月1日", "a 11月5日", "c 无日期", "d 喝水"};
    QTest::newRow("a deletion through the same store")
        << Change::SameStoreDeletion << QStringList{"a 11月5日", "c 无日期"};
    QTest::newRow("the day's move of a passed once-only event")
        << Change::DayMovesPassedEvent
        << QStringList{"b 12月1日", "a 11月5日", "c 无日期", "e 昨天"};
    QTest::newRow("another program adds a row")
        << Change::OtherProgram << QStringList{"b 12月1日", "a 11月5日", "c 无日期", "f 别处"};
}

void TestHistoryCache::seesEveryChange()
{
    QFETCH(Change, change);
    QFETCH(QStringList, listed);

    if (change == Change::DayMovesPassedEvent)
        QVERIFY(m_store->addEvent({"2013年12月4日 9:00", "e 昨天", "y"}));
    HistoryCache cache(*m_store);
    QList<QStringList> rows;
    QVERIFY(cache.rowsIn(LastMonth, &rows));
    QCOMPARE(rows.size(), 3);

    switch (change) {
    case Change::SameStoreCompletion:
        QVERIFY(m_store->completeItem("9:07", "d 喝水", Now));
        break;
    case Change::SameStoreDeletion:
        QVERIFY(m_store->deleteRows("historyeventtable", rows.first()));
        break;
    case Change::DayMovesPassedEvent:
        QVERIFY(m_store->rebuildToday(Now));
        break;
    case Change::OtherProgram:
        QVERIFY(execOnFile({"insert into historyeventtable values('9:00', 'f 别处', '完成', "
                            "'2013年11月30日 9:00', '20131130')"}));
        break;
    }
    QVERIFY(cache.rowsIn(LastMonth, &rows));
    QCOMPARE(contents(rows), listed);
}

void TestHistoryCache::unreadableTableFailsUntilItIsBack()
{
    HistoryCache cache(*m_store);
    QList<QStringList> rows;
    QVERIFY(cache.rowsIn(LastMonth, &rows));
    QVERIFY(execOnFile({"alter table historyeventtable rename to kept"}));
    QVERIFY(!cache.rowsIn(LastMonth, &rows));
    QCOMPARE(rows, QList<QStringList>());
    QVERIFY2(m_store->lastError().contains("historyeventtable"), qPrintable(m_store->lastError()));
    // Still failing: no rows from before come back as if they were current.
    QVERIFY(!cache.rowsIn(LastMonth, &rows));
    QCOMPARE(rows, QList<QStringList>());

    QVERIFY(execOnFile({"alter table kept rename to historyeventtable"}));
    QVERIFY(cache.rowsIn(LastMonth, &rows));
    QCOMPARE(contents(rows), (QStringList{"b 12月1日", "a 11月5日", "c 无日期"}));
}

QTEST_GUILESS_MAIN(TestHistoryCache)
#include "tst_historycache.moc"
