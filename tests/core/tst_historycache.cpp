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
    void readsOnlyWhatWasAdded_data();
    void readsOnlyWhatWasAdded();
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

namespace {

QString addRow(const QString &content)
{
    return QStringLiteral("insert into historyeventtable "
                          "values('9:00', '%1', '完成', '2013年12月1日 9:00', '2013121')")
        .arg(content);
}

} // namespace

void TestHistoryCache::readsOnlyWhatWasAdded_data()
{
    QTest::addColumn<bool>("storeDeletesB");
    QTest::addColumn<QStringList>("statements"); // run by another program afterwards
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<int>("fullReads");

    QTest::newRow("rows added") << false << QStringList{addRow("c"), addRow("d")}
                                << QStringList{"a", "b", "b", "c", "d"} << 1;
    QTest::newRow("first row deleted") << false
                                       << QStringList{"delete from historyeventtable where 内容 = 'a'"}
                                       << QStringList{"b", "b"} << 2;
    // SQLite gives the new row the rowid the deleted last one had.
    QTest::newRow("last row deleted, one added")
        << false << QStringList{"delete from historyeventtable where rowid = 3", addRow("c")}
        << QStringList{"a", "b", "c"} << 2;
    QTest::newRow("last rows deleted, added again after another")
        << true << QStringList{addRow("x"), addRow("b")} << QStringList{"a", "x", "b"} << 2;
    QTest::newRow("deleted through the store, then added")
        << true << QStringList{addRow("c")} << QStringList{"a", "c"} << 2;
}

// Rows added are read on their own; after a deletion the whole table is read again. Either
// way the rows listed are exactly those in the file, in storage order.
void TestHistoryCache::readsOnlyWhatWasAdded()
{
    QFETCH(bool, storeDeletesB);
    QFETCH(QStringList, statements);
    QFETCH(QStringList, listed);
    QFETCH(int, fullReads);

    Workspace work;
    const auto store = work.openStore();
    QVERIFY(execOnFile({addRow("a"), addRow("b"), addRow("b")}));
    const HistoryRange december(QDate(2013, 12, 1), QDate(2013, 12, 31));
    HistoryCache cache(*store);
    QList<QStringList> rows;
    QVERIFY(cache.rowsIn(december, &rows));
    if (storeDeletesB)
        QVERIFY(store->deleteRows("historyeventtable", rows.at(1)));
    QVERIFY(execOnFile(statements));

    QVERIFY(cache.rowsIn(december, &rows));
    QCOMPARE(contents(rows), listed);
    QCOMPARE(rows, store->rows("historyeventtable"));
    QCOMPARE(cache.fullReads(), fullReads);
    // Another query on the unchanged file reads nothing.
    QVERIFY(cache.rowsIn(december, &rows));
    QCOMPARE(contents(rows), listed);
    QCOMPARE(cache.fullReads(), fullReads);
}

QTEST_GUILESS_MAIN(TestHistoryCache)
#include "tst_historycache.moc"
