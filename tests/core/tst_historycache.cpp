#include "eventstore.h"
#include "execonfile.h"
#include "historycache.h"
#include "historyrange.h"
#include "tablerows.h"
#include "workspace.h"

#include <QtTest>

class TestHistoryCache : public QObject
{
    Q_OBJECT

private slots:
    void followsTheFile();
};

// One cache over the life of a browser: each query lists the file as it is at that moment,
// whoever changed it.
void TestHistoryCache::followsTheFile()
{
    Workspace work;
    const auto store = work.openStore();
    QVERIFY(execOnFile({"insert into historyeventtable values"
                        "('9:00', 'b 12月1日', '完成', '2013年12月1日 9:00', '2013121'), "
                        "('9:00', 'x 1月11日', '完成', '2013年1月11日 9:00', '2013111'), "
                        "('2013年11月5日 8:00', 'a 11月5日', '未完成', '', '2013115'), "
                        "('某天 8:00', 'c 无日期', '未完成', '', '')"}));
    const HistoryRange lastMonth(QDate(2013, 11, 5), QDate(2013, 12, 5));
    HistoryCache cache(*store);
    QList<QStringList> rows;
    QVERIFY(cache.rowsIn(lastMonth, &rows));
    QCOMPARE(contents(rows), (QStringList{"b 12月1日", "a 11月5日", "c 无日期"}));
    QCOMPARE(rows.first(), (QStringList{"9:00", "b 12月1日", "完成", "2013年12月1日 9:00", "2013121"}));
    QVERIFY(cache.rowsIn(HistoryRange(QDate(2013, 1, 11), QDate(2013, 1, 11)), &rows));
    QCOMPARE(contents(rows), (QStringList{"x 1月11日", "c 无日期"}));

    QVERIFY(execOnFile({"insert into historyeventtable "
                        "values('9:00', 'f 别处', '完成', '2013年11月30日 9:00', '20131130')"}));
    QVERIFY(cache.rowsIn(lastMonth, &rows));
    QCOMPARE(contents(rows), (QStringList{"b 12月1日", "a 11月5日", "c 无日期", "f 别处"}));
    QVERIFY(store->deleteRows("historyeventtable", rows.first()));
    QVERIFY(cache.rowsIn(lastMonth, &rows));
    QCOMPARE(contents(rows), (QStringList{"a 11月5日", "c 无日期", "f 别处"}));

    // A table that cannot be read fails every time, with no rows from before.
    QVERIFY(execOnFile({"alter table historyeventtable rename to kept"}));
    QVERIFY(!cache.rowsIn(lastMonth, &rows));
    QVERIFY2(store->lastError().contains("historyeventtable"), qPrintable(store->lastError()));
    QVERIFY(!cache.rowsIn(lastMonth, &rows));
    QCOMPARE(rows, QList<QStringList>());
    QVERIFY(execOnFile({"alter table kept rename to historyeventtable"}));
    QVERIFY(cache.rowsIn(lastMonth, &rows));
    QCOMPARE(rows.size(), 3);
}

QTEST_GUILESS_MAIN(TestHistoryCache)
#include "tst_historycache.moc"
