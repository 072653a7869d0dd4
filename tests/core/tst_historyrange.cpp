#include "historyrange.h"
#include "tablerows.h"
#include "timetext.h"

#include <QtTest>

namespace {
// History rows as the writers store them, tagged "yyyyMd"; the label is the content.
QStringList done(const QString &label, const QString &doneAt, const QString &time = "9:00")
{
    return {time, label, "完成", doneAt, TimeText::dateTag(TimeText::parseOnceDate(doneAt))};
}

QStringList missed(const QString &label, const QString &time)
{
    return {time, label, "未完成", "", TimeText::dateTag(TimeText::parseOnceDate(time))};
}

// Both Jan 11 and Nov 1 carry the tag 2013111; as numbers, the tags of 5 Nov - 5 Dec take
// in Jan 15 and leave out Nov 10 and Nov 30.
const QList<QStringList> History = {
    done("Jan 11", "2013年1月11日 10:00"), missed("Nov 1", "2013年11月1日 8:00"),
    done("Nov 4", "2013年11月4日 23:59"), done("Nov 5", "2013年11月5日 0:00"),
    done("Nov 10", "2013年11月10日 12:00"), done("Nov 30", "2013年11月30日 12:00"),
    done("Dec 5", "2013年12月5日 23:59"), done("Dec 6", "2013年12月6日 0:00"),
    done("Jan 15", "2013年1月15日 12:00"), done("Dec 31 2012", "2012年12月31日 23:59"),
    done("Jan 1 2013", "2013年1月1日 0:00"),
    // A completed once-only event belongs to the day of its completion.
    done("done later", "2013年11月20日 9:00", "2013年10月1日 9:00"),
    missed("?time", "明天 9:00"), missed("?recurring", "3月5日 9:07"), done("?no completion", ""),
    {"2013年1月11日 9:07", "?state", "done", "2013年1月11日 9:07", "2013111"},
};
const QStringList Unreadable = {"?time", "?recurring", "?no completion", "?state"};
} // namespace

class TestHistoryRange : public QObject
{
    Q_OBJECT

private slots:
    void listedRows_data();
    void listedRows();
    void lastMonth_data();
    void lastMonth();
};

void TestHistoryRange::listedRows_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QStringList>("listed"); // in storage order; unreadable dates in any range

    QTest::newRow("5 Nov - 5 Dec 2013") << QDate(2013, 11, 5) << QDate(2013, 12, 5)
        << QStringList{"Nov 5", "Nov 10", "Nov 30", "Dec 5", "done later"} + Unreadable;
    QTest::newRow("1 Nov 2013, not 11 Jan")
        << QDate(2013, 11, 1) << QDate(2013, 11, 1) << QStringList{"Nov 1"} + Unreadable;
    QTest::newRow("11 Jan 2013, not 1 Nov")
        << QDate(2013, 1, 11) << QDate(2013, 1, 11) << QStringList{"Jan 11"} + Unreadable;
    QTest::newRow("one day, to its last minute")
        << QDate(2013, 11, 4) << QDate(2013, 11, 4) << QStringList{"Nov 4"} + Unreadable;
    QTest::newRow("across the new year") << QDate(2012, 12, 31) << QDate(2013, 1, 1)
        << QStringList{"Dec 31 2012", "Jan 1 2013"} + Unreadable;
    QTest::newRow("start after end") << QDate(2013, 11, 5) << QDate(2013, 11, 4) << QStringList();
}

void TestHistoryRange::listedRows()
{
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(QStringList, listed);
    const HistoryRange range(start, end);
    QList<QStringList> rows;
    for (const QStringList &row : History) {
        if (range.contains(HistoryRange::rowDate(row)))
            rows << row;
    }
    QCOMPARE(contents(rows), listed);
}

void TestHistoryRange::lastMonth_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("start");
    QTest::newRow("31 March 2013") << QDate(2013, 3, 31) << QDate(2013, 2, 28);
    QTest::newRow("31 March 2016, leap year") << QDate(2016, 3, 31) << QDate(2016, 2, 29);
    QTest::newRow("mid-January") << QDate(2014, 1, 15) << QDate(2013, 12, 15);
}

void TestHistoryRange::lastMonth()
{
    QFETCH(QDate, today);
    QFETCH(QDate, start);
    const HistoryRange range = HistoryRange::lastMonth(today);
    QCOMPARE(range.start(), start);
    QCOMPARE(range.end(), today);
}

QTEST_APPLESS_MAIN(TestHistoryRange)
#include "tst_historyrange.moc"
